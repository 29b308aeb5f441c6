#include "pipeline/encoder_runner.h"

#include <memory>
#include <thread>
#include <vector>

#include "pipeline/output_parser.h"
#include "platform/exit_status.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/report_lost.h"
#include "texts/language.h"

namespace vidloom {
namespace {

// A silent encoder is polled this often, so that Stop and a due window update are seen at once.
constexpr int kPollMs = 50;
// One read takes whatever the pipe holds, up to this much.
constexpr std::size_t kReadSize = 64 * 1024;
// The real time an encoder is first given to exit after its error line.
constexpr int kOwnExitMs = 200;

// Sends the pending display changes when the display interval has passed since the last ones
// (or always, when `force` is set).
class DisplayCadence {
 public:
  DisplayCadence(RunnerEnv& env, RowId row) : env_(env), row_(row) {}

  void Offer(OutputParser& parser, bool force = false) {
    if (!parser.has_pending()) return;
    const std::int64_t now = env_.clock.NowMs();
    if (!force && sent_ && now - last_sent_ms_ < env_.display_interval_ms) return;
    env_.sink.RunProgress(row_, parser.TakeDisplay(), env_.shows_file_progress);
    last_sent_ms_ = now;
    sent_ = true;
  }

 private:
  RunnerEnv& env_;
  RowId row_;
  bool sent_ = false;
  std::int64_t last_sent_ms_ = 0;
};

enum class LoopEnd { kOutputEnded, kVerdict, kStopped, kError };

// Hands the latest progress reading to the watchdog: the frame count, or for outputs without
// frame counts the time and size.
void ReportProgress(RunWatch& watch, OutputParser& parser) {
  auto frames = parser.TakeCurrentFrames();
  auto mark = parser.TakeProgressMark();
  if (watch.watches_progress()) {
    if (mark) watch.SetCurrentFrames(std::move(*mark));
  } else if (frames) {
    watch.SetCurrentFrames(std::move(*frames));
  }
}

// Reads and examines the output until it ends or the run must end. `why` gets what went wrong
// on kError.
LoopEnd ReadOutput(RunnerEnv& env, platform::ChildProcess& child, OutputParser& parser,
                   DisplayCadence& cadence, RunWatch& watch, std::string& why) {
  std::vector<char> buffer(kReadSize);
  auto handle = [&](Verdict verdict) {
    ReportProgress(watch, parser);
    return verdict != Verdict::kContinue;
  };
  try {
    for (;;) {
      if (env.requests.StopRequested) return LoopEnd::kStopped;
      const long n = child.Read(buffer.data(), buffer.size(), kPollMs);
      if (n == platform::ChildProcess::kReadError) {
        why = texts::Tr("the pipe could not be read");
        return LoopEnd::kError;
      }
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
    why = error.what();
  } catch (...) {
    why = texts::Tr("an unexpected error");
  }
  return LoopEnd::kError;
}

// Stop: the encoder is asked to finish its output (it closes the container, so that what was
// converted plays) and ended when it has not within the grace time. What it still says
// meanwhile is kept for the row's details.
void EndStopped(RunnerEnv& env, platform::ChildProcess& child, OutputParser& parser,
                RunWatch& watch) {
  parser.KeepOnly();
  watch.AskEncoderToEnd();
  platform::Clock& clock = env.clock;
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

// After an error line: gives the encoder time to end by itself (it normally exits within
// milliseconds, with its own code): kOwnExitMs of real time, then kErrorGraceMs on the window's
// clock. True when it did; false when it still runs (or Stop came meanwhile). During the second
// part a helper thread watches the exit in real time and wakes the clock, so that the wait ends
// as soon as the encoder has, whatever clock the window runs on.
bool AwaitOwnEnd(RunnerEnv& env, platform::ChildProcess& child) {
  if (child.WaitFor(kOwnExitMs)) return true;
  platform::Clock& clock = env.clock;
  std::atomic<bool> settled{false};
  std::atomic<bool> give_up{false};
  std::thread watcher([&] {
    while (!give_up && !env.requests.StopRequested && !child.WaitFor(kPollMs)) {
    }
    settled = true;
    clock.WakeAll();
  });
  clock.SleepUntil(clock.NowMs() + kErrorGraceMs, &settled);
  give_up = true;
  watcher.join();
  return child.HasExited();
}

// How the encoder's process ended.
struct ChildEnd {
  int exit_code = -1;
  bool ended_by_us = false;  // after its error line, the runner had to end it
};

// Makes sure the child has ended and is reaped. After the normal end of its output it is given
// its time, but Stop still ends it; on Stop it may finish its output first; after an error
// line it may end by itself first; after a failure of the runner's own it is ended at once.
ChildEnd EndChild(RunnerEnv& env, platform::ChildProcess& child, LoopEnd end, OutputParser& parser,
                  RunWatch& watch) {
  ChildEnd ended;
  switch (end) {
    case LoopEnd::kOutputEnded:
      while (!child.WaitFor(kPollMs)) {
        if (env.requests.StopRequested) {
          EndStopped(env, child, parser, watch);
          break;
        }
      }
      break;
    case LoopEnd::kStopped:
      EndStopped(env, child, parser, watch);
      break;
    case LoopEnd::kVerdict:
      parser.KeepOnly();
      if (!AwaitOwnEnd(env, child)) {
        child.Terminate();
        ended.ended_by_us = !env.requests.StopRequested;
      }
      break;
    case LoopEnd::kError:
      child.Terminate();
      break;
  }
  ended.exit_code = child.Wait();
  child.CloseOutput();
  return ended;
}

// How the run ended, in order of what counts most: a stop (which also ends a run that was just
// finishing), the watchdog, the runner's own failure, the encoder's error line, a signal that
// was not ours, its exit code.
RunEnd EndOf(bool stopped, const RunWatch& watch, LoopEnd end, const OutputParser& parser,
             const ChildEnd& child) {
  if (watch.StallDetected) return RunEnd::kStalled;
  if (stopped) return RunEnd::kStopped;
  if (end == LoopEnd::kError) return RunEnd::kUnreadable;
  if (parser.error_seen()) {
    return child.ended_by_us ? RunEnd::kEndedOnErrorLine : RunEnd::kEncoderError;
  }
  if (platform::AbnormalEnd(child.exit_code)) return RunEnd::kKilled;
  return child.exit_code == 0 ? RunEnd::kCompleted : RunEnd::kEncoderError;
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

std::string EndingText(const RunResult& result) {
  if (result.end == RunEnd::kEndedOnErrorLine)
    return texts::Tr("the encoder was ended after its error line");
  if (result.exit_code == 0) return texts::Tr("the encoder exited with code 0");
  return EncoderEndText(result.exit_code);
}

void NoteOutput(RunResult& result) {
  result.output_exists = platform::FileExists(result.output_path);
  if (result.output_exists) {
    if (const auto size = platform::FileSize(result.output_path)) {
      result.output_size = static_cast<std::int64_t>(*size);
    }
  }
}

}  // namespace

RunResult RunEncoder(RunnerEnv& env, const std::string& command, const RunSpec& run) {
  RunResult result;
  result.output_path = run.output_path;
  // A stop that came before the run began still ends it.
  bool stopped = env.requests.StopRequested;

  std::string start_error;
  std::unique_ptr<platform::ChildProcess> child =
      platform::ChildProcess::Start(command, env.working_directory, &start_error);
  if (!child) {
    result.end = RunEnd::kNotStarted;
    result.why =
        command.find_first_not_of(' ') == std::string::npos
            ? texts::Tr("no output format is selected")
            : texts::Fill(texts::Tr("the encoder could not be started: %s"), {start_error});
    result.details = RunDetails(command, {}, result.why);
    NoteOutput(result);
    return result;
  }

  OutputParser parser(OutputParser::Options{.thumbnail_run = IsThumbnailRun(run.kind),
                                            .cda_input = IsCdaInput(run.input_path)});
  RunWatch watch(run.row, run.audio_output && !IsThumbnailRun(run.kind));
  watch.SetChild(child.get());
  // Whatever way this is left, the watchdog and Stop no longer reach the encoder, and the
  // encoder has ended and is reaped.
  struct Guard {
    RunWatch& watch;
    platform::ChildProcess& child;
    ~Guard() {
      watch.SetChild(nullptr);
      if (!child.HasExited()) {
        child.Terminate();
        child.Wait();
      }
    }
  } guard{watch, *child};

  env.sink.WatchRun(watch);
  struct Unwatch {
    RunnerEnv& env;
    RunWatch& watch;
    ~Unwatch() {
      // The sink shows the run's last progress when the run returns.
      try {
        env.sink.UnwatchRun(watch);
      } catch (...) {
        platform::ReportLost("the end of an encoder run could not be shown");
      }
    }
  } unwatch{env, watch};

  DisplayCadence cadence(env, run.row);
  const LoopEnd end = ReadOutput(env, *child, parser, cadence, watch, result.why);
  if (end == LoopEnd::kStopped) stopped = true;
  const ChildEnd child_end = EndChild(env, *child, end, parser, watch);

  // What the output said last, then how the run ended.
  cadence.Offer(parser, /*force=*/true);
  if (env.requests.StopRequested) stopped = true;  // a stop in the last moment
  result.end = EndOf(stopped, watch, end, parser, child_end);
  result.exit_code = child_end.exit_code;
  result.error_line = parser.error_line();
  result.adjustments = parser.adjustments();
  result.audio_codec = parser.output_audio_codec();
  result.audio_kbps = parser.output_audio_kbps();
  result.details = RunDetails(command, parser.TakeTranscript(), EndingText(result));
  NoteOutput(result);
  return result;
}

}  // namespace vidloom
