// The pure half of the media probe on arbitrary encoder answers (without NUL bytes, which the
// probe drops as it collects): the answer splits into the lines a plain reading gives ("\r\n",
// "\n" and a lone "\r" each end one, empty lines kept); a verdict on the first line, once given
// while the answer comes in, is the verdict on the whole answer; and parsing an answer gives the
// same values whatever the values held before (no value of the previous file is left over).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "analysis/probe.h"
#include "fuzz/check.h"

namespace {

using namespace vidloom::analysis;

std::vector<std::string> PlainLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      line += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(std::move(line));
    line.clear();
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

auto Fields(const ProbeValues& v) {
  return std::tie(v.Path, v.FrameSize, v.FrameRate, v.Duration, v.DisplaySize);
}

ProbeValues Parsed(std::string_view answer, ProbeValues values) {
  ParseProbeOutput(SplitProbeLines(answer), values);
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::string previous = input.ConsumeRandomLengthString(1024);
  std::string answer = input.ConsumeRemainingBytesAsString();
  SplitProbeLines(answer);  // NUL bytes and all
  for (std::string* text : {&previous, &answer}) std::erase(*text, '\0');

  const std::vector<std::string> lines = SplitProbeLines(answer);
  FUZZ_CHECK(lines == PlainLines(answer));

  const auto verdict = JudgeFirstLine(answer, /*at_end=*/true);
  FUZZ_CHECK(verdict.has_value() == !answer.empty());
  if (verdict) FUZZ_CHECK(*verdict == IsInputDescription(lines.front()));
  // The answer as it comes in: its first characters, and the first line up to and with its end.
  const std::string_view whole(answer);
  const std::size_t first_end = std::min(whole.find_first_of("\r\n"), whole.size());
  std::vector<std::size_t> lengths = {first_end, first_end + 1};
  for (std::size_t n = 0; n <= 16; ++n) lengths.push_back(n);
  for (const std::size_t n : lengths) {
    if (n > whole.size()) continue;
    if (const auto early = JudgeFirstLine(whole.substr(0, n), /*at_end=*/false)) {
      FUZZ_CHECK(early == verdict);
    }
  }

  const ProbeValues fresh = Parsed(answer, ProbeValues{.Path = "clip"});
  const ProbeValues after_other = Parsed(answer, Parsed(previous, ProbeValues{.Path = "clip"}));
  FUZZ_CHECK(Fields(after_other) == Fields(fresh));
  return 0;
}
