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
#include "texts/language.h"

namespace vidloom {

using platform::ReportLost;

namespace {

// Runs the batch end steps exactly once, however the batch is left.
class BatchEndGuard {
 public:
  explicit BatchEndGuard(BatchSink& sink) : sink_(sink) {}
  ~BatchEndGuard() { Run(); }
  void Run() noexcept {
    if (done_) return;
    done_ = true;
    try {
      sink_.Ended();
    } catch (...) {
      // The window is gone: nothing more can be shown there (a stop request left standing is
      // cleared when the next batch begins).
      ReportLost("the end of the batch could not be shown");
    }
  }

 private:
  BatchSink& sink_;
  bool done_ = false;
};

// What one lane uses: its runner, its command assembly and the claim on its row's output. The
// lanes of a batch share the window, the watchdog and the rows' output names.
struct Lane {
  RunnerEnv runner;
  CommandContext commands;
  platform::OutputClaim claim = {};  // the output of the lane's row, while the row converts
};

// Why a row was not converted when the output directory could not be made.
std::string OutputDirectoryReason(const OutputDirectoryError& error) {
  return texts::Fill(texts::Tr("the output directory cannot be created: %s"), {error.directory()});
}

// The batch on the worker thread.
class Batch {
 public:
  explicit Batch(BatchEnv& env)
      : sink_(env.sink),
        clock_(env.clock),
        state_(env.state),
        program_directory_(env.program_directory),
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
  // The checked rows that no lane reached are skipped, for `reason`.
  void MarkRowsNotReachedQuietly(const std::string& reason) noexcept;

  BatchSink& sink_;
  platform::Clock& clock_;
  ConversionState& state_;
  const std::string program_directory_;
  const std::int64_t display_interval_ms_;
  std::mutex outputs_mutex_;
  OutputOwners owners_;        // under outputs_mutex_: the output names the rows hold
  std::mutex starting_mutex_;  // a row's turn begins under it
};

void Batch::Run() {
  if (!sink_.Begin()) return;

  BatchEndGuard batch_end(sink_);
  try {
    const BatchPlan plan = sink_.Plan();
    if (plan.rows.empty()) {
      sink_.Message(texts::Tr(kNoFileText));
      return;
    }
    const int checked = static_cast<int>(std::count_if(
        plan.rows.begin(), plan.rows.end(), [](const PlannedRow& row) { return row.checked; }));
    if (checked == 0) {
      sink_.Message(texts::Tr(kNothingCheckedText));
      return;
    }
    std::vector<RowId> rows;
    for (const PlannedRow& row : plan.rows) {
      rows.push_back(row.id);
      // The lanes are not running yet.
      for (const std::string& name : row.given_outputs) {
        owners_.emplace(platform::PathKey(name), row.id);
      }
    }
    sink_.Started(plan);

    if (!RunLanes(rows, std::max(std::min(plan.files_at_once, checked), 1))) return;
    const bool shutdown = sink_.PowersOffAfter();
    // The batch has ended (controls back, clock stopped, its summary shown) by the time its
    // closing message shows.
    batch_end.Run();
    if (!shutdown) sink_.Message(texts::Tr(kAllDoneText));
  } catch (const OutputDirectoryError& error) {
    sink_.RowsNotReached(OutputDirectoryReason(error));
    batch_end.Run();
    sink_.Message(error.what());
  } catch (const std::exception& error) {
    // Any other failure ends the batch; rows not reached keep their cells, and say why.
    MarkRowsNotReachedQuietly(texts::Fill(texts::Tr("the batch ended: %s"), {error.what()}));
  } catch (...) {
    MarkRowsNotReachedQuietly(texts::Tr("the batch ended after an unexpected error"));
  }
}

bool Batch::RunLanes(const std::vector<RowId>& rows, int lanes) {
  const int threads = EncoderThreadsPerLane(lanes, platform::ProcessorCount());
  std::vector<std::unique_ptr<Lane>> pool;
  for (int i = 0; i < lanes; ++i) {
    pool.push_back(
        // Made in place: a lane's claim cannot be moved.
        std::unique_ptr<Lane>(new Lane{.runner = {.sink = sink_,
                                                  .clock = clock_,
                                                  .requests = state_.requests,
                                                  .working_directory = program_directory_,
                                                  .display_interval_ms = display_interval_ms_,
                                                  .shows_file_progress = lanes == 1},
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
  if (state_.requests.StopRequested) sink_.RowsNotReached(texts::Tr("stopped before its turn"));
  return false;
}

RowCommand Batch::Prepare(RowId id, const std::function<RowCommand()>& build) {
  // Under the lock, so that two lanes never choose one name.
  std::lock_guard lock(outputs_mutex_);
  RowCommand run = build();
  if (!run.output_path.empty()) owners_.emplace(platform::PathKey(run.output_path), id);
  return run;
}

void Batch::MarkRowsNotReachedQuietly(const std::string& reason) noexcept {
  try {
    sink_.RowsNotReached(reason);
  } catch (...) {
    // The window is gone: the reason goes to the standard error instead.
    ReportLost(reason);
  }
}

bool Batch::RunRow(Lane& lane, RowId id, std::unique_lock<std::mutex> starting) {
  if (state_.requests.StopRequested) return false;
  const std::optional<RowSnapshot> row = sink_.TakeRow(id);
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
    sink_.RowChanged(id, {.state = RowState::kFailed, .reason = reason});
    throw;
  }
  starting.unlock();

  sink_.RowTurn(id);
  // However the row's turn ends: the window hears of it, and a row whose runs were cut short
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
          RowUpdate update{.state = state};
          if (last) update.reason = last->reason;
          batch.sink_.RowChanged(id, update);
        }
        batch.sink_.RowEnded(id);
      } catch (...) {
        ReportLost("the end of a row could not be shown");
      }
    }
  } row_end{*this, lane, id};
  auto settle = [&](RowState state, const std::string& reason) {
    sink_.RowChanged(id, {.state = state, .reason = reason});
    row_end.settled = true;
  };

  if (!platform::FileExists(row->input)) {
    // Skipped: the row says so rather than keeping an empty cell under "All Conversion Jobs
    // Done!".
    settle(RowState::kFailed, platform::DirectoryExists(row->input)
                                  ? texts::Tr("the input is a directory, not a file")
                                  : texts::Tr("the file no longer exists"));
    return true;
  }
  if (platform::IsEmptyFile(row->input)) {
    settle(RowState::kFailed, texts::Tr("the file is empty"));
    return true;
  }

  sink_.RowConverting(id, run, lane.runner.shows_file_progress);
  if (state_.requests.StopRequested) return false;
  state_.batch.JobsStarted = 1;

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
    RowUpdate update{.state = state, .run = &result, .output_notes = run.notes};
    if (state) update.reason = judged.reason;
    if (auto note = AudioBitRateNote(run.audio_kbps_not_given, result)) {
      update.output_notes.push_back(std::move(*note));
    }
    update.thumbnail_run = IsThumbnailRun(kind);
    if (!thumbnail.empty()) update.thumbnail = thumbnail;
    sink_.RowChanged(id, update);
    sink_.RunEnded(result, lane.runner.shows_file_progress);
    if (IsThumbnailRun(kind)) sink_.MakingThumbnail(false);
    const bool stop = state_.requests.StopRequested;
    if (state) {
      row_end.settled = true;
      return !stop;
    }
    if (stop) {
      // After Stop no further encoder is started, not even for the thumbnail.
      sink_.RowChanged(id, {.state = SettledState(judged.verdict), .reason = judged.reason});
      row_end.settled = true;
      return false;
    }
    if (next.step == RowStep::kThumbnail) {
      sink_.MakingThumbnail(true);
      sink_.RowChanged(id, {.state = RowState::kThumbnail, .reason = judged.reason});
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
      sink_.RowChanged(
          id, {.state = RowState::kRetrying, .reason = judged.reason, .clear_percent = true});
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
    if (on_idle) on_idle();
  });
}

void BatchWorker::Join() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

}  // namespace vidloom
