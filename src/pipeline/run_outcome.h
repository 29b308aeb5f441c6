// How one run of the encoder ended (RunResult, the runner's answer), what that means for its
// row (JudgeRun) and which run comes next (NextStep). The two judgements are pure functions:
// the whole retry-and-thumbnail flow of a row is decided here and nowhere else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rows/file_entry.h"

namespace vidloom {

// The runs a row may have: the main run, then the thumbnail run (PSP formats) or the retry with
// the input opened the other way, and the thumbnail after a good retry.
enum class RunKind { kMain, kMainThumbnail, kRetry, kRetryThumbnail };
inline bool IsRetryRun(RunKind kind) {
  return kind == RunKind::kRetry || kind == RunKind::kRetryThumbnail;
}
inline bool IsThumbnailRun(RunKind kind) {
  return kind == RunKind::kMainThumbnail || kind == RunKind::kRetryThumbnail;
}

enum class RunEnd {
  kCompleted,         // the encoder ended by itself with exit code 0 and no error line
  kEncoderError,      // it wrote an error line, or ended with another exit code, by itself
  kEndedOnErrorLine,  // it wrote an error line and did not end: the runner ended it
  kStopped,           // the user's Stop ended the run (the encoder was asked to finish first)
  kStalled,           // the watchdog ended it: its progress stood still for 16 seconds
  kKilled,            // a signal that was not ours ended it (a crash, a kill from outside)
  kNotStarted,        // it could not be started
  kUnreadable,        // the runner could not handle its output and ended it
};

struct RunResult {
  RunEnd end = RunEnd::kNotStarted;
  std::string error_line = {};  // the encoder's error line, as it wrote it (empty: none)
  int exit_code = 0;            // as ChildProcess::Wait gives it: 128 + signal for a signal
  std::string why = {};         // kNotStarted, kUnreadable: what went wrong
  // The file the run was to write (for a thumbnail run, the video's), and what lay there when
  // the run had ended.
  std::string output_path = {};
  bool output_exists = false;
  std::optional<std::int64_t> output_size = {};  // bytes; none when it could not be read
  // What the encoder used instead of what was asked ("48000 Hz: MP3 has no 96000 Hz").
  std::vector<std::string> adjustments = {};
  // The output's audio codec and the bit rate it was encoded at, as the encoder listed them
  // (empty, none: no audio, or not said).
  std::string audio_codec = {};
  std::optional<double> audio_kbps = {};
  // For the row's details: the command line, what the encoder said, how it ended.
  std::vector<std::string> details = {};
};

enum class RunVerdict {
  kSucceeded,  // the run did its work
  kRetry,      // it failed in a way the other way of opening the input may cure
  kFailed,     // it failed; no retry (a retry run, or a failure no retry cures)
  kStopped,    // the user stopped it
};

struct RunJudgement {
  RunVerdict verdict = RunVerdict::kFailed;
  std::string reason = {};  // why it did not succeed, for the user; empty when it did
};

// What the row says when the encoder used another audio bit rate than the one chosen but not
// given to it: "12.2 kbit/s: AMR-NB has no 48 kbit/s". None when the rates agree, when nothing
// was chosen, or when the encoder did not say.
std::optional<std::string> AudioBitRateNote(std::optional<double> chosen_kbps,
                                            const RunResult& run);

// The status rules of a finished run:
//   stalled                 -> retry when the output is empty or missing (first runs), else failed
//   stopped                 -> stopped
//   an error line, another exit code, a foreign signal, unreadable output
//                           -> retry (first runs), else failed
//   could not start         -> failed
//   completed               -> succeeded with an output that is not empty; otherwise retry
//                              (first runs) or failed
// A thumbnail run is judged by the video's output; its reason says it was the thumbnail.
RunJudgement JudgeRun(const RunResult& result, RunKind kind);

enum class RowStep { kThumbnail, kRetry, kFinish };
struct RowNext {
  RowStep step = RowStep::kFinish;
  RunKind run = RunKind::kMain;        // the next run's kind (kThumbnail, kRetry)
  RowState state = RowState::kFailed;  // the row's final state (kFinish)
};

// What follows a run of `kind` with `verdict` in a row whose format wants a thumbnail or not:
// a good main or retry run is followed by its thumbnail (or ends done); a main run or its
// thumbnail that asks for a retry by the retry; anything else ends the row. A stopped run ends
// it aborted.
RowNext NextStep(RunKind kind, RunVerdict verdict, bool thumbnail_wanted);

// The state a row is left in when the batch ends after a run with `verdict` and before the run
// that would follow: done, aborted or failed.
RowState SettledState(RunVerdict verdict);

// "the encoder ended with exit code 3", "the encoder was ended by signal 9 (Killed)".
std::string EncoderEndText(int exit_code);

}  // namespace vidloom
