// The Windows program's start: its command line, the windows over the core, the message loop.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vidloom::win32 {

// What "vidloom.exe" makes of its arguments (after its own name).
struct DesktopArguments {
  enum class Ask { kWindow, kHelp, kVersion, kWrong } ask = Ask::kWindow;
  std::vector<std::string> files;  // added once the window shows, as dropped files are
  std::string wrong;               // the unknown option, for kWrong
};
// --help (-h, /?) and --version answer in a message box; other arguments starting with "-"
// before a "--" are refused; every other one is a file or folder ("Open With" passes them).
DesktopArguments ParseDesktopArguments(const std::vector<std::string>& arguments);

// The usage text and "Vidloom <version>".
std::string ProgramUsageText();
std::string VersionText();

// Runs the program; returns its exit code.
int RunDesktop();

}  // namespace vidloom::win32
