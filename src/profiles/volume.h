// The volume slider: positions 0..10 give steps of 10 (shown doubled, in per cent); the step is
// the volume value handed to the encoder, except that 10 becomes "2" and 20 becomes "5".
#pragma once

#include <string>

#include "model/forms.h"
#include "profiles/window_state.h"

namespace vidloom {

inline constexpr int kNeutralVolumePosition = 5;

// Position 0..10 -> step 0..100; any other position counts as step 50.
int VolumeStep(int position);
std::string VolumeFactorOfStep(int step);

// The slider's change handler: VolumePercent := "<2 x step>%", VolumeFactor := the step's value.
void VolumeSliderChange(MainForm& form, WindowState& state);

}  // namespace vidloom
