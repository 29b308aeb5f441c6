// The desktop program's own command line and its end, shared by main() and the tests that run
// the program's event loop.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vidloom::gui {

// "vidloom --help": what the program takes on its command line.
std::string ProgramUsageText();
// "vidloom --version": "Vidloom <version>".
std::string VersionText();

// Before any window exists (no display is needed): answers --help (-h) and --version on
// standard output and returns the exit code; nullopt when neither was asked for. Arguments
// after "--" are file names.
std::optional<int> AnswerOnTerminal(int argc, const char* const* argv);

// After QApplication has taken Qt's own options out of argv: the arguments that start with "-"
// (before a "--") and are no option of this program. Non-empty means the usage is refused.
std::vector<std::string> UnknownOptions(int argc, const char* const* argv);

// Ends the program's event loop at once: no window is asked to close (so no close query runs
// and no settings are written), whatever a window would answer. Safe to call from a handler.
void QuitProgram();

}  // namespace vidloom::gui
