// The main window's work controls (switched off while work runs), the required-files check that
// comes before any work, and the arming of the shutdown countdown at the end of a batch.
#pragma once

#include <string>
#include <vector>

#include "model/dialogs.h"
#include "model/forms.h"
#include "texts/language.h"

namespace vidloom {

inline constexpr const char* kRequiredFileMissingText =
    N_("A required file is missing!\n\rPlease re-install this software");

// The countdown state; UI thread only.
struct ShutdownState {
  bool ShutdownArmed = false;
  int CountdownTicks = 0;
};

// Disables the selectors, the two option check boxes, "Clear All ", "Remove", the slider and
// the menu entries that must not be used while work runs. The Stop buttons, "Add Files",
// "Convert Now !", the folder button and the list stay as they are.
void DisableWorkControls(MainForm& form, OptionsForm& options);
// Enables the same set; the aspect ratio selector only for a video format.
void EnableWorkControls(MainForm& form, OptionsForm& options);

// True, after telling the user once, when one of `required` (file names, checked in order) is
// not a file in `directory`. Enables the work controls in every case.
bool CheckRequiredFiles(MainForm& form, OptionsForm& options, Dialogs& dialogs,
                        const std::string& directory, const std::vector<std::string>& required);

// Starts the 30-second countdown: armed, ticks 0, the warning window on top and shown, the
// countdown timer on.
void ArmShutdownCountdown(MainForm& form, PowerOffWarningForm& warning, ShutdownState& shutdown);

}  // namespace vidloom
