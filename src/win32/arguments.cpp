#include "win32/app.h"

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

std::string DesktopUsageText() {
  return "Usage: vidloom [OPTION]... [FILE|FOLDER]...\n"
         "Converts video and audio files for the PSP, the PS3, mobile phones and as AAC or MP3.\n"
         "Files and folders named here are added to the list once the window shows, as if\n"
         "they were dropped on it (a folder stands for the supported files inside it).\n"
         "\n"
         "  --help, -h     show this text and end\n"
         "  --version      show the version and end\n"
         "  --             the arguments after it are file names, even when they start with -\n"
         "\n"
         "vidloom-cli, beside this program, converts without a window.\n";
}

std::string VersionText() {
  return std::string("Vidloom ") + VIDLOOM_VERSION + "\n";
}

}  // namespace vidloom::win32
