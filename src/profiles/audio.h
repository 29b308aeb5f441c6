// The two audio-only entries, AAC and MP3.
#pragma once

#include "model/forms.h"
#include "profiles/command_slots.h"
#include "profiles/window_state.h"

namespace vidloom {

void Mp3Profile(TForm1& form, WindowState& state);
// Selects the 8th audio bitrate and the 6th sampling rate of the lists the previous entry left
// (no selection when a list is shorter): after MP3 that is "128 Kbps" and "48000 Hz".
void AacProfile(TForm1& form, WindowState& state);

FormatCommand Mp3Template(const CommandSlots& slots);
FormatCommand AacTemplate(const CommandSlots& slots);

}  // namespace vidloom
