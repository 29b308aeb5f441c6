// A batch as the window shows it: the batch engine's events turned into the rows' cells, the
// progress bar, the status panels, the end pause and the buttons, on the UI thread. The Qt and
// the Win32 window and vidloom-cli's table and JSON all read the same window model, so they all
// show a batch through this presenter.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "model/dialogs.h"
#include "model/forms.h"
#include "model/main_window_layout.h"
#include "model/ui_thread.h"
#include "pipeline/batch_driver.h"
#include "pipeline/watchdog.h"
#include "profiles/window_state.h"
#include "texts/language.h"

namespace vidloom {

inline constexpr const char* kStopQuestion = N_("Stop all the file conversions?");

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

// The window a batch is shown in. All but the conversion state's flags belong to the UI thread.
struct BatchWindow {
  UiThread& ui;
  MainForm& form;             // FileList, the selectors, OutputFolder, the buttons, the bar
  OptionsForm& options;       // CheckBoxOverWrite, CheckBoxShutDown, SpinEditFilesAtOnce
  WindowState& window_state;  // ProfileTag, VolumeFactor
  Dialogs& dialogs;
  ConversionState& state;
  Watchdog& watchdog;
  std::int64_t end_pause_ms = 260;  // the full bar stays visible this long after a run
  BatchHooks hooks = {};
};

// The stall watchdog of a main window: it ticks on the window's ConversionCountTimer, attached
// to `ui`, and reads the frame counts the rows of the window's list show.
class WindowWatchdog : public Watchdog {
 public:
  WindowWatchdog(UiThread& ui, MainForm& form);
  ~WindowWatchdog();
  WindowWatchdog(const WindowWatchdog&) = delete;
  WindowWatchdog& operator=(const WindowWatchdog&) = delete;

 private:
  UiThread& ui_;
  Timer& timer_;
};

// A run's progress in the window: the row's record, and the bar and the size panel while the run
// is the file the window shows; the run watched by the window's watchdog.
class RunPresenter : public RunSink {
 public:
  // `file_progress` (optional) hears, on the UI thread, how many media seconds of a row the
  // encoder has converted.
  RunPresenter(UiThread& ui, MainForm& form, Watchdog& watchdog,
               std::function<void(RowId row, double seconds)> file_progress = {})
      : form_(ui, form), watchdog_(watchdog), file_progress_(std::move(file_progress)) {}

  void RunProgress(RowId row, const Display& reading, bool file_shown) override;
  void WatchRun(RunWatch& run) override;
  void UnwatchRun(RunWatch& run) override;

 private:
  UiHandle<MainForm> form_;
  Watchdog& watchdog_;
  std::function<void(RowId row, double seconds)> file_progress_;
};

// Shows a batch in `window`. Each event is handed to the UI thread and waited for, but for the
// progress readings, which are queued in order.
class BatchPresenter final : public BatchSink {
 public:
  explicit BatchPresenter(BatchWindow& window);

  bool Begin() override;
  BatchPlan Plan() override;
  void Started(const BatchPlan& plan) override;
  std::optional<RowSnapshot> TakeRow(RowId id) override;
  void RowTurn(RowId id) override;
  void RowConverting(RowId id, const RowCommand& run, bool file_shown) override;
  void RowChanged(RowId id, const RowUpdate& update) override;
  void RunEnded(const RunResult& run, bool file_shown) override;
  void MakingThumbnail(bool making) override;
  void RowEnded(RowId id) override;
  void RowsNotReached(const std::string& reason) override;
  bool PowersOffAfter() override;
  void Ended() override;
  void Message(const char* text) override;

  void RunProgress(RowId row, const Display& reading, bool file_shown) override {
    runs_.RunProgress(row, reading, file_shown);
  }
  void WatchRun(RunWatch& run) override { runs_.WatchRun(run); }
  void UnwatchRun(RunWatch& run) override { runs_.UnwatchRun(run); }

 private:
  UiHandle<BatchWindow> window_;
  const std::atomic<bool>& stop_requested_;
  std::int64_t end_pause_ms_;
  RunPresenter runs_;
};

// Row `id` of form.FileList with the window's choices; nullopt when the row is gone. UI thread.
std::optional<RowSnapshot> TakeRow(const MainForm& form, const OptionsForm& options,
                                   const WindowState& window, RowId id);

// Stops the batch, on the UI thread, without a question: the stop is requested, the encoders of
// the runs in hand are asked to finish their outputs (each runner ends its own when it does
// not) and the batch stops at its next check.
void StopBatch(BatchWindow& window);

// The Stop handler, on the UI thread: when a batch converts and the user confirms, StopBatch.
void StopConvertButtonClick(BatchWindow& window);

}  // namespace vidloom
