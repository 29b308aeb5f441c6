// The flags, counters and texts through which the batch worker, the encoder runner, its stall
// watchdog and the window's handlers co-operate. One instance per program. Flags are atomic:
// each is written by one side and polled by the other. CurrentFrames is exchanged whole.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

namespace vidloom {

struct ConversionState {
  std::atomic<bool> Converting{false};
  std::atomic<bool> StopRequested{false};
  std::atomic<bool> AbortRun{false};
  std::atomic<bool> RetryNeeded{false};
  std::atomic<bool> RetryRun{false};
  std::atomic<bool> ThumbnailWanted{false};
  std::atomic<bool> ThumbnailRun{false};
  std::atomic<bool> StallDetected{false};
  // The run's output reports no frame counts (an audio output): the stall watchdog compares
  // the progress time and size instead (set by the runner at run start).
  std::atomic<bool> StallWatchesProgress{false};
  std::atomic<int> JobsStarted{0};
  std::atomic<int> CurrentRow{0};
  std::atomic<int> StallTicks{0};

  // Written and read by the batch worker (and by code it runs through UiThread::Call).
  std::string OutputExtension;
  std::string OutputPath;

  // The watchdog's copy of the row's "Frames" cell at its previous tick (UI thread only).
  std::string PreviousFrames;

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

}  // namespace vidloom
