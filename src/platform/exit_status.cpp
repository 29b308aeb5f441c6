#include "platform/exit_status.h"

#include <cstdio>
#include <cstring>

namespace vidloom::platform {

std::optional<std::string> AbnormalEnd(int exit_code) {
#ifdef _WIN32
  const auto code = static_cast<unsigned int>(exit_code);
  if ((code & 0xC0000000u) != 0xC0000000u) return std::nullopt;
  char text[32];
  std::snprintf(text, sizeof text, "exception 0x%08X", code);
  return std::string(text);
#else
  if (exit_code <= 128 || exit_code >= 128 + 65) return std::nullopt;
  const int signal = exit_code - 128;
  const char* name = strsignal(signal);
  return "signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
#endif
}

}  // namespace vidloom::platform
