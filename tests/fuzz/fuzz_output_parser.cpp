// The encoder-output parser on arbitrary output, read whole and read in arbitrary pieces (cut by
// a generator the input seeds, and one byte at a time). Lines cut by a read are joined again, so
// what a run ends with is the same however its output was cut: the verdict, the error line, the
// adjustments, the duration, the latest display values, frame count and progress mark as the
// runner collects them between reads, and the transcript. Lines longer than the splitter's bound
// are cut by design where a read ends inside them: the input stays below it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzz/check.h"
#include "pipeline/output_parser.h"

namespace {

using vidloom::Display;
using vidloom::OutputParser;
using vidloom::Verdict;

struct RunEnd {
  Verdict verdict = Verdict::kContinue;
  bool error_seen = false;
  std::string error_line;
  std::vector<std::string> adjustments;
  std::int32_t duration_seconds = 0;
  Display display;
  std::optional<std::string> frames, progress_mark;
  std::vector<std::string> transcript;

  auto Fields() const {
    return std::tie(verdict, error_seen, error_line, adjustments, duration_seconds, display.frames,
                    display.size_panel, display.size_kb, display.bar, display.progress,
                    display.duration, display.seconds, frames, progress_mark, transcript);
  }
};

// Feeds `output` in pieces of the given lengths (the last piece takes the rest), collecting what
// the parser reports after each piece as the runner does, until a verdict ends the run.
RunEnd Run(std::string_view output, OutputParser::Options options,
           const std::vector<std::size_t>& cuts) {
  OutputParser parser(options);
  RunEnd end;
  auto collect = [&] {
    end.display.Merge(parser.TakeDisplay());
    if (auto frames = parser.TakeCurrentFrames()) end.frames = std::move(frames);
    if (auto mark = parser.TakeProgressMark()) end.progress_mark = std::move(mark);
  };
  std::size_t at = 0;
  for (std::size_t cut : cuts) {
    if (at >= output.size() || end.verdict == Verdict::kEnd) break;
    end.verdict = parser.Feed(output.substr(at, cut));
    at += cut;
    collect();
  }
  if (end.verdict == Verdict::kContinue && at < output.size()) {
    end.verdict = parser.Feed(output.substr(at));
    collect();
  }
  if (end.verdict == Verdict::kContinue) {
    end.verdict = parser.Finish();
    collect();
  }
  end.error_seen = parser.error_seen();
  end.error_line = parser.error_line();
  end.adjustments = parser.adjustments();
  end.duration_seconds = parser.duration_seconds();
  end.transcript = parser.TakeTranscript();
  return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= vidloom::LineSplitter::kMaxCarry) return 0;
  FuzzedDataProvider input(data, size);
  const auto flags = input.ConsumeIntegral<std::uint8_t>();
  const OutputParser::Options options{.thumbnail_run = (flags & 1) != 0,
                                      .cda_input = (flags & 2) != 0};
  std::minstd_rand cutter(input.ConsumeIntegral<std::uint32_t>());
  const std::string output = input.ConsumeRemainingBytesAsString();

  std::vector<std::size_t> pieces;
  for (std::size_t total = 0; total < output.size(); total += pieces.back()) {
    // Mostly short reads, now and then a long one.
    pieces.push_back(cutter() % 8 == 0 ? 1 + cutter() % 512 : 1 + cutter() % 16);
  }
  const RunEnd whole = Run(output, options, {});
  FUZZ_CHECK(Run(output, options, pieces).Fields() == whole.Fields());
  FUZZ_CHECK(Run(output, options, std::vector<std::size_t>(output.size(), 1)).Fields() ==
             whole.Fields());
  return 0;
}
