#include "gui/program.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace vidloom::gui {
namespace {

bool Is(const char* arg, const char* option) {
  return std::strcmp(arg, option) == 0;
}

}  // namespace

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
         "Qt's own options (-platform NAME, -style NAME, -display DISPLAY, ...) are taken too.\n"
         "vidloom-cli, beside this program, converts without a window.\n";
}

std::string VersionText() {
  return std::string("Vidloom ") + VIDLOOM_VERSION + "\n";
}

std::optional<int> AnswerOnTerminal(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (Is(argv[i], "--")) break;
    if (Is(argv[i], "--help") || Is(argv[i], "-h")) {
      std::fputs(DesktopUsageText().c_str(), stdout);
      return 0;
    }
    if (Is(argv[i], "--version")) {
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    }
  }
  return std::nullopt;
}

std::vector<std::string> UnknownOptions(int argc, const char* const* argv) {
  std::vector<std::string> unknown;
  for (int i = 1; i < argc; ++i) {
    if (Is(argv[i], "--")) break;
    if (argv[i][0] == '-' && argv[i][1] != '\0') unknown.emplace_back(argv[i]);
  }
  return unknown;
}

void QuitProgram() {
  // exit(), not quit(): quit() first asks every window to close, and the main window's close
  // query (refused during the countdown) and close handler (which writes the settings) must not
  // run for File > Exit and the countdown's end.
  QCoreApplication::exit(0);
}

}  // namespace vidloom::gui
