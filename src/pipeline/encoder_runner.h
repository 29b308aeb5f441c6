// One run of the encoder for one row of the file list: starts it, reads and examines its output,
// shows the progress in the row, and ends it early on an error line, on Stop or when the
// watchdog ends it. It returns how the run ended; what that means for the row is decided by its
// caller (JudgeRun, NextStep).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "pipeline/conversion_state.h"
#include "pipeline/output_parser.h"
#include "pipeline/run_outcome.h"
#include "pipeline/watchdog.h"
#include "platform/clock.h"

namespace vidloom {

// Where a run's progress goes. Called on the runner's thread, in order; whoever shows it
// passes it to its own thread.
class RunSink {
 public:
  virtual ~RunSink() = default;
  // What the run of `row` has reached since its last reading. `file_shown`: the run is the one
  // file the window shows (its percentage is the progress bar, its output size the size panel);
  // false while several files convert, which show the batch.
  virtual void RunProgress(RowId row, const Display& reading, bool file_shown) = 0;
  // The stall watchdog watches `run` from now on, until UnwatchRun. UnwatchRun returns once
  // every reading handed before it is shown.
  virtual void WatchRun(RunWatch& run) = 0;
  virtual void UnwatchRun(RunWatch& run) = 0;
};

// What a run needs around it.
struct RunnerEnv {
  RunSink& sink;
  platform::Clock& clock;              // the waits' clock (the window's)
  const BatchRequests& requests;       // Stop
  std::string working_directory = {};  // the encoder's working directory (the program directory)
  std::int64_t display_interval_ms = 360;  // readings are handed on at most this often
  bool shows_file_progress = true;         // see RunSink::RunProgress
};

// The run in hand.
struct RunSpec {
  RowId row = 0;
  RunKind kind = RunKind::kMain;
  std::string input_path = {};   // a CD track's input shows the duration the encoder finds
  std::string output_path = {};  // the file the run is judged by (the video's, for a thumbnail)
  bool audio_output = false;     // no frame counts: the watchdog watches time and size
};

// After an error line the encoder has a fifth of a second and then this long on the window's
// clock to end by itself before it is ended.
inline constexpr std::int64_t kErrorGraceMs = 1000;
// After Stop the encoder has this long to finish its output before it is ended.
inline constexpr std::int64_t kStopGraceMs = 1500;

// Runs the encoder with `command` on the calling thread (a batch lane, never the UI thread: it
// waits for UI tasks). Reads the output as fast as it comes and examines every line at once; an
// error line ends the run (the encoder is given its time to end by itself, then ended),
// Stop asks the encoder to finish its output (and ends it after kStopGraceMs), the watchdog ends
// it when its progress stands still. Only the run's own encoder is ever signalled. Progress goes
// to the row's record (by its identity) in order, coalesced to the display interval. When it
// returns, the encoder has ended and been reaped, the watchdog no longer watches the run, and the
// sink shows the run's last progress.
RunResult RunEncoder(RunnerEnv& env, const std::string& command, const RunSpec& run);

}  // namespace vidloom
