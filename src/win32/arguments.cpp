#include "win32/app.h"

#include "texts/language.h"
#include "window_logic/program_usage.h"

namespace vidloom::win32 {

DesktopArguments ParseDesktopArguments(const std::vector<std::string>& arguments) {
  DesktopArguments parsed;
  bool options = true;
  for (const std::string& argument : arguments) {
    if (argument.empty()) continue;
    if (options && argument == "--") {
      options = false;
      continue;
    }
    if (options && (argument == "--help" || argument == "-h" || argument == "/?")) {
      parsed.ask = DesktopArguments::Ask::kHelp;
      return parsed;
    }
    if (options && argument == "--version") {
      parsed.ask = DesktopArguments::Ask::kVersion;
      return parsed;
    }
    if (options && argument.size() > 1 && argument[0] == '-') {
      parsed.ask = DesktopArguments::Ask::kWrong;
      parsed.wrong = argument;
      return parsed;
    }
    parsed.files.push_back(argument);
  }
  return parsed;
}

std::string ProgramUsageText() {
  return ProgramUsage(N_("/? is taken for --help."));
}

std::string VersionText() {
  return std::string("Vidloom ") + VIDLOOM_VERSION + "\n";
}

}  // namespace vidloom::win32
