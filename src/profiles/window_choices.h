// The choices as the window shows them, taken on its thread.
#pragma once

#include "model/forms.h"
#include "profiles/choices.h"
#include "profiles/window_state.h"

namespace vidloom {

// The format and option selectors of `form`; the rest as designed.
ConversionChoices TakeSelections(const MainForm& form);
// Everything: the selectors, the volume and profile tag, the output directory and the
// overwrite box.
ConversionChoices TakeChoices(const MainForm& form, const OptionsForm& options,
                              const WindowState& window);

}  // namespace vidloom
