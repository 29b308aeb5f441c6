#include "console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

namespace raziz2u {

namespace {

void WriteAll(int fd, const std::string& text) {
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // reader gone: the conversion goes on, the output file is what counts
    data += n;
    left -= static_cast<size_t>(n);
  }
}

void ForwardLog(void* ptr, int level, const char* format, va_list args) {
  if (level > av_log_get_level()) return;
  char line[1024];
  int print_prefix = 1;
  av_log_format_line2(ptr, level, format, args, line, sizeof line, &print_prefix);
  WriteAll(STDERR_FILENO, std::string("[debug] ") + line);
}

void DropLog(void*, int, const char*, va_list) {}

}  // namespace

void Print(const std::string& text) {
  WriteAll(STDOUT_FILENO, text);
}

void PrintError(const std::string& reason) {
  WriteAll(STDERR_FILENO, "error: " + reason + "\n");
}

void PrintMarkedLine(const std::string& line) {
  WriteAll(STDERR_FILENO, line + "\n");
}

void InstallLogFilter() {
  const char* debug = std::getenv("RAZIZ2U_DEBUG");
  if (debug != nullptr && debug[0] == '1') {
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
