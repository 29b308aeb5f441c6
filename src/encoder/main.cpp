// raziz2u: Vidloom's encoder. Converts one input file for a device, or describes it when no
// output is named. See options.h for the command line and output_contract.h for what it prints.
#include <string>
#include <vector>

#include "options.h"
#include "output_contract.h"
#include "system.h"
#include "transcoder.h"

int main(int argc, char** argv) {
  raziz2u::system::InstallStopRequests();
  raziz2u::InstallLogFilter();
  const std::vector<std::string> args = raziz2u::system::Arguments(argc, argv);
  const raziz2u::ParseResult parsed = raziz2u::ParseCommandLine(args);
  if (!parsed.error.empty()) {
    raziz2u::PrintError(parsed.error);
    return 1;
  }
  return raziz2u::RunRequest(parsed.request);
}
