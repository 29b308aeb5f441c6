// Hidden review switch of the desktop program, used by scripts/screenshots: with
// VIDLOOM_SCREENSHOTS=<dir> in the environment, once the loop runs and the files named on the
// command line are in the list, the program's own windows are shown one after the other and saved
// as PNG files in <dir> (main.png, options.png, screen.png, warning.png, about.png); then the
// checked rows are converted into a temporary folder and the end is saved (batch-end.png with
// the summary and the power-off notice, tooltip.png with the first row's tooltip); then the
// program ends the way File > Exit ends it, so no settings are written. The countdown is never
// armed (the warning window is shown as it looks when armed, without its timer; the shutdown
// box is ticked only after the batch, and unticked again), and the program runs with no
// power-off behind it (ReviewShotsWanted). The exit code is 1 when a picture could not be saved.
#pragma once

namespace vidloom {
class MainWindow;
}

namespace vidloom::gui {

class ProgramWindows;

// True when the review switch is set: the program then gets no real power-off.
bool ReviewShotsWanted();

// Does nothing when the variable is unset or empty. Call after the windows are built, before
// the loop runs; `window` and `windows` must live until the loop ends.
void ScheduleReviewShots(MainWindow& window, ProgramWindows& windows);

}  // namespace vidloom::gui
