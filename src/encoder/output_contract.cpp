#include "output_contract.h"

#include <cstdarg>
#include <cstdio>

#include "system.h"

extern "C" {
#include <libavutil/log.h>
}

namespace raziz2u {

namespace {

void ForwardLog(void* ptr, int level, const char* format, va_list args) {
  if (level > av_log_get_level()) return;
  char line[1024];
  int print_prefix = 1;
  av_log_format_line2(ptr, level, format, args, line, sizeof line, &print_prefix);
  system::Write(system::Stream::kErr, std::string("[debug] ") + line);
}

void DropLog(void*, int, const char*, va_list) {}

}  // namespace

void Print(const std::string& text) {
  system::Write(system::Stream::kOut, text);
}

void PrintError(const std::string& reason) {
  system::Write(system::Stream::kErr, "error: " + reason + "\n");
}

void PrintMarkedLine(const std::string& line) {
  system::Write(system::Stream::kErr, line + "\n");
}

void InstallLogFilter() {
  if (system::Environment("RAZIZ2U_DEBUG").starts_with('1')) {
    av_log_set_level(AV_LOG_VERBOSE);
    av_log_set_callback(ForwardLog);
  } else {
    av_log_set_level(AV_LOG_QUIET);
    av_log_set_callback(DropLog);
  }
}

std::string ProgressRecord(std::optional<int64_t> frames, double quality, int64_t bytes,
                           double seconds) {
  if (seconds < 0) seconds = 0;
  const long long kilobytes = static_cast<long long>((bytes + 1023) / 1024);
  const double kbits = seconds > 0 ? bytes * 8.0 / seconds / 1000.0 : 0.0;
  char text[192];
  if (frames) {
    std::snprintf(text, sizeof text,
                  "frame=%lld q=%.1f size=%lldkB time=%.2f bitrate=%.1fkbits/s\r",
                  static_cast<long long>(*frames), quality, kilobytes, seconds, kbits);
  } else {
    std::snprintf(text, sizeof text, "size=%lldkB time=%.2f bitrate=%.1fkbits/s\r", kilobytes,
                  seconds, kbits);
  }
  return text;
}

}  // namespace raziz2u
