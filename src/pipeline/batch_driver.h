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
#include "platform/filesystem.h"

namespace vidloom {

inline constexpr const char* kNoFileText = "There is no file to convert!";
inline constexpr const char* kNothingCheckedText =
    "Please check the checkbox of the file you want to convert!";
inline constexpr const char* kAllDoneText = "All Conversion Jobs Done!";
inline constexpr const char* kStopQuestion = "Stop all the file conversions?";
inline constexpr const char* kThumbnailPanelText = "Creating THM File.....Please Wait";

using platform::LowerExtension;  // the file name's extension, lower-cased, with its dot
// The RealMedia extensions (".rm", ".rmvb", ".ram", ".ra"), whose inputs are first opened by the
// alternate way.
bool IsRealMediaExtension(const std::string& extension);

// The window operations a batch calls; each runs on the UI thread.
struct BatchHooks {
  // Tells the user and answers true when a required file is missing; enables the controls.
  std::function<bool()> CheckRequiredFiles;
  std::function<void()> DisableWorkControls;
  std::function<void()> EnableWorkControls;
  std::function<void()> ArmShutdownCountdown;
  // Where the batch stands (optional): the rows to convert are known, a checked row's turn
  // has come, the batch has ended (whatever way).
  std::function<void()> BatchStarted = {};
  std::function<void(int row)> RowTurn = {};
  std::function<void()> BatchEnded = {};
  // A row's runs are over (optional; after RowTurn, whatever way they ended).
  std::function<void(int row)> RowEnded = {};
};

// Everything a batch reads and writes. All but the runner's conversion state belong to the UI
// thread: the worker reaches them only through a UiHandle<BatchEnv>.
struct BatchEnv {
  RunnerEnv& runner;         // conversion state, the main window's handle, the encoder
  CommandContext& commands;  // command assembly, and the main window it reads
  TForm4& options;           // CheckBoxShutDown, SpinEditFilesAtOnce
  Dialogs& dialogs;
  BatchHooks hooks = {};

  TForm1& form() const { return commands.form; }
};

// The encoder threads of each lane when `lanes` files are converted at once on `processors`
// processors: 0 (the encoder's own choice) for one lane, else an equal share, at least 1.
int EncoderThreadsPerLane(int lanes, int processors);

// Runs one whole batch on the calling (worker) thread and returns when it has ended. With
// options.SpinEditFilesAtOnce above 1 (and as many checked rows), that many lanes convert rows
// side by side, each on a thread of its own: rows start in list order as lanes free up, each
// with its own run state, runner, watchdog, retry and thumbnail; the end steps run once, after
// the last lane.
void RunBatch(BatchEnv& env);

// Stops the batch, on the UI thread, without a question: the stop is requested, our encoders are
// asked to finish their outputs (the runner kills one that does not) and the batch stops at its
// next check.
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
