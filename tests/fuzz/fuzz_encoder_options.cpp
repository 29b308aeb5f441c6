// raziz2u's command-line parser on arbitrary argument vectors (the input's NUL bytes separate
// the arguments, as no argument can hold one). It never crashes; a refusal is one line of text
// (printed after the "error: " marker, so that the reader of the pipe sees it whole); an accepted
// request holds only values the conversion can use.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "options.h"

namespace {

template <typename T>
bool Within(const std::optional<T>& value, double low, double high) {
  return !value || (std::isfinite(static_cast<double>(*value)) && *value >= low && *value <= high);
}

void CheckRequest(const raziz2u::Request& r) {
  FUZZ_CHECK(!r.input.empty());
  FUZZ_CHECK(Within(r.video_kbps, 1, 1e6) && Within(r.max_kbps, 1, 1e6));
  FUZZ_CHECK(Within(r.buffer_kbytes, 1, 1e6) && Within(r.tolerance_kbps, 1, 1e6));
  FUZZ_CHECK(Within(r.gop, 1, 10000) && Within(r.qscale, 1, 51) && Within(r.coder, 0, 2));
  FUZZ_CHECK(Within(r.audio_kbps, 1, 2000) && Within(r.volume_factor, 0, 10000));
  FUZZ_CHECK(Within(r.sample_rate, 1000, 384000) && Within(r.channels, 1, 8));
  FUZZ_CHECK(Within(r.max_video_frames, 0, 1e9));
  FUZZ_CHECK(r.width.has_value() == r.height.has_value());
  FUZZ_CHECK(Within(r.width, 2, 16384) && Within(r.height, 2, 16384));
  for (int pad : {r.pad_top, r.pad_bottom, r.pad_left, r.pad_right}) {
    FUZZ_CHECK(pad >= 0 && pad <= 4096);
  }
  FUZZ_CHECK(r.threads >= 0 && r.threads <= 64);
  FUZZ_CHECK(!r.frame_rate_num || (*r.frame_rate_num > 0 && r.frame_rate_den > 0 &&
                                   *r.frame_rate_num <= 1000.0 * r.frame_rate_den));
  // The start is taken in microseconds, a 64-bit count.
  constexpr double kMaxMicroseconds = static_cast<double>(std::numeric_limits<std::int64_t>::max());
  FUZZ_CHECK(!r.start_seconds ||
             (*r.start_seconds >= 0 && *r.start_seconds * 1e6 < kMaxMicroseconds));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    args.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }

  const raziz2u::ParseResult result = raziz2u::ParseCommandLine(args);
  if (result.error.empty()) {
    CheckRequest(result.request);
  } else {
    FUZZ_CHECK(result.error.find_first_of("\r\n") == std::string::npos);
  }
  return 0;
}
