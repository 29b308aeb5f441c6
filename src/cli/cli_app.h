// vidloom-cli: the headless front-end. Builds the main window's model as the desktop program
// does, adds the files, applies the choices and then converts, or prints what it would do.
#pragma once

#include <string>
#include <vector>

namespace vidloom::cli {

// Runs the program with `args` (without the program name). Returns the exit status.
int RunCli(const std::vector<std::string>& args);

}  // namespace vidloom::cli
