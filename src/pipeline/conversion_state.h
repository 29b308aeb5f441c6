// What the window and a running batch share. One instance per main window, in two parts, each
// with one writer:
//   requests  written on the UI thread by Stop (and cleared there when a batch begins and ends),
//             read by the batch's lanes and runners;
//   batch     written on the UI thread, in the batch's own tasks (a row's turn, the batch's start
//             and end), read anywhere: the Stop handler, the close query and the folder button.
// A run's own state (its kind, its encoder, its verdict) is not shared: the runner returns it
// as a RunResult, and the watchdog sees a run through its RunWatch.
#pragma once

#include <atomic>

namespace vidloom {

struct BatchRequests {
  // Stop: no further run starts, the running ones end. Set by Stop; cleared when a batch begins
  // and as the last step of its end.
  std::atomic<bool> StopRequested{false};
};

struct BatchStatus {
  // An encoder run of a checked row has begun and the batch has not ended.
  std::atomic<bool> Converting{false};
  // At least one encoder run was started in this batch (0 or 1).
  std::atomic<int> JobsStarted{0};
};

struct ConversionState {
  BatchRequests requests;
  BatchStatus batch;
};

}  // namespace vidloom
