// How a child's exit code reads: an exit of its own, or an end it did not choose.
#pragma once

#include <optional>
#include <string>

namespace vidloom::platform {

// What ended the child, when it did not exit by itself: "signal 9 (Killed)" (POSIX: the code
// is 128 + the signal), "exception 0xC0000005" (Windows: an NTSTATUS error code, which a crash
// or a forced end leaves). nullopt for an exit code the child chose.
std::optional<std::string> AbnormalEnd(int exit_code);

}  // namespace vidloom::platform
