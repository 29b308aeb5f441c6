// vidloom-cli: converts media files from the command line with Vidloom's core.
#include "cli/cli_app.h"
#include "platform/process.h"

#ifdef _WIN32
#include "unicode/utf16.h"
#endif

int main(int argc, char** argv) {
  vidloom::platform::MarkProgramRunning();
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return vidloom::cli::RunCli(vidloom::unicode::CommandLineArguments());
#else
  return vidloom::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc));
#endif
}
