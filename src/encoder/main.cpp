// raziz2u: Vidloom's encoder. Converts one input file for a device, or describes it when no
// output is named. See options.h for the command line and console.h for what it prints.
#include <csignal>
#include <string>
#include <vector>

#include "console.h"
#include "options.h"
#include "transcoder.h"

namespace {

void OnStopSignal(int signal) {
  raziz2u::g_stop_signal.store(signal);
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  // A reader that closed the pipe must not end the conversion: the output file is what counts.
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  InstallSignalHandlers();
  raziz2u::InstallLogFilter();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const raziz2u::ParseResult parsed = raziz2u::ParseCommandLine(args);
  if (!parsed.error.empty()) {
    raziz2u::PrintError(parsed.error);
    return 1;
  }
  return raziz2u::RunRequest(parsed.request);
}
