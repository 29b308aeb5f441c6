// One run of raziz2u: open the input, describe it, and (unless only an input was given) decode,
// filter, encode and mux it into the output.
#pragma once

#include <atomic>

#include "options.h"

namespace raziz2u {

// Set from a signal handler; every blocking FFmpeg call polls it through the interrupt callback.
extern std::atomic<int> g_stop_signal;

// Runs the request and returns the exit status: 0 only when the output file is complete.
int RunRequest(const Request& request);

}  // namespace raziz2u
