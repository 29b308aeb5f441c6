// The main window's creation steps that concern the format and option selectors, its show-time
// refresh, and the two selector handlers (format change, volume slider).
#pragma once

#include "model/forms.h"
#include "profiles/window_state.h"

namespace vidloom {

// Installs ComboOutputFormat.on_change (the format refresh) and VolumeSlider.on_change (the volume
// mapping). `form` and `state` must outlive the handlers.
void ConnectSelectorHandlers(MainForm& form, WindowState& state);

// Creation: the letterbox list ("None", "LetterBox", the latter selected), the neutral volume,
// the format list, PreviousFormatIndex := the selected row, the drop-down count 27, the first
// format refresh, and "Original " in ComboAspectRatio.
void SetUpSelectors(MainForm& form, WindowState& state);

// Showing the window re-applies the (possibly restored) format.
void RefreshSelectorsOnShow(MainForm& form, WindowState& state);

}  // namespace vidloom
