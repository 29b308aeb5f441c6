// Hidden review switch of the desktop program, used by scripts/screenshots: with
// VIDLOOM_SCREENSHOTS=<dir> in the environment, once the loop runs and the files named on the
// command line are in the list, the program's own windows are shown one after the other and saved
// as PNG files in <dir> (main.png, options.png, warning.png, about.png); then the program ends
// the way File > Exit ends it, so no settings are written. Nothing is converted and the countdown
// is never armed: the warning window is shown as it looks when armed, without its timer, so no
// power-off can follow. The exit code is 1 when a picture could not be saved.
#pragma once

namespace vidloom {
class MainWindow;
}

namespace vidloom::gui {

class DesktopWindows;

// Does nothing when the variable is unset or empty. Call after the windows are built, before
// the loop runs; `window` and `windows` must live until the loop ends.
void ScheduleReviewShots(MainWindow& window, DesktopWindows& windows);

}  // namespace vidloom::gui
