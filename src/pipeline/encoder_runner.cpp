#include "pipeline/encoder_runner.h"

#include <memory>
#include <vector>

#include "pipeline/command_builder.h"
#include "pipeline/final_status.h"
#include "pipeline/output_parser.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/report_lost.h"
#include "platform/text.h"

namespace vidloom {
namespace {

// A silent encoder is polled this often, so that Stop and a due window update are seen at once.
constexpr int kPollMs = 50;
// One read takes whatever the pipe holds, up to this much.
constexpr std::size_t kReadSize = 64 * 1024;
// The stall watchdog gives up after this many consecutive unchanged ticks.
constexpr int kStallTicks = 8;
// After Stop the encoder has this long to finish its output before it is killed.
constexpr std::int64_t kStopGraceMs = 1500;

bool ValidRow(const TForm1& form, int row) {
  return row >= 0 && row < form.ListView1.count();
}

// Hands the row's new cell text to the window.
void PostCell(RunnerEnv& env, int row, int cell, std::string text) {
  env.window.Post([row, cell, text = std::move(text)](TForm1& form) mutable {
    if (ValidRow(form, row)) form.ListView1.SetCell(row, cell, std::move(text));
  });
}

void PostBar(RunnerEnv& env, std::int64_t position) {
  if (env.side_by_side) return;
  env.window.Post([position](TForm1& form) { form.ProgressBar1.SetPosition(position); });
}

void PostDisplay(RunnerEnv& env, int row, Display display) {
  if (env.side_by_side) display.bar.reset();
  env.window.Post([&env, row, display = std::move(display)](TForm1& form) mutable {
    if (display.seconds && env.on_progress_time) env.on_progress_time(row, *display.seconds);
    // The size panel is the window's one run's; each row keeps its own size too.
    if (display.size_panel && !env.side_by_side) form.StatusBar1.SetPanel(1, *display.size_panel);
    if (display.bar) form.ProgressBar1.SetPosition(*display.bar);
    if (!ValidRow(form, row)) return;
    if (display.size_panel) form.ListView1.SetOutputSize(row, std::move(*display.size_panel));
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
    const std::int64_t now = env_.window.clock().NowMs();
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

// Hands the latest progress reading to the watchdog: the frame count, or for outputs without
// frame counts the time and size.
void ReportProgress(ConversionState& state, OutputParser& parser) {
  auto frames = parser.TakeCurrentFrames();
  auto mark = parser.TakeProgressMark();
  if (state.run.StallWatchesProgress) {
    if (mark) state.watchdog.SetCurrentFrames(std::move(*mark));
  } else if (frames) {
    state.watchdog.SetCurrentFrames(std::move(*frames));
  }
}

// Reads and examines the output until it ends or the run must end.
LoopEnd ReadOutput(RunnerEnv& env, platform::ChildProcess& child, OutputParser& parser,
                   DisplayCadence& cadence) {
  ConversionState& state = env.state;
  std::vector<char> buffer(kReadSize);
  auto handle = [&](Verdict verdict) {
    ReportProgress(state, parser);
    if (verdict == Verdict::kEndAndKill) {
      if (env.side_by_side) {
        child.Terminate();
      } else {
        platform::KillProcessesByName(env.encoder_name);
      }
    }
    return verdict != Verdict::kContinue;
  };
  try {
    for (;;) {
      if (state.requests.StopRequested) {
        state.run.AbortRun = true;
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
  } catch (const std::exception& error) {
    platform::ReportLost(std::string("the encoder's output could not be handled: ") + error.what());
    return LoopEnd::kError;
  } catch (...) {
    platform::ReportLost("the encoder's output could not be handled");
    return LoopEnd::kError;
  }
}

// Stop: the encoder is asked to finish its output (it closes the container, so that what was
// converted plays) and killed when it has not ended within the grace time. What it still says
// meanwhile is kept for the row's details.
void EndStopped(RunnerEnv& env, platform::ChildProcess& child, OutputParser& parser) {
  parser.KeepOnly();
  child.RequestEnd();
  platform::Clock& clock = env.window.clock();
  const std::int64_t deadline = clock.NowMs() + kStopGraceMs;
  std::vector<char> buffer(4096);
  while (!child.HasExited()) {
    if (clock.NowMs() >= deadline) {
      child.Terminate();
      return;
    }
    const long n = child.Read(buffer.data(), buffer.size(), kPollMs);
    if (n > 0) {
      parser.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    } else if (n != platform::ChildProcess::kTimedOut) {
      child.WaitFor(kPollMs);  // the pipe has ended: only the exit is left to wait for
    }
  }
}

// Makes sure the child has ended and is reaped; returns its exit code. After the normal end of
// its output it is given its time, but Stop still ends it; on Stop it may finish its output
// first; on any other way out it is ended now.
int EndChild(RunnerEnv& env, platform::ChildProcess& child, LoopEnd end, OutputParser& parser) {
  if (end == LoopEnd::kOutputEnded) {
    while (!child.WaitFor(kPollMs)) {
      if (env.state.requests.StopRequested) {
        env.state.run.AbortRun = true;
        EndStopped(env, child, parser);
        break;
      }
    }
  } else if (end == LoopEnd::kAborted) {
    EndStopped(env, child, parser);
  } else if (!child.HasExited()) {
    child.Terminate();
  }
  const int code = child.Wait();
  child.CloseOutput();
  return code;
}

// The row's details for one run: its command line, what the encoder said, how it ended.
std::vector<std::string> RunDetails(const std::string& command, std::vector<std::string> said,
                                    const std::string& ending) {
  std::vector<std::string> lines;
  lines.reserve(said.size() + 2);
  lines.push_back("> " + command);
  for (auto& line : said) lines.push_back(std::move(line));
  if (!ending.empty()) lines.push_back("(" + ending + ")");
  return lines;
}

// The row's details grow by the run; its reason becomes the run's. A thumbnail run gives its
// reason only to a row without one: after a failed video run, that failure is the row's story.
void PostOutcome(RunnerEnv& env, int row, std::string reason, std::vector<std::string> details) {
  const bool thumbnail = env.state.run.ThumbnailRun;
  env.window.Post(
      [row, thumbnail, reason = std::move(reason), details = std::move(details)](TForm1& form) {
        if (!ValidRow(form, row)) return;
        form.ListView1.AppendDetails(row, details);
        if (!thumbnail || form.ListView1.row(row).reason.empty()) {
          form.ListView1.SetReason(row, reason);
        }
      });
}

// What the status rules judge a finished run by.
FinalStatusInput VerdictInput(const ConversionState& state, const OutputParser& parser, LoopEnd end,
                              int exit_code) {
  FinalStatusInput input;
  input.error_seen = parser.error_seen();
  input.retry_needed = parser.retry_needed();
  input.abort_run = state.run.AbortRun;
  input.stall_detected = state.watchdog.StallDetected;
  input.retry_run = state.run.RetryRun;
  input.thumbnail_run = state.run.ThumbnailRun;
  input.size_text = FileSizeText(state.run.OutputPath);
  input.output_exists = platform::FileExists(state.run.OutputPath);
  input.encoder_failed = end == LoopEnd::kError || (end == LoopEnd::kOutputEnded && exit_code != 0);
  input.exit_code = exit_code;
  input.error_line = parser.error_line();
  return input;
}

}  // namespace

void RunEncoder(RunnerEnv& env, const std::string& command, int row) {
  ConversionState& state = env.state;

  // Run-level state. A Stop that came before the run began still ends it.
  state.run.AbortRun = state.requests.StopRequested.load();
  state.run.RetryNeeded = false;
  state.run.StallWatchesProgress = IsAudioOutput(state) && !state.run.ThumbnailRun;
  const std::string input_path = env.window.Call([row](TForm1& form) {
    return ValidRow(form, row) ? form.ListView1.row(row).caption : std::string();
  });

  OutputParser::Options options;
  options.thumbnail_run = state.run.ThumbnailRun;
  options.retry_run = state.run.RetryRun;
  options.cda_input = IsCdaInput(input_path);
  OutputParser parser(options);

  // Start the encoder.
  std::string start_error;
  std::unique_ptr<platform::ChildProcess> child =
      platform::ChildProcess::Start(command, env.working_directory, &start_error);
  const bool started = child != nullptr;
  // The watchdog may end this child while it runs, and never after it is gone.
  state.run.SetChild(child.get());
  struct ChildSlot {
    RunState& run;
    ~ChildSlot() { run.SetChild(nullptr); }
  } child_slot{state.run};
  // The lane's watchdog timer, or the window's.
  auto watchdog_timer = [timer = env.watchdog_timer](TForm1& form) -> Timer& {
    return timer ? *timer : form.ConversionCountTimer;
  };

  if (started) {
    // Arm the watchdog; the two start texts differ so its first tick never counts.
    state.watchdog.SetCurrentFrames("2");
    env.window.Post([&state, watchdog_timer](TForm1& form) {
      state.watchdog.StallDetected = false;
      state.watchdog.StallTicks = 0;
      state.watchdog.PreviousFrames.assign(1, '0');  // (a literal here trips a GCC 12 warning)
      watchdog_timer(form).SetEnabled(true);
    });

    // Read the output.
    DisplayCadence cadence(env, row);
    const LoopEnd end = ReadOutput(env, *child, parser, cadence);

    // The encoder has ended and is reaped.
    const int exit_code = EndChild(env, *child, end, parser);

    // What the output said last, then the status rules. An encoder that ended by itself
    // must have exited 0; one the runner ended after an error of its own did not finish.
    cadence.Offer(parser, /*force=*/true);
    if (state.requests.StopRequested) state.run.AbortRun = true;  // a stop in the last moment
    const FinalStatus status = ApplyFinalStatus(VerdictInput(state, parser, end, exit_code));
    state.run.RetryNeeded = status.retry_needed;
    if (status.cell) PostCell(env, row, kCellProgress, *status.cell);
    PostOutcome(
        env, row, status.reason,
        RunDetails(command, parser.TakeTranscript(),
                   exit_code == 0 ? "the encoder exited with code 0" : EncoderEndText(exit_code)));

    // Keep the full bar visible a moment (a Stop cuts the pause short).
    if (!state.run.AbortRun) PostBar(env, 100);
    env.window.Pause(env.end_pause_ms, &state.requests.StopRequested);
    PostBar(env, 0);
  } else {
    const std::string reason = command.find_first_not_of(' ') == std::string::npos
                                   ? "no output format is selected"
                                   : "the encoder could not be started: " + start_error;
    PostOutcome(env, row, reason, RunDetails(command, {}, reason));
  }

  // No output file: the run failed. An encoder that could not be started failed too, even
  // when an older file lies at the output path.
  if (!started || !platform::FileExists(state.run.OutputPath)) {
    PostCell(env, row, kCellProgress, "Failed");
  }

  // Disarm the watchdog. Waiting for the UI thread here also means that the window shows the
  // run's outcome when this returns.
  env.window.Call([&state, watchdog_timer](TForm1& form) {
    watchdog_timer(form).SetEnabled(false);
    state.watchdog.StallDetected = false;
  });
  state.run.ThumbnailRun = false;
}

namespace {

// One tick: `end_encoder` ends the stalled encoder.
template <class EndEncoder>
void WatchdogTick(ConversionState& state, TForm1& form, Timer& timer, EndEncoder end_encoder) {
  const std::string current = state.watchdog.CurrentFrames();
  if (current == state.watchdog.PreviousFrames) {
    ++state.watchdog.StallTicks;
  } else {
    state.watchdog.StallTicks = 0;
  }
  if (state.watchdog.StallTicks == kStallTicks) {
    state.watchdog.StallDetected = true;
    end_encoder();
    timer.SetEnabled(false);
  }
  const int row = state.run.CurrentRow;
  if (state.run.StallWatchesProgress) {
    // No frame counts: the progress time and size seen at this tick are what must move.
    state.watchdog.PreviousFrames = current;
  } else {
    state.watchdog.PreviousFrames =
        ValidRow(form, row) ? std::string(text::Trim(form.ListView1.cell(row, kCellFrames))) : "";
  }
}

}  // namespace

void ConversionCountTimerTimer(ConversionState& state, TForm1& form,
                               const std::string& encoder_name) {
  WatchdogTick(state, form, form.ConversionCountTimer,
               [&encoder_name] { platform::KillProcessesByName(encoder_name); });
}

void LaneWatchdogTick(ConversionState& state, TForm1& form, Timer& timer) {
  WatchdogTick(state, form, timer, [&state] { state.run.TerminateChild(); });
}

void AttachWatchdog(UiThread& ui, TForm1& form, ConversionState& state, std::string encoder_name) {
  form.ConversionCountTimer.on_timer = [&state, &form, name = std::move(encoder_name)] {
    ConversionCountTimerTimer(state, form, name);
  };
  ui.AttachTimer(form.ConversionCountTimer);
}

}  // namespace vidloom
