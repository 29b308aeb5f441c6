// The batch conversion: every checked row of the file list, top to bottom, converted on a worker
// thread, with the retry through the other input path, PSP thumbnails, Stop, the closing message
// and the shutdown arming.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/command_builder.h"
#include "pipeline/conversion_state.h"
#include "pipeline/encoder_runner.h"
#include "platform/clock.h"
#include "rows/file_entry.h"
#include "texts/language.h"

namespace vidloom {

inline constexpr const char* kNoFileText = N_("There is no file to convert!");
inline constexpr const char* kNothingCheckedText =
    N_("Please check the checkbox of the file you want to convert!");
inline constexpr const char* kAllDoneText = N_("All Conversion Jobs Done!");

// A row of the list as a batch finds it when it begins.
struct PlannedRow {
  RowId id = 0;
  bool checked = false;
  std::vector<std::string> given_outputs = {};  // the output names the row holds
};

// What a batch is to convert: every row of the list, in list order, and how many files it may
// convert at once.
struct BatchPlan {
  std::vector<PlannedRow> rows = {};
  int files_at_once = 1;
};

// A change of a row's record after a run or at a step of its conversion. Unset fields leave the
// record as it is.
struct RowUpdate {
  std::optional<RowState> state = {};
  std::optional<std::string> reason = {};
  // A run that ended: its details, output and what it made instead of what was asked.
  const RunResult* run = nullptr;
  // With `run`: the notes on the output name and bit rate, before the run's own adjustments
  // (kept as they are after a thumbnail's run, which says nothing of the video).
  std::vector<std::string> output_notes = {};
  bool thumbnail_run = false;
  std::optional<std::string> thumbnail = {};  // the thumbnail the run wrote
  bool clear_percent = false;
};

// What a batch tells its window, as it happens. Each call is made on a lane's thread and returns
// once the window has taken it in (the calls of one lane in order); the window shows them on its
// own thread. The batch touches nothing else of the window.
class BatchSink : public RunSink {
 public:
  // The batch begins: false when it cannot (a file the encoder needs is missing: the user has
  // been told). Nothing is converting and no Stop stands when it returns.
  virtual bool Begin() = 0;
  // The list as it stands, and the files at once the options ask for.
  virtual BatchPlan Plan() = 0;
  // The planned rows wait, without a reason; the batch converts from here on (Stop is offered).
  virtual void Started(const BatchPlan& plan) = 0;
  // Row `id` as its commands are made from it: its file and the window's choices now; none when
  // the row has been removed.
  virtual std::optional<RowSnapshot> TakeRow(RowId id) = 0;
  // A checked row's turn has come (it has its output name).
  virtual void RowTurn(RowId id) = 0;
  // The row's first run begins with `run`: it converts, at `run`'s output, with its notes.
  virtual void RowConverting(RowId id, const RowCommand& run, bool file_shown) = 0;
  virtual void RowChanged(RowId id, const RowUpdate& update) = 0;
  // A run has ended: the end pause (the full bar a moment unless it was stopped, then 0, when
  // `file_shown`); returns after it, or at Stop.
  virtual void RunEnded(const RunResult& run, bool file_shown) = 0;
  // The PSP thumbnail is being made (true), or its run is over.
  virtual void MakingThumbnail(bool making) = 0;
  // The row's runs are over, whatever way they ended.
  virtual void RowEnded(RowId id) = 0;
  // The checked rows still waiting are skipped, for `reason`.
  virtual void RowsNotReached(const std::string& reason) = 0;
  // Whether the computer powers off after the batch (then no closing message shows).
  virtual bool PowersOffAfter() = 0;
  // The batch has ended, whatever way: the controls are back and no Stop stands. Once per
  // batch that began.
  virtual void Ended() = 0;
  virtual void Message(const char* text) = 0;
};

// What a batch runs with.
struct BatchEnv {
  BatchSink& sink;
  platform::Clock& clock;  // the window's
  // Stop and the batch's flags, shared with the window (the window writes them).
  ConversionState& state;
  std::string program_directory = {};  // the encoder's, with a trailing separator; it runs there
  std::int64_t display_interval_ms = 360;  // progress readings go out at most this often
};

// The encoder threads of each lane when `lanes` files are converted at once on `processors`
// processors: 0 (the encoder's own choice) for one lane, else an equal share, at least 1.
int EncoderThreadsPerLane(int lanes, int processors);

// Runs one whole batch on the calling (worker) thread and returns when it has ended. The rows
// are converted by N lanes, N the smaller of the plan's files at once and the checked rows: the
// calling thread is the first lane, the others run on threads of their own. Lanes take the rows
// in list order as they free up; each row's runs (main, thumbnail, retry) follow JudgeRun and
// NextStep; the end steps run once, after the last lane. With one lane the window shows the file
// in hand, with several the batch.
void RunBatch(BatchEnv& env);

// The worker that runs batches, one at a time.
class BatchWorker {
 public:
  explicit BatchWorker(BatchEnv& env) : env_(env) {}
  ~BatchWorker();
  BatchWorker(const BatchWorker&) = delete;
  BatchWorker& operator=(const BatchWorker&) = delete;

  // Starts RunBatch on a new thread; does nothing while a batch runs.
  void Start();
  bool Running() const { return running_.load(); }
  // Blocks until the current batch (if any) has ended. Not on the UI thread while a batch
  // needs it, unless the caller pumps.
  void Join();
  // Called on the worker thread when a batch has ended (optional), and once the worker no longer
  // counts as running.
  std::function<void()> on_finished;
  std::function<void()> on_idle;

 private:
  BatchEnv& env_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::mutex mutex_;
};

}  // namespace vidloom
