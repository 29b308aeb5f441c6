// vidloom-cli: converts media files from the command line with Vidloom's core.
#include "cli/cli_app.h"

int main(int argc, char** argv) {
  return vidloom::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc));
}
