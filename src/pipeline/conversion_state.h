// The state through which the window's handlers, the batch worker, the encoder runner and its
// stall watchdog co-operate. One instance per program, and one more per lane of a batch that
// converts several files at once, in three parts, each with one writer:
//   requests  written on the UI thread (Stop, closing the window), read by the worker;
//   run       written by the worker (the batch and the runner), read anywhere;
//   watchdog  written on the UI thread by the watchdog's tick, read by the runner.
// The command build writes the output's path into `run` while the worker waits for it in
// UiThread::Call, so that write is the worker's too.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/process.h"

namespace vidloom {

// What the UI thread asks of the worker.
struct BatchRequests {
  // Stop: no further run starts, the current one ends. Set by Stop; cleared (on the UI thread)
  // when a batch begins and when it has ended.
  std::atomic<bool> StopRequested{false};
};

// What the worker does and has found, run by run.
struct RunState {
  std::atomic<bool> Converting{false};
  std::atomic<bool> AbortRun{false};  // the current run ends because of a stop request
  std::atomic<bool> RetryNeeded{false};
  std::atomic<bool> RetryRun{false};
  std::atomic<bool> ThumbnailWanted{false};
  std::atomic<bool> ThumbnailRun{false};
  // The run's output reports no frame counts (an audio output): the stall watchdog compares
  // the progress time and size instead.
  std::atomic<bool> StallWatchesProgress{false};
  std::atomic<int> JobsStarted{0};
  std::atomic<int> CurrentRow{0};

  // The worker's alone.
  std::string OutputExtension;
  std::string OutputPath;

  // The run's encoder while it runs (set by the runner), so that a lane's watchdog ends this
  // run's encoder and no other lane's.
  void SetChild(platform::ChildProcess* child) {
    std::lock_guard lock(child_mutex_);
    child_ = child;
  }
  // Ends the run's encoder (SIGKILL); false when none runs.
  bool TerminateChild() {
    std::lock_guard lock(child_mutex_);
    return child_ != nullptr && child_->Terminate();
  }

 private:
  std::mutex child_mutex_;
  platform::ChildProcess* child_ = nullptr;
};

// The stall watchdog's view of the run.
struct WatchdogState {
  std::atomic<bool> StallDetected{false};
  std::atomic<int> StallTicks{0};
  // The row's "Frames" cell at the previous tick (UI thread only).
  std::string PreviousFrames;

  // What the runner last parsed, for the next tick: written by the runner, read by the tick.
  void SetCurrentFrames(std::string frames) {
    std::lock_guard lock(frames_mutex_);
    current_frames_ = std::move(frames);
  }
  std::string CurrentFrames() const {
    std::lock_guard lock(frames_mutex_);
    return current_frames_;
  }

 private:
  mutable std::mutex frames_mutex_;
  std::string current_frames_;
};

struct ConversionState {
  ConversionState() = default;
  // A lane's state: the requests are the window's, shared by every lane.
  explicit ConversionState(BatchRequests& shared) : requests(shared) {}
  ConversionState(const ConversionState&) = delete;
  ConversionState& operator=(const ConversionState&) = delete;

 private:
  BatchRequests own_requests_;

 public:
  BatchRequests& requests = own_requests_;
  RunState run;
  WatchdogState watchdog;
};

}  // namespace vidloom
