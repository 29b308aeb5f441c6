// The desktop program's start-up: creates the windows' models and views and runs the event
// loop. Returns the program's exit code.
#pragma once

namespace vidloom::gui {

int RunDesktop(int argc, char** argv);

}  // namespace vidloom::gui
