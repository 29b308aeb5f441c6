// The batch conversion: every checked row of the file list, top to bottom, converted on a worker
// thread, with the retry through the other input path, PSP thumbnails, Stop, the closing message
// and the shutdown arming.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "model/dialogs.h"
#include "model/forms.h"
#include "model/ui_thread.h"
#include "pipeline/command_builder.h"
#include "pipeline/conversion_state.h"
#include "pipeline/encoder_runner.h"
#include "pipeline/watchdog.h"
#include "platform/filesystem.h"
#include "profiles/window_state.h"

namespace vidloom {

inline constexpr const char* kNoFileText = "There is no file to convert!";
inline constexpr const char* kNothingCheckedText =
    "Please check the checkbox of the file you want to convert!";
inline constexpr const char* kAllDoneText = "All Conversion Jobs Done!";
inline constexpr const char* kStopQuestion = "Stop all the file conversions?";
inline constexpr const char* kThumbnailPanelText = "Creating THM File.....Please Wait";

// The window operations a batch calls; each runs on the UI thread.
struct BatchHooks {
  // Tells the user and answers true when a required file is missing; enables the controls.
  std::function<bool()> CheckRequiredFiles;
  std::function<void()> DisableWorkControls;
  std::function<void()> EnableWorkControls;
  std::function<void()> ArmShutdownCountdown;
  // Where the batch stands (optional): the rows to convert are known, a checked row's turn
  // has come, its runs are over (after RowTurn, whatever way they ended), the encoder has
  // converted `seconds` of the row's media, the batch has ended (whatever way).
  std::function<void()> BatchStarted = {};
  std::function<void(RowId row)> RowTurn = {};
  std::function<void(RowId row)> RowEnded = {};
  std::function<void(RowId row, double seconds)> FileProgress = {};
  std::function<void()> BatchEnded = {};
};

// Everything a batch reads and writes. All but the conversion state's flags belong to the UI
// thread: the batch reaches them only through tasks on `ui`.
struct BatchEnv {
  UiThread& ui;
  MainForm& form;             // FileList, the selectors, OutputFolder, the buttons, the bar
  OptionsForm& options;       // CheckBoxOverWrite, CheckBoxShutDown, SpinEditFilesAtOnce
  WindowState& window_state;  // ProfileTag, VolumeFactor
  Dialogs& dialogs;
  ConversionState& state;
  Watchdog& watchdog;
  std::string program_directory = {};  // the encoder's, with a trailing separator; it runs there
  std::int64_t end_pause_ms = 260;     // the full bar stays visible this long after a run
  std::int64_t display_interval_ms = 360;  // window updates come at most this often
  BatchHooks hooks = {};
};

// The encoder threads of each lane when `lanes` files are converted at once on `processors`
// processors: 0 (the encoder's own choice) for one lane, else an equal share, at least 1.
int EncoderThreadsPerLane(int lanes, int processors);

// Runs one whole batch on the calling (worker) thread and returns when it has ended. The rows
// are converted by N lanes, N the smaller of options.SpinEditFilesAtOnce and the checked rows:
// the calling thread is the first lane, the others run on threads of their own. Lanes take
// the rows in list order as they free up; each row's runs (main, thumbnail, retry) follow
// JudgeRun and NextStep; the end steps run once, after the last lane. With one lane the
// progress bar and the size panel show the file in hand, with several the batch.
void RunBatch(BatchEnv& env);

// Stops the batch, on the UI thread, without a question: the stop is requested, the encoders of
// the runs in hand are asked to finish their outputs (each runner ends its own when it does
// not) and the batch stops at its next check.
void StopBatch(BatchEnv& env);

// The Stop handler, on the UI thread: when a batch converts and the user confirms, StopBatch.
void StopConvertButtonClick(BatchEnv& env);

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
  // Called on the worker thread when a batch has ended (optional).
  std::function<void()> on_finished;

 private:
  BatchEnv& env_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::mutex mutex_;
};

}  // namespace vidloom
