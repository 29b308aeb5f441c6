// What raziz2u prints. Every line goes out in one write, unbuffered, because the reader of the
// pipe acts on each line as it arrives. No line except the two headers names a path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "media/describe.h"

namespace raziz2u {

// Writes text to standard output in one write (no added line end).
void Print(const std::string& text);
// Writes one failure line "error: <reason>" to standard error.
void PrintError(const std::string& reason);
// Writes a failure line that already carries its marker ("Unknown format: ...").
void PrintMarkedLine(const std::string& line);

// Keeps FFmpeg's own log out of the pipe: paths, metadata and warnings from libraries could look
// like failure markers. RAZIZ2U_DEBUG=1 in the environment forwards the log for debugging.
void InstallLogFilter();

// "HH:MM:SS.cc" for microseconds, "25.00" for a rate: the words the input's description uses.
using vidloom::media::FormatDuration;
using vidloom::media::FormatRate;

// One progress record, ending with a carriage return:
// "frame=<n> q=<q> size=<n>kB time=<s.ss> bitrate=<r>kbits/s\r"; without frame= and q= for
// audio-only outputs.
std::string ProgressRecord(std::optional<int64_t> frames, double quality, int64_t bytes,
                           double seconds);

}  // namespace raziz2u
