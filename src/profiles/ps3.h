// The three PS3 entries: H.264 with AAC in MP4 at 480P, 720P and 1080P; no thumbnail.
#pragma once

#include "model/forms.h"
#include "profiles/command_slots.h"
#include "profiles/window_state.h"

namespace vidloom {

enum class Ps3Variant { k480P, k720P, k1080P };
// The fixed video bitrate of the template: 1200 kbit/s (480P) or 2000 kbit/s (720P, 1080P).
enum class Ps3Rate { k1200, k2000 };

void Ps3Profile(TForm1& form, WindowState& state, Ps3Variant variant);
FormatCommand Ps3Template(const CommandSlots& slots, Ps3Rate rate);

}  // namespace vidloom
