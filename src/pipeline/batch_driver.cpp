#include "pipeline/batch_driver.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/processors.h"
#include "platform/report_lost.h"
#include "platform/text.h"

namespace vidloom {

using platform::ReportLost;

bool IsRealMediaExtension(const std::string& extension) {
  return extension == ".rm" || extension == ".rmvb" || extension == ".ram" || extension == ".ra";
}

namespace {

// Runs the batch end steps exactly once, however the batch is left.
class BatchEndGuard {
 public:
  BatchEndGuard(ConversionState& state, UiHandle<BatchEnv> window)
      : state_(state), window_(window) {}
  ~BatchEndGuard() { Run(); }
  void Run() noexcept;

 private:
  ConversionState& state_;
  UiHandle<BatchEnv> window_;
  bool done_ = false;
};

void BatchEndGuard::Run() noexcept {
  if (done_) return;
  done_ = true;
  ConversionState& state = state_;
  try {
    window_.Call([](BatchEnv& env) {
      TForm1& form = env.form();
      form.ConvertNowButton.SetEnabled(true);
      form.ListView1.popup_enabled = true;
      form.AddFileButton.SetEnabled(true);
    });
    state.run.Converting = false;
    state.run.RetryRun = false;
    state.run.RetryNeeded = false;
    window_.Call([&state](BatchEnv& env) {
      if (env.hooks.BatchEnded) env.hooks.BatchEnded();
      if (env.hooks.EnableWorkControls) env.hooks.EnableWorkControls();
      const bool shutdown = env.options.CheckBoxShutDown.checked();
      if (shutdown && !state.requests.StopRequested && state.run.JobsStarted != 0 &&
          env.hooks.ArmShutdownCountdown) {
        env.hooks.ArmShutdownCountdown();
      }
      state.requests.StopRequested = false;
    });
  } catch (...) {
    // The window is gone or a hook failed: nothing more can be shown there (a stop request
    // left standing is cleared when the next batch begins).
    ReportLost("the end of the batch could not be shown");
  }
}

// What the runs of one row use: a lane's run state, runner and command assembly. A batch of
// one lane uses the window's own; each lane of several has its own (Lane).
struct LaneView {
  ConversionState& state;
  RunnerEnv& runner;
  CommandContext& commands;
  // The output path the lane writes, kept in the batch's OutputsInUse (null for one lane).
  std::string* reserved = nullptr;
};

// One lane of a batch that converts several rows at once. Made and ended on the UI thread: its
// watchdog timer belongs there.
class Lane {
 public:
  Lane(BatchEnv& env, const OutputsInUse& in_use, int threads)
      : state(env.runner.state.requests),
        runner{.state = state,
               .window = env.runner.window,
               .working_directory = env.runner.working_directory,
               .encoder_name = env.runner.encoder_name,
               .end_pause_ms = env.runner.end_pause_ms,
               .display_interval_ms = env.runner.display_interval_ms,
               .on_progress_time = env.runner.on_progress_time,
               .side_by_side = true,
               .watchdog_timer = &watchdog},
        commands{.form = env.commands.form,
                 .options = env.commands.options,
                 .window = env.commands.window,
                 .conversion = state,
                 .slots = slots,
                 .program_directory = env.commands.program_directory,
                 .dry_run = env.commands.dry_run,
                 .outputs_in_use = &in_use,
                 .encoder_threads = threads},
        ui_(env.runner.window.thread()) {
    TForm1& form = env.form();
    watchdog.SetInterval(form.ConversionCountTimer.interval_ms());
    watchdog.on_timer = [this, &form] { LaneWatchdogTick(state, form, watchdog); };
    ui_.AttachTimer(watchdog);
  }
  ~Lane() { ui_.DetachTimer(watchdog); }
  Lane(const Lane&) = delete;
  Lane& operator=(const Lane&) = delete;

  LaneView view() { return {state, runner, commands, &reserved}; }

  ConversionState state;
  CommandSlots slots;
  Timer watchdog;
  RunnerEnv runner;
  CommandContext commands;
  std::string reserved;

 private:
  UiThread& ui_;
};

// The batch on the worker thread: the runner (conversion state, the main window's handle) and the
// batch's window through its handle; no reference into the forms.
class Batch {
 public:
  explicit Batch(BatchEnv& env)
      : state_(env.runner.state),
        window_(env.runner.window.For(env)),
        main_{env.runner.state, env.runner, env.commands} {}

  void Run();

 private:
  // The rows one after another in the window's own lane. False when the batch ended early.
  bool RunOneLane(int count);
  // The rows on `lanes` lanes side by side. False when the batch ended early.
  bool RunLanes(int count, int lanes);
  // Returns false when the batch must end now.
  bool RunRow(LaneView lane, int row);
  // The second run of a row whose first asked for it, with the input opened the other way.
  bool Retry(LaneView lane, int row, const std::string& input, const std::string& extension,
             bool alternate);
  void ThumbnailStep(LaneView lane, int row);
  std::string BuildCommand(LaneView lane, bool alternate, bool quicktime, const std::string& input,
                           int row);
  void Message(const char* text) {
    window_.Call([text](BatchEnv& env) { env.dialogs.ShowMessage(kInformationCaption, text); });
  }
  // Gives the checked rows from `first` on that have no outcome yet the reason they were not
  // converted.
  void MarkRowsNotReached(int first, const std::string& reason);
  void MarkRowsNotReachedQuietly(int first, const std::string& reason) noexcept;

  ConversionState& state_;  // the window's: Converting, JobsStarted and the stop request
  UiHandle<BatchEnv> window_;
  LaneView main_;
  OutputsInUse outputs_in_use_;  // UI thread only
};

void Batch::Run() {
  window_.Call([&](BatchEnv& env) {
    env.form().ProgressBar1.SetPosition(0);
    state_.requests.StopRequested = false;
  });
  state_.run.Converting = false;
  state_.run.AbortRun = false;
  state_.run.RetryNeeded = false;
  state_.run.JobsStarted = 0;

  const bool missing = window_.Call([&](BatchEnv& env) {
    return env.hooks.CheckRequiredFiles ? env.hooks.CheckRequiredFiles() : false;
  });
  if (missing) return;

  BatchEndGuard batch_end(state_, window_);
  try {
    const int rows = window_.Call([&](BatchEnv& env) { return env.form().ListView1.count(); });
    if (rows == 0) {
      Message(kNoFileText);
      state_.run.JobsStarted = 0;
      return;
    }
    state_.run.Converting = false;
    const int checked = window_.Call([&](BatchEnv& env) {
      const auto& all = env.form().ListView1.rows();
      return static_cast<int>(
          std::count_if(all.begin(), all.end(), [](const FileEntry& e) { return e.checked; }));
    });
    if (checked == 0) {
      Message(kNothingCheckedText);
      return;
    }
    const int lanes = window_.Call([&](BatchEnv& env) {
      for (int i = 0; i < env.form().ListView1.count(); ++i) {
        env.form().ListView1.SetCell(i, kCellProgress, "");
        env.form().ListView1.SetReason(i, "");
      }
      if (env.hooks.BatchStarted) env.hooks.BatchStarted();
      env.form().ConvertNowButton.SetEnabled(false);
      env.form().AddFileButton.SetEnabled(false);
      env.form().ListView1.popup_enabled = false;
      return std::min(env.options.SpinEditFilesAtOnce.value(), checked);
    });

    const int count = window_.Call([&](BatchEnv& env) { return env.form().ListView1.count(); });
    if (!(lanes > 1 ? RunLanes(count, lanes) : RunOneLane(count))) return;
    if (!window_.Call([&](BatchEnv& env) { return env.options.CheckBoxShutDown.checked(); }))
      Message(kAllDoneText);
  } catch (const OutputDirectoryError& error) {
    MarkRowsNotReached(state_.run.CurrentRow,
                       "the output directory cannot be created: " + error.directory());
    batch_end.Run();
    Message(error.what());
  } catch (const std::exception& error) {
    // Any other failure ends the batch; rows not reached keep their cells, and say why.
    MarkRowsNotReachedQuietly(state_.run.CurrentRow,
                              std::string("the batch ended: ") + error.what());
  } catch (...) {
    MarkRowsNotReachedQuietly(state_.run.CurrentRow, "the batch ended after an unexpected error");
  }
}

bool Batch::RunOneLane(int count) {
  for (int row = 0; row < count; ++row) {
    if (!RunRow(main_, row)) {
      if (state_.requests.StopRequested) MarkRowsNotReached(row + 1, "stopped before its turn");
      return false;
    }
  }
  return true;
}

bool Batch::RunLanes(int count, int lanes) {
  const int threads = EncoderThreadsPerLane(lanes, platform::ProcessorCount());
  std::vector<std::unique_ptr<Lane>> pool = window_.Call([&](BatchEnv& env) {
    std::vector<std::unique_ptr<Lane>> made;
    for (int i = 0; i < lanes; ++i) {
      made.push_back(std::make_unique<Lane>(env, outputs_in_use_, threads));
    }
    return made;
  });

  std::atomic<int> next_row{0};
  std::atomic<bool> ended{false};    // no lane takes another row
  std::atomic<bool> stopped{false};  // a lane's row ended the batch
  std::mutex failure_mutex;
  std::exception_ptr failure;
  int failed_row = 0;
  auto release = [&](Lane& lane) {
    window_.Call([&](BatchEnv&) {
      outputs_in_use_.erase(lane.reserved);
      lane.reserved.clear();
    });
  };
  auto work = [&](Lane& lane) {
    while (!ended) {
      // Rows are taken in list order; a row's check box is read when it is taken.
      const int row = next_row.fetch_add(1);
      if (row >= count) return;
      try {
        const bool go_on = RunRow(lane.view(), row);
        release(lane);
        if (!go_on) stopped = ended = true;
      } catch (...) {
        std::lock_guard lock(failure_mutex);
        if (!failure) {
          failure = std::current_exception();
          failed_row = row;
        }
        ended = true;
        try {
          release(lane);
        } catch (...) {
          // The window is gone; the failure above is what the batch reports.
        }
      }
    }
  };
  {
    std::vector<std::jthread> running;
    for (auto& lane : pool) running.emplace_back(work, std::ref(*lane));
  }
  window_.Call([&](BatchEnv&) { pool.clear(); });

  if (failure) {
    state_.run.CurrentRow = failed_row;
    std::rethrow_exception(failure);
  }
  if (!stopped) return true;
  // The rows that no lane reached (and any that a lane took just as the stop came).
  if (state_.requests.StopRequested) MarkRowsNotReached(0, "stopped before its turn");
  return false;
}

void Batch::MarkRowsNotReached(int first, const std::string& reason) {
  window_.Call([&](BatchEnv& env) {
    for (int i = std::max(first, 0); i < env.form().ListView1.count(); ++i) {
      const FileEntry& entry = env.form().ListView1.row(i);
      if (entry.checked && entry.reason.empty() && entry.cells[kCellProgress] != "Done") {
        env.form().ListView1.SetReason(i, reason);
      }
    }
  });
}

void Batch::MarkRowsNotReachedQuietly(int first, const std::string& reason) noexcept {
  try {
    MarkRowsNotReached(first, reason);
  } catch (...) {
    // The window is gone: the reason goes to the standard error instead.
    ReportLost(reason);
  }
}

std::string Batch::BuildCommand(LaneView lane, bool alternate, bool quicktime,
                                const std::string& input, int row) {
  return window_.Call([&](BatchEnv&) {
    if (lane.reserved) outputs_in_use_.erase(*lane.reserved);
    std::string command = BuildEncoderCommand(lane.commands, alternate, quicktime, input, row);
    if (lane.reserved) {
      *lane.reserved = lane.state.run.OutputPath;
      outputs_in_use_.insert(*lane.reserved);
    }
    return command;
  });
}

bool Batch::RunRow(LaneView lane, int row) {
  struct RowView {
    std::string extension, input;
    bool exists_in_list;
  };
  ConversionState& state = lane.state;
  const bool one_lane = !lane.runner.side_by_side;
  const RowView view = window_.Call([&](BatchEnv& env) {
    if (row >= env.form().ListView1.count()) return RowView{{}, {}, false};
    return RowView{text::LowerAscii(text::Trim(env.form().ListView1.cell(row, kCellOutput))),
                   platform::CaptionPath(env.form().ListView1.row(row).caption), true};
  });
  if (!view.exists_in_list) return true;  // the list shrank under the batch: nothing to do
  state.run.OutputExtension = view.extension;
  state.run.AbortRun = false;
  const std::string& input = view.input;
  bool alternate = false;
  // With several lanes the bar is the batch's.
  if (one_lane) window_.Post([](BatchEnv& env) { env.form().ProgressBar1.SetPosition(0); });
  state.run.RetryRun = false;
  state.run.CurrentRow = row;
  state.run.ThumbnailWanted = false;
  state.run.ThumbnailRun = false;
  if (state_.requests.StopRequested) {
    state.run.Converting = false;
    return false;
  }
  const std::string extension = LowerExtension(input);
  if (IsRealMediaExtension(extension)) alternate = true;

  const std::string command = BuildCommand(lane, alternate, /*quicktime=*/false, input, row);

  // The check box is read now, so ticks changed during the batch count for rows not reached.
  const bool checked = window_.Call([&](BatchEnv& env) {
    return row < env.form().ListView1.count() && env.form().ListView1.row(row).checked;
  });
  if (!checked) return true;
  window_.Call([row](BatchEnv& env) {
    if (env.hooks.RowTurn) env.hooks.RowTurn(row);
  });
  struct RowEnd {
    UiHandle<BatchEnv> window;
    int row;
    ~RowEnd() {
      try {
        window.Call([this](BatchEnv& env) {
          if (env.hooks.RowEnded) env.hooks.RowEnded(row);
        });
      } catch (...) {
        ReportLost("the end of a row could not be shown");
      }
    }
  } row_end{window_, row};
  if (!platform::FileExists(input)) {
    // Skipped: the row says so rather than keeping an empty cell under "All Conversion Jobs
    // Done!".
    const char* reason = platform::DirectoryExists(input) ? "the input is a directory, not a file"
                                                          : "the file no longer exists";
    window_.Call([&](BatchEnv& env) {
      if (row >= env.form().ListView1.count()) return;
      env.form().ListView1.SetCell(row, kCellProgress, "Failed");
      env.form().ListView1.SetReason(row, reason);
    });
    return true;
  }

  state.run.Converting = true;
  state_.run.Converting = true;
  window_.Call([&](BatchEnv& env) {
    if (env.hooks.DisableWorkControls) env.hooks.DisableWorkControls();
    env.form().ListView1.ScrollIntoView(row);
    env.form().ListView1.ClearDetails(row);
    env.form().ListView1.SetOutputSize(row, "");
  });
  if (state_.requests.StopRequested) return false;
  state.run.RetryRun = false;
  state_.run.JobsStarted = 1;
  RunEncoder(lane.runner, command, row);
  // After Stop no further encoder is started, not even for the thumbnail.
  if (state_.requests.StopRequested) return false;
  if (state.run.ThumbnailWanted && !state.run.RetryNeeded) ThumbnailStep(lane, row);
  if (state_.requests.StopRequested) return false;

  if (state.run.RetryNeeded) return Retry(lane, row, input, extension, alternate);
  return true;
}

bool Batch::Retry(LaneView lane, int row, const std::string& input, const std::string& extension,
                  bool alternate) {
  ConversionState& state = lane.state;
  if (platform::FileExists(state.run.OutputPath)) platform::DeleteFile(state.run.OutputPath);
  if (state_.requests.StopRequested) return false;
  // A QuickTime file is opened as such the second time; any other the other way than the first.
  const bool quicktime = extension == ".mov";
  const std::string command = BuildCommand(lane, !quicktime && !alternate, quicktime, input, row);
  window_.Call([&](BatchEnv& env) { env.form().ListView1.SetCell(row, kCellProgress, "Re-scan"); });
  state.run.RetryRun = true;
  RunEncoder(lane.runner, command, row);
  state.run.RetryNeeded = false;
  if (state.run.ThumbnailWanted) ThumbnailStep(lane, row);
  return true;
}

void Batch::ThumbnailStep(LaneView lane, int row) {
  ConversionState& state = lane.state;
  const std::string command =
      window_.Call([&](BatchEnv&) { return BuildThumbnailCommand(lane.commands); });
  state.run.ThumbnailRun = true;
  window_.Call([&](BatchEnv& env) {
    env.form().StatusBar1.SetPanel(2, kThumbnailPanelText);
    env.form().ListView1.SetCell(row, kCellProgress, "THM");
  });
  RunEncoder(lane.runner, command, row);
  state.run.ThumbnailWanted = false;
  window_.Call([&](BatchEnv& env) { env.form().StatusBar1.SetPanel(2, ""); });
}

}  // namespace

int EncoderThreadsPerLane(int lanes, int processors) {
  if (lanes <= 1) return 0;
  return std::max(1, processors / lanes);
}

void RunBatch(BatchEnv& env) {
  Batch(env).Run();
}

void StopBatch(BatchEnv& env) {
  env.runner.state.requests.StopRequested = true;
  platform::RequestEndOfProcessesByName(env.runner.encoder_name);
  env.runner.window.clock().WakeAll();
  env.form().ProgressBar1.SetPosition(0);
}

void StopConvertButtonClick(BatchEnv& env) {
  if (!env.runner.state.run.Converting) return;
  if (!env.dialogs.ConfirmOkCancel(kStopQuestion)) return;
  StopBatch(env);
}

BatchWorker::~BatchWorker() {
  Join();
}

void BatchWorker::Start() {
  std::lock_guard lock(mutex_);
  if (running_) return;
  if (thread_.joinable()) thread_.join();
  running_ = true;
  thread_ = std::thread([this] {
    RunBatch(env_);
    if (on_finished) on_finished();
    running_ = false;
    // A UI loop waiting for the batch's end looks again now.
    env_.runner.window.Post([](TForm1&) {});
  });
}

void BatchWorker::Join() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

}  // namespace vidloom
