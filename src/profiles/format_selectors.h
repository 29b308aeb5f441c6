// The window's format selectors filled from the catalogue: the format list, and the refresh that
// re-applies the selected format's lists and defaults to the option selectors.
#pragma once

#include <string>

#include "model/forms.h"
#include "profiles/catalogue.h"
#include "profiles/window_state.h"

namespace vidloom {

// The entry of ComboOutputFormat's current text, or null (separator, no selection).
const OutputFormat* SelectedFormat(const MainForm& form);

// Clears ComboOutputFormat, adds the 16 rows, shows them all when dropped down, selects row 0.
void FillFormatList(MainForm& form);

// Re-applies the selected format: drop-down count, ProfileTag cleared, "Stereo", volume back to
// neutral, aspect ratio reset (enabled for video formats); a separator row restores
// PreviousFormatIndex and stops there; otherwise the entry's profile runs, every row's "Output"
// cell gets the extension and PreviousFormatIndex becomes the selected row.
void RefreshFormatOptions(MainForm& form, WindowState& state);

// Runs the selected entry's profile; does nothing when no entry matches.
void ApplyFormatProfile(MainForm& form, WindowState& state);
// Writes the selected entry's extension to `output`; leaves it unchanged when nothing matches.
void FormatExtension(const MainForm& form, std::string& output);
// False exactly when the selected entry is an audio-only one (true when nothing matches).
bool IsVideoFormat(const MainForm& form);
}  // namespace vidloom
