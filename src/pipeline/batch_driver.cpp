#include "pipeline/batch_driver.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "platform/processors.h"
#include "platform/report_lost.h"

namespace vidloom {

using platform::ReportLost;

namespace {

// Runs the batch end steps exactly once, however the batch is left.
class BatchEndGuard {
 public:
  explicit BatchEndGuard(UiHandle<BatchEnv> window) : window_(window) {}
  ~BatchEndGuard() { Run(); }
  void Run() noexcept;

 private:
  UiHandle<BatchEnv> window_;
  bool done_ = false;
};

void BatchEndGuard::Run() noexcept {
  if (done_) return;
  done_ = true;
  try {
    window_.Call([](BatchEnv& env) {
      env.form.ConvertNowButton.SetEnabled(true);
      env.form.FileList.popup_enabled = true;
      env.form.AddFileButton.SetEnabled(true);
      // Nothing left to stop.
      env.form.StopConvertButton.SetEnabled(false);
      env.form.ButtonStopSmall.SetEnabled(false);
      // A Stop question still open has nothing left to stop: it closes as answered Cancel,
      // before the batch's closing message shows.
      env.dialogs.WithdrawQuestions(env.form);
      env.state.batch.Converting = false;
      if (env.hooks.BatchEnded) env.hooks.BatchEnded();
      if (env.hooks.EnableWorkControls) env.hooks.EnableWorkControls();
      const bool shutdown = env.options.CheckBoxShutDown.checked();
      if (shutdown && !env.state.requests.StopRequested && env.state.batch.JobsStarted != 0 &&
          env.hooks.ArmShutdownCountdown) {
        env.hooks.ArmShutdownCountdown();
      }
      env.state.requests.StopRequested = false;
    });
  } catch (...) {
    // The window is gone or a hook failed: nothing more can be shown there (a stop request
    // left standing is cleared when the next batch begins).
    ReportLost("the end of the batch could not be shown");
  }
}

// What one lane uses: its runner, its command assembly and the claim on its row's output. The
// lanes of a batch share the window, the watchdog and the rows' output names.
struct Lane {
  RunnerEnv runner;
  CommandContext commands;
  platform::OutputClaim claim = {};  // the output of the lane's row, while the row converts
};

// Why a row was not converted when the output directory could not be made.
std::string OutputDirectoryReason(const OutputDirectoryError& error) {
  return "the output directory cannot be created: " + error.directory();
}

// A change of a row's record after a run or at a step of its conversion.
struct RowChange {
  std::optional<RowState> state = {};
  const RunResult* run = nullptr;       // the run that ended: its details and output
  const std::string* reason = nullptr;  // the row's new reason
  // With `run`: what the row's command said of its output name, before the run's own notes.
  const std::vector<std::string>* output_notes = nullptr;
  bool clear_percent = false;
  const std::string* thumbnail = nullptr;  // the thumbnail the run wrote
  bool thumbnail_run = false;              // the run was the thumbnail's
};

// The batch on the worker thread, which it reaches only through its handle.
class Batch {
 public:
  explicit Batch(BatchEnv& env)
      : state_(env.state),
        window_(env.ui, env),
        main_window_(env.ui, env.form),
        watchdog_(env.watchdog),
        program_directory_(env.program_directory),
        end_pause_ms_(env.end_pause_ms),
        display_interval_ms_(env.display_interval_ms) {}

  void Run();

 private:
  // The rows on `lanes` lanes. False when the batch ended early (Stop).
  bool RunLanes(const std::vector<RowId>& rows, int lanes);
  // A row's turn and runs. False when the batch must end now.
  // `starting` is held until the row's first command is made, so that the rows get their
  // output names in list order.
  bool RunRow(Lane& lane, RowId id, std::unique_lock<std::mutex> starting);
  // The command `build` makes for row `id`; its output name becomes the row's own.
  RowCommand Prepare(RowId id, const std::function<RowCommand()>& build);
  void Change(RowId id, const RowChange& change);
  // After a run: the full bar a moment (unless it was stopped), then back to 0, when the lane
  // is the file the window shows.
  void EndPause(const Lane& lane, const RunResult& run);
  void Message(const char* text) {
    window_.Call(
        [text](BatchEnv& env) { env.dialogs.ShowMessage(env.form, kInformationCaption, text); });
  }
  // The checked rows that no lane reached are skipped, for `reason`.
  void MarkRowsNotReached(const std::string& reason);
  void MarkRowsNotReachedQuietly(const std::string& reason) noexcept;

  ConversionState& state_;
  UiHandle<BatchEnv> window_;
  // For the lanes' runners: the main window and its watchdog, reached on the UI thread only.
  UiHandle<MainForm> main_window_;
  Watchdog& watchdog_;
  const std::string program_directory_;
  const std::int64_t end_pause_ms_;
  const std::int64_t display_interval_ms_;
  std::mutex outputs_mutex_;
  OutputOwners owners_;        // under outputs_mutex_: the output names the rows hold
  std::mutex starting_mutex_;  // a row's turn begins under it
};

void Batch::Run() {
  const bool missing = window_.Call([](BatchEnv& env) {
    env.form.ConversionProgress.SetPosition(0);
    env.state.requests.StopRequested = false;
    env.state.batch.Converting = false;
    env.state.batch.JobsStarted = 0;
    return env.hooks.CheckRequiredFiles ? env.hooks.CheckRequiredFiles() : false;
  });
  if (missing) return;

  BatchEndGuard batch_end(window_);
  try {
    const int rows = window_.Call([](BatchEnv& env) { return env.form.FileList.count(); });
    if (rows == 0) {
      Message(kNoFileText);
      return;
    }
    const int checked = window_.Call([](BatchEnv& env) {
      const auto& all = env.form.FileList.rows();
      return static_cast<int>(
          std::count_if(all.begin(), all.end(), [](const FileEntry& e) { return e.checked; }));
    });
    if (checked == 0) {
      Message(kNothingCheckedText);
      return;
    }
    struct Plan {
      std::vector<RowId> rows;
      int lanes;
    };
    const Plan plan = window_.Call([this, checked](BatchEnv& env) {
      Plan made{{}, std::min(env.options.SpinEditFilesAtOnce.value(), checked)};
      ListView& list = env.form.FileList;
      for (int i = 0; i < list.count(); ++i) {
        made.rows.push_back(list.row(i).id);
        // The lanes are not running yet.
        for (const std::string& name : list.row(i).given_outputs) {
          owners_.emplace(platform::PathKey(name), list.row(i).id);
        }
        list.Update(list.row(i).id, [](FileEntry& entry) {
          entry.state = RowState::kWaiting;
          entry.percent.reset();
          entry.reason.clear();
        });
      }
      if (env.hooks.BatchStarted) env.hooks.BatchStarted();
      env.form.ConvertNowButton.SetEnabled(false);
      env.form.AddFileButton.SetEnabled(false);
      env.form.FileList.popup_enabled = false;
      // From here Stop is offered, so it works: the batch counts as converting before its first
      // row starts.
      env.state.batch.Converting = true;
      env.form.StopConvertButton.SetEnabled(true);
      env.form.ButtonStopSmall.SetEnabled(true);
      return made;
    });

    if (!RunLanes(plan.rows, std::max(plan.lanes, 1))) return;
    const bool shutdown =
        window_.Call([](BatchEnv& env) { return env.options.CheckBoxShutDown.checked(); });
    // The batch has ended (controls back, clock stopped, its summary shown) by the time its
    // closing message shows.
    batch_end.Run();
    if (!shutdown) Message(kAllDoneText);
  } catch (const OutputDirectoryError& error) {
    MarkRowsNotReached(OutputDirectoryReason(error));
    batch_end.Run();
    Message(error.what());
  } catch (const std::exception& error) {
    // Any other failure ends the batch; rows not reached keep their cells, and say why.
    MarkRowsNotReachedQuietly(std::string("the batch ended: ") + error.what());
  } catch (...) {
    MarkRowsNotReachedQuietly("the batch ended after an unexpected error");
  }
}

bool Batch::RunLanes(const std::vector<RowId>& rows, int lanes) {
  const int threads = EncoderThreadsPerLane(lanes, platform::ProcessorCount());
  // The hooks are the window's, called on the UI thread as every hook.
  auto file_progress = [window = window_](RowId row, double seconds) {
    window.Call([&](BatchEnv& env) {
      if (env.hooks.FileProgress) env.hooks.FileProgress(row, seconds);
    });
  };
  std::vector<std::unique_ptr<Lane>> pool;
  for (int i = 0; i < lanes; ++i) {
    pool.push_back(
        // Made in place: a lane's claim cannot be moved.
        std::unique_ptr<Lane>(new Lane{.runner = {.window = main_window_,
                                                  .requests = state_.requests,
                                                  .watchdog = watchdog_,
                                                  .working_directory = program_directory_,
                                                  .display_interval_ms = display_interval_ms_,
                                                  .shows_file_progress = lanes == 1,
                                                  .on_progress_time = file_progress},
                                       .commands = {.program_directory = program_directory_,
                                                    .owners = &owners_,
                                                    .encoder_threads = threads}}));
    pool.back()->commands.claim = &pool.back()->claim;
  }

  std::atomic<std::size_t> next_row{0};
  std::atomic<bool> ended{false};    // no lane takes another row
  std::atomic<bool> stopped{false};  // a lane's row ended the batch
  std::mutex failure_mutex;
  std::exception_ptr failure;
  auto work = [&](Lane& lane) {
    while (!ended) {
      // Rows are taken in list order; a row's check box is read when it is taken.
      std::unique_lock starting(starting_mutex_);
      const std::size_t at = next_row.fetch_add(1);
      if (at >= rows.size()) return;
      try {
        if (!RunRow(lane, rows[at], std::move(starting))) stopped = ended = true;
      } catch (...) {
        std::lock_guard lock(failure_mutex);
        if (!failure) failure = std::current_exception();
        ended = true;
      }
    }
  };
  {
    std::vector<std::jthread> others;
    for (std::size_t i = 1; i < pool.size(); ++i) others.emplace_back(work, std::ref(*pool[i]));
    work(*pool.front());
  }

  if (failure) std::rethrow_exception(failure);
  if (!stopped) return true;
  // The rows that no lane reached (and any that a lane took just as the stop came).
  if (state_.requests.StopRequested) MarkRowsNotReached("stopped before its turn");
  return false;
}

RowCommand Batch::Prepare(RowId id, const std::function<RowCommand()>& build) {
  // Under the lock, so that two lanes never choose one name.
  std::lock_guard lock(outputs_mutex_);
  RowCommand run = build();
  if (!run.output_path.empty()) owners_.emplace(platform::PathKey(run.output_path), id);
  return run;
}

void Batch::Change(RowId id, const RowChange& change) {
  window_.Call([&](BatchEnv& env) {
    env.form.FileList.Update(id, [&](FileEntry& entry) {
      if (change.run) {
        AppendDetails(entry, change.run->details);
        entry.output_path = change.run->output_path;
        // An empty file is no output (a claimed name the encoder never wrote to).
        entry.output_written =
            change.run->output_exists && change.run->output_size != std::int64_t{0};
        // The video's run says what it made instead of what was asked.
        if (!change.thumbnail_run) {
          entry.notes = change.output_notes ? *change.output_notes : std::vector<std::string>{};
          entry.notes.insert(entry.notes.end(), change.run->adjustments.begin(),
                             change.run->adjustments.end());
        }
      }
      if (change.reason) entry.reason = *change.reason;
      if (change.thumbnail) entry.thumbnail_path = *change.thumbnail;
      if (change.clear_percent) entry.percent.reset();
      if (change.state) entry.state = *change.state;
    });
  });
}

void Batch::EndPause(const Lane& lane, const RunResult& run) {
  if (run.end == RunEnd::kNotStarted) return;
  const bool bar = lane.runner.shows_file_progress;
  if (bar && run.end != RunEnd::kStopped) {
    window_.Post([](BatchEnv& env) { env.form.ConversionProgress.SetPosition(100); });
  }
  // A Stop cuts the pause short.
  window_.Pause(end_pause_ms_, &state_.requests.StopRequested);
  if (bar) window_.Post([](BatchEnv& env) { env.form.ConversionProgress.SetPosition(0); });
}

void Batch::MarkRowsNotReached(const std::string& reason) {
  window_.Call([&](BatchEnv& env) {
    ListView& list = env.form.FileList;
    for (int i = 0; i < list.count(); ++i) {
      const FileEntry& entry = list.row(i);
      if (!entry.checked || entry.state != RowState::kWaiting) continue;
      list.Update(entry.id, [&](FileEntry& row) {
        row.state = RowState::kSkipped;
        row.reason = reason;
      });
    }
  });
}

void Batch::MarkRowsNotReachedQuietly(const std::string& reason) noexcept {
  try {
    MarkRowsNotReached(reason);
  } catch (...) {
    // The window is gone: the reason goes to the standard error instead.
    ReportLost(reason);
  }
}

bool Batch::RunRow(Lane& lane, RowId id, std::unique_lock<std::mutex> starting) {
  if (state_.requests.StopRequested) return false;
  const std::optional<RowSnapshot> row = window_.Call(
      [id](BatchEnv& env) { return TakeRow(env.form, env.options, env.window_state, id); });
  if (!row) return true;  // the row was removed under the batch: nothing to do
  // Every row's command is made, checked or not: that makes the output directory early. Only
  // a checked row is given a name, and claims it.
  if (!row->checked) {
    CommandContext unclaimed = lane.commands;
    unclaimed.claim = nullptr;
    unclaimed.owners = nullptr;
    BuildFirstCommand(unclaimed, *row);
    return true;
  }
  RowCommand run;
  try {
    run = Prepare(id, [&] { return BuildFirstCommand(lane.commands, *row); });
  } catch (const OutputDirectoryError& error) {
    // The row in hand fails for it; the batch ends, and the rows after it are not reached.
    const std::string reason = OutputDirectoryReason(error);
    Change(id, {.state = RowState::kFailed, .reason = &reason});
    throw;
  }
  starting.unlock();

  window_.Call([id](BatchEnv& env) {
    if (env.hooks.RowTurn) env.hooks.RowTurn(id);
  });
  // However the row's turn ends: the hook hears of it, and a row whose runs were cut short
  // (the batch stopped or failed before its next run) settles by its last run, or is waiting
  // again when none ran.
  struct RowEnd {
    Batch& batch;
    Lane& lane;
    RowId id;
    std::optional<RunJudgement> last = {};
    bool settled = false;
    ~RowEnd() {
      // The output is free for others once the row's runs are over.
      lane.claim.Release();
      try {
        if (!settled) {
          // The reason of the last run comes with the state its row is left in.
          const RowState state = last ? SettledState(last->verdict) : RowState::kWaiting;
          batch.Change(id, {.state = state, .reason = last ? &last->reason : nullptr});
        }
        batch.window_.Call([this](BatchEnv& env) {
          if (env.hooks.RowEnded) env.hooks.RowEnded(id);
        });
      } catch (...) {
        ReportLost("the end of a row could not be shown");
      }
    }
  } row_end{*this, lane, id};
  auto settle = [&](RowState state, const std::string& reason) {
    Change(id, {.state = state, .reason = &reason});
    row_end.settled = true;
  };

  if (!platform::FileExists(row->input)) {
    // Skipped: the row says so rather than keeping an empty cell under "All Conversion Jobs
    // Done!".
    settle(RowState::kFailed, platform::DirectoryExists(row->input)
                                  ? "the input is a directory, not a file"
                                  : "the file no longer exists");
    return true;
  }
  if (platform::IsEmptyFile(row->input)) {
    settle(RowState::kFailed, "the file is empty");
    return true;
  }

  const bool go = window_.Call([&](BatchEnv& env) {
    env.state.batch.Converting = true;
    if (env.hooks.DisableWorkControls) env.hooks.DisableWorkControls();
    ListView& list = env.form.FileList;
    list.ScrollIntoView(list.IndexOf(id));
    if (lane.runner.shows_file_progress) env.form.ConversionProgress.SetPosition(0);
    list.Update(id, [&](FileEntry& entry) {
      entry.state = RowState::kConverting;
      entry.percent.reset();
      entry.output_kb.reset();
      entry.details.clear();
      entry.output_path = run.output_path;
      if (std::find(entry.given_outputs.begin(), entry.given_outputs.end(), run.output_path) ==
          entry.given_outputs.end()) {
        entry.given_outputs.push_back(run.output_path);
      }
      entry.output_written = false;
      entry.thumbnail_path.clear();
      entry.notes = run.notes;
    });
    if (env.state.requests.StopRequested) return false;
    env.state.batch.JobsStarted = 1;
    return true;
  });
  if (!go) return false;

  RunKind kind = RunKind::kMain;
  for (;;) {
    const RunResult result =
        RunEncoder(lane.runner, IsThumbnailRun(kind) ? BuildThumbnailCommand(run) : run.command,
                   RunSpec{.row = id,
                           .kind = kind,
                           .input_path = row->input,
                           .output_path = run.output_path,
                           .audio_output = IsAudioExtension(row->extension)});
    const RunJudgement judged = JudgeRun(result, kind);
    const RowNext next = NextStep(kind, judged.verdict, run.thumbnail_wanted);
    row_end.last = judged;
    // The row's final state when its runs end here; otherwise it shows the run's last progress
    // during the end pause, and the next run's state after it.
    std::optional<RowState> state;
    if (next.step == RowStep::kFinish) state = next.state;
    // A good thumbnail run leaves its picture beside the video.
    std::string thumbnail;
    if (IsThumbnailRun(kind) && judged.verdict == RunVerdict::kSucceeded) {
      thumbnail = ThumbnailPath(run.output_path);
      if (!platform::FileExists(thumbnail)) thumbnail.clear();
    }
    // What the encoder made of an audio bit rate the command could not give it.
    std::vector<std::string> output_notes = run.notes;
    if (auto note = AudioBitRateNote(run.audio_kbps_not_given, result)) {
      output_notes.push_back(std::move(*note));
    }
    Change(id, {.state = state,
                .run = &result,
                .reason = state ? &judged.reason : nullptr,
                .output_notes = &output_notes,
                .thumbnail = thumbnail.empty() ? nullptr : &thumbnail,
                .thumbnail_run = IsThumbnailRun(kind)});
    EndPause(lane, result);
    if (IsThumbnailRun(kind)) {
      window_.Call([](BatchEnv& env) { env.form.Status.SetPanel(2, ""); });
    }
    const bool stop = state_.requests.StopRequested;
    if (state) {
      row_end.settled = true;
      return !stop;
    }
    if (stop) {
      // After Stop no further encoder is started, not even for the thumbnail.
      Change(id, {.state = SettledState(judged.verdict), .reason = &judged.reason});
      row_end.settled = true;
      return false;
    }
    if (next.step == RowStep::kThumbnail) {
      window_.Call([](BatchEnv& env) { env.form.Status.SetPanel(2, kThumbnailPanelText); });
      Change(id, {.state = RowState::kThumbnail, .reason = &judged.reason});
    } else {
      // The failed run's output goes before the retry writes its own, under the same name.
      if (!lane.claim.Truncate() && platform::FileExists(run.output_path)) {
        platform::DeleteFile(run.output_path);
      }
      if (state_.requests.StopRequested) return false;
      const InputMethod method = RetryInputMethod(row->input, FirstInputMethod(row->input));
      std::vector<std::string> notes = std::move(run.notes);
      run = Prepare(
          id, [&] { return BuildEncoderCommand(lane.commands, *row, method, run.output_path); });
      run.notes = std::move(notes);
      Change(id, {.state = RowState::kRetrying, .reason = &judged.reason, .clear_percent = true});
    }
    kind = next.run;
  }
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
  env.state.requests.StopRequested = true;
  env.watchdog.AskEncodersToEnd();
  env.ui.clock().WakeAll();
  env.form.ConversionProgress.SetPosition(0);
}

void StopConvertButtonClick(BatchEnv& env) {
  if (!env.state.batch.Converting) return;
  if (!env.dialogs.ConfirmOkCancel(env.form, kStopQuestion)) return;
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
    env_.ui.Post([] {});
  });
}

void BatchWorker::Join() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

}  // namespace vidloom
