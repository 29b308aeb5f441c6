// The stall watchdog and the runs it watches. Every run of a batch (one lane or several) has a
// RunWatch: its runner hands it the latest progress reading and its encoder's handle; the one
// watchdog of a window ticks (every 2000 ms, on a timer of the window's) over every run that
// converts now and ends a run's own encoder when its progress stands still. Stop reaches the
// runs' encoders through the same handles: nothing is ever ended by name.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <functional>

#include "platform/process.h"
#include "rows/file_entry.h"

namespace vidloom {

// One run as the watchdog and Stop see it. Made by the runner; the watchdog holds it only
// between Watch and Unwatch.
class RunWatch {
 public:
  // `watches_progress`: the output reports no frame counts (an audio output), so the progress
  // time and size are what must move.
  RunWatch(RowId row, bool watches_progress) : row_(row), watches_progress_(watches_progress) {}
  RunWatch(const RunWatch&) = delete;
  RunWatch& operator=(const RunWatch&) = delete;

  RowId row() const { return row_; }
  bool watches_progress() const { return watches_progress_; }

  // The run's encoder while it runs (null before and after); set by the runner.
  void SetChild(platform::ChildProcess* child);
  // Ends the encoder at once (SIGKILL); false when none runs. Any thread.
  bool EndEncoder();
  // Asks the encoder to finish its output (SIGTERM), once; false when none runs or it was
  // asked before. Any thread.
  bool AskEncoderToEnd();

  // The latest reading for the next tick: written by the runner, read by the tick.
  void SetCurrentFrames(std::string frames);
  std::string CurrentFrames() const;

  // The watchdog ended the encoder.
  std::atomic<bool> StallDetected{false};
  // UI thread only (the tick): consecutive unchanged ticks, and what the last tick saw. The two
  // start texts differ from the runner's start reading ("2"), so a first tick never counts.
  int StallTicks = 0;
  std::string PreviousFrames = "0";

 private:
  const RowId row_;
  const bool watches_progress_;
  mutable std::mutex mutex_;
  platform::ChildProcess* child_ = nullptr;
  bool end_asked_ = false;
  std::string current_frames_ = "2";
};

// The watchdog of one window; its thread (the UI thread) only.
class Watchdog {
 public:
  // Consecutive unchanged ticks after which a run's encoder is ended (8 x 2000 ms = 16 s).
  static constexpr int kStallTicks = 8;

  // `run_timer` switches the window's timer that calls Tick on (a fresh interval) or off;
  // `shown_frames` is the frame count a row shows now.
  Watchdog(std::function<void(bool on)> run_timer,
           std::function<std::string(RowId row)> shown_frames);
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Starts or ends watching a run. The timer runs while any run is watched; switched on, it
  // starts a fresh interval.
  void Watch(RunWatch& run);
  void Unwatch(RunWatch& run);
  int watched() const { return static_cast<int>(runs_.size()); }

  // One tick, for every watched run: a reading equal to the one the tick before saw counts one
  // more unchanged tick, any other starts the count again; at kStallTicks the run's encoder is
  // ended (StallDetected) and the run no longer watched. Then each run's reading for the next
  // tick is noted: its row's "Frames" (trimmed), or for a run that watches its progress the
  // progress reading itself.
  void Tick();

  // Stop: every watched run's encoder is asked to finish its output.
  void AskEncodersToEnd();

 private:
  std::function<void(bool on)> run_timer_;
  std::function<std::string(RowId row)> shown_frames_;
  std::vector<RunWatch*> runs_;
};

}  // namespace vidloom
