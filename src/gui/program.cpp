#include "gui/program.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "texts/language.h"
#include "window_logic/program_usage.h"

namespace vidloom::gui {
namespace {

bool Is(const char* arg, const char* option) {
  return std::strcmp(arg, option) == 0;
}

}  // namespace

std::string ProgramUsageText() {
  return ProgramUsage(
      N_("Qt's own options (-platform NAME, -style NAME, -display DISPLAY, ...) are taken too."));
}

std::string VersionText() {
  return std::string("Vidloom ") + VIDLOOM_VERSION + "\n";
}

std::optional<int> AnswerOnTerminal(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (Is(argv[i], "--")) break;
    if (Is(argv[i], "--help") || Is(argv[i], "-h")) {
      std::fputs(ProgramUsageText().c_str(), stdout);
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
