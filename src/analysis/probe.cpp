#include "analysis/probe.h"

#include <memory>

#include "media/local_input.h"
#include "platform/command_line.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "platform/line_splitter.h"
#include "platform/process.h"

namespace vidloom::analysis {
namespace {

// Text after the first occurrence of `marker`, or nullopt when `text` lacks it.
std::optional<std::string_view> After(std::string_view text, std::string_view marker) {
  const auto at = text.find(marker);
  if (at == std::string_view::npos) return std::nullopt;
  return text.substr(at + marker.size());
}

// Characters [from, from + count) of `text`; characters beyond its end are simply missing.
std::string_view Chars(std::string_view text, std::size_t from, std::size_t count) {
  if (from >= text.size()) return {};
  return text.substr(from, count);
}

// The text after the first comma and the blank that follows it; empty without a comma.
std::string_view AfterField(std::string_view text) {
  const auto comma = text.find(',');
  if (comma == std::string_view::npos) return {};
  return Chars(text, comma + 2, std::string_view::npos);
}

void ParseVideoLine(std::string_view line, ProbeValues& values) {
  std::string_view rest = After(line, "Video: ").value_or(std::string_view());
  rest = AfterField(rest);  // drop the codec

  const auto comma = rest.find(',');
  const std::string_view size_field = rest.substr(0, comma);
  rest = AfterField(rest);

  const auto x = size_field.find('x');
  std::string_view width, height;
  if (x != std::string_view::npos) {
    width = size_field.substr(0, x);
    height = size_field.substr(x + 1);
  }
  if (width.empty() || height.empty()) {
    values.FrameSize = "0 x 0";
  } else {
    values.FrameSize = std::string(width) + " x " + std::string(height);
  }

  // The number ends with the blank before "fps".
  const auto fps = rest.find("fps");
  std::string_view rate;
  if (fps != std::string_view::npos && fps >= 1) rate = rest.substr(0, fps - 1);
  const auto dot = rate.find('.');
  if (dot != std::string_view::npos && Chars(rate, dot + 1, 2) == "00") rate = rate.substr(0, dot);
  values.FrameRate = std::string(rate);

  // "..., 25.00 fps, display 768x576": the shown size, when the encoder names it.
  values.DisplaySize.clear();
  if (const auto display = After(rest, "display ")) {
    const std::string_view size = display->substr(0, display->find_first_of(", "));
    const auto dx = size.find('x');
    if (dx != std::string_view::npos && dx > 0 && dx + 1 < size.size()) {
      values.DisplaySize =
          std::string(size.substr(0, dx)) + " x " + std::string(size.substr(dx + 1));
    }
  }
}

}  // namespace

std::vector<std::string> SplitProbeLines(std::string_view answer) {
  std::vector<std::string> lines;
  platform::LineSplitter splitter(platform::LineSplitter::EmptyLines::kKeep);
  auto keep = [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  };
  splitter.Feed(answer, keep);
  splitter.Finish(keep);
  return lines;
}

bool IsInputDescription(std::string_view first_line) {
  return first_line.substr(0, kInputHeader.size()) == kInputHeader;
}

std::optional<bool> JudgeFirstLine(std::string_view answer, bool at_end) {
  const auto line_end = answer.find_first_of("\r\n");
  const std::string_view first = answer.substr(0, line_end);
  if (first.size() >= kInputHeader.size() || line_end != std::string_view::npos ||
      (at_end && !answer.empty())) {
    return IsInputDescription(first);
  }
  return std::nullopt;
}

void ParseProbeOutput(const std::vector<std::string>& lines, ProbeValues& values) {
  values.FrameSize = "0 x 0";
  values.FrameRate = "0";
  values.Duration.clear();
  values.DisplaySize.clear();
  for (const std::string& line : lines) {
    if (const auto duration = After(line, "Duration: ")) {
      if (duration->substr(0, 3) == "N/A") {
        values.Duration = "00:00:00";
        return;
      }
      values.Duration = std::string(Chars(*duration, 0, 2)) + ":" +
                        std::string(Chars(*duration, 3, 2)) + ":" +
                        std::string(Chars(*duration, 6, 2));
    }
    if (line.find("Video:") != std::string::npos) ParseVideoLine(line, values);
  }
}

std::string ProbeCommandLine(const std::string& encoder_path, const std::string& input_path,
                             ProbeMode mode) {
  std::string input = mode == ProbeMode::Prefixed ? std::string(kAlternateInputPrefix) : "";
  input += input_path;
  return "\"" + platform::QuoteArgumentBody(encoder_path) + "\" -@ -y  -i \"" +
         platform::QuoteArgumentBody(input) + "\"";
}

namespace {

// One probe's encoder: its answer collected while the UI thread is pumped, ended on a rejected
// first line, a full answer, a cancel or the deadline.
class ProbeRun {
 public:
  ProbeRun(const ProbeOptions& options, std::unique_ptr<platform::ChildProcess> child)
      : options_(options),
        clock_(options.clock ? *options.clock : platform::SystemClock()),
        deadline_(clock_.NowMs() + options.timeout_ms),
        slice_ms_(options.pump_interval_ms > 0 ? options.pump_interval_ms : 50),
        child_(std::move(child)) {}

  // Reads until the pipe ends or the probe must end; then waits for the encoder's exit.
  void Collect() {
    const bool ended = ReadAnswer();
    Judge(/*at_end=*/true);
    if (ended && !rejected_) AwaitExit();
  }

  const std::string& answer() const { return answer_; }
  bool rejected() const { return rejected_; }
  bool cancelled() const { return cancelled_; }
  bool timed_out() const { return timed_out_; }

 private:
  void Pump() {
    if (options_.pump) options_.pump();
  }
  bool CancelAsked() const { return options_.cancel && options_.cancel->load(); }
  void EndChild() {
    child_->Terminate();
    child_->Wait();
  }
  void Judge(bool at_end) {
    if (judged_) return;
    if (const auto described = JudgeFirstLine(answer_, at_end)) {
      judged_ = true;
      rejected_ = !*described;
    }
  }
  // Returns true when the pipe reached its end (or a read failed), false when the probe ended
  // the encoder.
  bool ReadAnswer() {
    char buffer[16 * 1024];
    for (;;) {
      Pump();
      if (CancelAsked()) {
        cancelled_ = true;
        EndChild();
        return false;
      }
      const long n = child_->Read(buffer, sizeof buffer, slice_ms_);
      if (n > 0) {
        for (long i = 0; i < n && answer_.size() < options_.max_answer_bytes; ++i) {
          if (buffer[i] != '\0') answer_.push_back(buffer[i]);
        }
        Judge(/*at_end=*/false);
        if (rejected_ || answer_.size() >= options_.max_answer_bytes) {
          EndChild();
          return false;
        }
        continue;
      }
      if (n != platform::ChildProcess::kTimedOut) return true;
      if (clock_.NowMs() >= deadline_) {
        timed_out_ = true;
        EndChild();
        return false;
      }
    }
  }
  // The encoder has closed its output; it has until the deadline to end, then it is ended.
  void AwaitExit() {
    while (!child_->WaitFor(slice_ms_)) {
      if (CancelAsked()) {
        cancelled_ = true;
        EndChild();
        return;
      }
      if (clock_.NowMs() >= deadline_) {
        timed_out_ = true;
        EndChild();
        return;
      }
      Pump();
    }
  }

  const ProbeOptions& options_;
  platform::Clock& clock_;
  const std::int64_t deadline_;
  const int slice_ms_;
  std::unique_ptr<platform::ChildProcess> child_;
  std::string answer_;
  bool judged_ = false;
  bool rejected_ = false;
  bool cancelled_ = false;
  bool timed_out_ = false;
};

}  // namespace

ProbeResult ProbeFile(const std::string& path, ProbeMode mode, const ProbeOptions& options) {
  ProbeResult result;
  result.values.Path = path;
  if (options.pump) options.pump();
  if (options.cancel && options.cancel->load()) {
    result.outcome = ProbeOutcome::Cancelled;
    return result;
  }
  // A pipe, a device, a socket or a directory is refused before anything opens it; the other
  // way of opening it would not help.
  if (const auto why = media::NotRegularFileReason(path)) {
    result.outcome = ProbeOutcome::Rejected;
    result.lines = {"Error while opening file: " + *why};
    return result;
  }
  const std::string encoder = options.encoder_path.empty()
                                  ? platform::ProgramDirectory() + platform::kEncoderFileName
                                  : options.encoder_path;
  auto child = platform::ChildProcess::Start(ProbeCommandLine(encoder, path, mode),
                                             platform::ProgramDirectory());
  if (!child) return result;  // NotStarted

  ProbeRun run(options, std::move(child));
  run.Collect();
  result.timed_out = run.timed_out();
  result.lines = SplitProbeLines(run.answer());
  if (run.cancelled()) {
    result.outcome = ProbeOutcome::Cancelled;
    return result;
  }
  if (run.rejected()) {
    result.outcome = ProbeOutcome::Rejected;
    result.RetryWithPrefix = true;
    return result;
  }
  ParseProbeOutput(result.lines, result.values);
  result.outcome = ProbeOutcome::Described;
  return result;
}

}  // namespace vidloom::analysis
