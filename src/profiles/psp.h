// The five PSP entries: MPEG-4 ("xvid") or H.264 video with AAC audio in the "psp" MP4 variant,
// each followed by a thumbnail run.
#pragma once

#include <string_view>

#include "model/forms.h"
#include "profiles/command_slots.h"
#include "profiles/window_state.h"

namespace vidloom {

enum class PspQuality { kGoodQuality, kNormalQuality, kSmallFileSize };

// The quality name a PSP Video entry passes: "Good Quality", "Normal Quality", "Small File Size".
std::string_view PspQualityName(PspQuality quality);

void PspVideoProfile(TForm1& form, WindowState& state, PspQuality quality);
void PspAvcProfile(TForm1& form, WindowState& state);
void PspAvcFormat2Profile(TForm1& form, WindowState& state);

// Both ask for a thumbnail. `title` is placed (quoted) only by the AVC template.
FormatCommand PspVideoTemplate(const CommandSlots& slots);
FormatCommand PspAvcTemplate(const CommandSlots& slots, std::string_view title);

}  // namespace vidloom
