#include "pipeline/encoder_runner.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "pipeline/final_status.h"
#include "pipeline/output_parser.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace vidloom {
namespace {

// A silent encoder is polled this often, so that Stop and a due window update are seen at once.
constexpr int kPollMs = 50;
// One read takes whatever the pipe holds, up to this much.
constexpr std::size_t kReadSize = 64 * 1024;
// The stall watchdog gives up after this many consecutive unchanged ticks.
constexpr int kStallTicks = 8;

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

bool ValidRow(const TForm1& form, int row) {
  return row >= 0 && row < form.ListView1.count();
}

// Hands the row's new cell text to the window.
void PostCell(RunnerEnv& env, int row, int cell, std::string text) {
  env.ui.Post([&form = env.form, row, cell, text = std::move(text)]() mutable {
    if (ValidRow(form, row)) form.ListView1.SetCell(row, cell, std::move(text));
  });
}

void PostBar(RunnerEnv& env, std::int64_t position) {
  env.ui.Post([&form = env.form, position] { form.ProgressBar1.SetPosition(position); });
}

void PostDisplay(RunnerEnv& env, int row, Display display) {
  env.ui.Post([&form = env.form, row, display = std::move(display)]() mutable {
    if (display.size_panel) form.StatusBar1.SetPanel(1, std::move(*display.size_panel));
    if (display.bar) form.ProgressBar1.SetPosition(*display.bar);
    if (!ValidRow(form, row)) return;
    if (display.frames) form.ListView1.SetCell(row, kCellFrames, std::move(*display.frames));
    if (display.progress) form.ListView1.SetCell(row, kCellProgress, std::move(*display.progress));
    if (display.duration) form.ListView1.SetCell(row, kCellDuration, std::move(*display.duration));
  });
}

// Sends the pending display changes when the display interval has passed since the last ones
// (or always, when `force` is set).
class DisplayCadence {
 public:
  DisplayCadence(RunnerEnv& env, int row) : env_(env), row_(row) {}

  void Offer(OutputParser& parser, bool force = false) {
    if (!parser.has_pending()) return;
    const std::int64_t now = env_.ui.clock().NowMs();
    if (!force && sent_ && now - last_sent_ms_ < env_.display_interval_ms) return;
    PostDisplay(env_, row_, parser.TakeDisplay());
    last_sent_ms_ = now;
    sent_ = true;
  }

 private:
  RunnerEnv& env_;
  int row_;
  bool sent_ = false;
  std::int64_t last_sent_ms_ = 0;
};

enum class LoopEnd { kOutputEnded, kVerdict, kAborted, kError };

// Reads and examines the output until it ends or the run must end (steps 7 to 9).
LoopEnd ReadOutput(RunnerEnv& env, platform::ChildProcess& child, OutputParser& parser,
                   DisplayCadence& cadence) {
  ConversionState& state = env.state;
  std::vector<char> buffer(kReadSize);
  auto handle = [&](Verdict verdict) {
    if (auto frames = parser.TakeCurrentFrames()) state.SetCurrentFrames(std::move(*frames));
    if (verdict == Verdict::kEndAndKill) platform::KillProcessesByName(env.encoder_name);
    return verdict != Verdict::kContinue;
  };
  try {
    for (;;) {
      if (state.AbortRun) {
        platform::KillProcessesByName(env.encoder_name);
        return LoopEnd::kAborted;
      }
      const long n = child.Read(buffer.data(), buffer.size(), kPollMs);
      if (n == platform::ChildProcess::kReadError) return LoopEnd::kError;
      if (n == 0) {
        // Everything written has been read; a last line without a line end counts too.
        return handle(parser.Finish()) ? LoopEnd::kVerdict : LoopEnd::kOutputEnded;
      }
      if (n > 0 && handle(parser.Feed(std::string_view(buffer.data(), n)))) {
        return LoopEnd::kVerdict;
      }
      cadence.Offer(parser);
    }
  } catch (...) {
    return LoopEnd::kError;
  }
}

// Makes sure the child has ended and is reaped. After the normal end of its output it is given
// its time, but Stop still ends it at once; on any other way out it is ended now.
void EndChild(RunnerEnv& env, platform::ChildProcess& child, LoopEnd end) {
  if (end == LoopEnd::kOutputEnded) {
    while (!child.HasExited()) {
      if (env.state.AbortRun) {
        platform::KillProcessesByName(env.encoder_name);
        child.Terminate();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  } else if (!child.HasExited()) {
    child.Terminate();
  }
  child.Wait();
  child.CloseOutput();
}

}  // namespace

void RunEncoder(RunnerEnv& env, const std::string& command, int row) {
  ConversionState& state = env.state;

  // 1. Run-level state. A Stop that came before the run began still ends it.
  state.AbortRun = false;
  if (state.StopRequested) state.AbortRun = true;
  state.RetryNeeded = false;
  state.StallDetected = false;
  const std::string input_path = env.ui.Get([&form = env.form, row] {
    return ValidRow(form, row) ? form.ListView1.row(row).caption : std::string();
  });

  OutputParser::Options options;
  options.thumbnail_run = state.ThumbnailRun;
  options.retry_run = state.RetryRun;
  options.cda_input = IsCdaInput(input_path);
  OutputParser parser(options);

  // 2-5. Start the encoder.
  std::unique_ptr<platform::ChildProcess> child =
      platform::ChildProcess::Start(command, env.working_directory);
  const bool started = child != nullptr;

  if (started) {
    // 6. Arm the watchdog; the two start texts differ so its first tick never counts.
    state.SetCurrentFrames("2");
    env.ui.Post([&state, &form = env.form] {
      state.StallTicks = 0;
      state.PreviousFrames.assign(1, '0');  // (a literal here trips a GCC 12 warning)
      form.ConversionCountTimer.SetEnabled(true);
    });

    // 7-9. Read the output.
    DisplayCadence cadence(env, row);
    const LoopEnd end = ReadOutput(env, *child, parser, cadence);

    // 10. The encoder has ended and is reaped.
    EndChild(env, *child, end);

    // 11. What the output said last, then the status rules.
    cadence.Offer(parser, /*force=*/true);
    FinalStatusInput input;
    input.error_seen = parser.error_seen();
    input.retry_needed = parser.retry_needed();
    input.abort_run = state.AbortRun;
    input.stall_detected = state.StallDetected;
    input.retry_run = state.RetryRun;
    input.size_text = FileSizeText(state.OutputPath);
    input.output_exists = platform::FileExists(state.OutputPath);
    const FinalStatus status = ApplyFinalStatus(input);
    state.RetryNeeded = status.retry_needed;
    if (status.cell) PostCell(env, row, kCellProgress, *status.cell);

    // 12. Keep the full bar visible a moment (a Stop cuts the pause short).
    if (!state.AbortRun) PostBar(env, 100);
    PumpWait(env.ui, env.end_pause_ms, &state.AbortRun);
    PostBar(env, 0);
  }

  // 13. No output file: the run failed. An encoder that could not be started failed too, even
  // when an older file lies at the output path.
  if (!started || !platform::FileExists(state.OutputPath)) {
    PostCell(env, row, kCellProgress, "Failed");
  }

  // 14. Disarm the watchdog. Waiting for the UI thread here also means that the window shows the
  // run's outcome when this returns.
  env.ui.Call([&state, &form = env.form] {
    form.ConversionCountTimer.SetEnabled(false);
    state.StallDetected = false;
    state.ThumbnailRun = false;
  });
}

void ConversionCountTimerTimer(ConversionState& state, TForm1& form,
                               const std::string& encoder_name) {
  if (state.CurrentFrames() == state.PreviousFrames) {
    ++state.StallTicks;
  } else {
    state.StallTicks = 0;
  }
  if (state.StallTicks == kStallTicks) {
    state.StallDetected = true;
    platform::KillProcessesByName(encoder_name);
    form.ConversionCountTimer.SetEnabled(false);
  }
  const int row = state.CurrentRow;
  state.PreviousFrames = ValidRow(form, row) ? Trimmed(form.ListView1.cell(row, kCellFrames)) : "";
}

void AttachWatchdog(UiThread& ui, TForm1& form, ConversionState& state, std::string encoder_name) {
  form.ConversionCountTimer.on_timer = [&state, &form, name = std::move(encoder_name)] {
    ConversionCountTimerTimer(state, form, name);
  };
  ui.AttachTimer(form.ConversionCountTimer);
}

}  // namespace vidloom
