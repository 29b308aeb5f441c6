// The program's windows and process-wide state put together, with the main window's handlers.
// Both front-ends (the Qt program and vidloom-cli) build one MainWindow over their own UiThread
// and Dialogs; views draw its forms.
#pragma once

#include <string>
#include <vector>

#include "pipeline/batch_driver.h"
#include "pipeline/command_builder.h"
#include "pipeline/conversion_state.h"
#include "pipeline/encoder_runner.h"
#include "profiles/command_slots.h"
#include "profiles/window_state.h"
#include "shell/model/dialogs.h"
#include "shell/model/forms.h"
#include "shell/model/ui_thread.h"
#include "shell/work_controls.h"

namespace vidloom {

struct MainWindowOptions {
  // Where the encoder and the required files lie, with a trailing separator.
  std::string program_directory;
  std::vector<std::string> required_files;
  // How long the full progress bar stays visible after a run (0 without a window).
  std::int64_t end_pause_ms = 260;
};

// The designed output directory: "Converted Video" in the user's home directory.
std::string DefaultOutputDirectory();

class MainWindow {
 public:
  MainWindow(UiThread& ui, Dialogs& dialogs, MainWindowOptions options);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The windows, each created once.
  TForm1 Form1;
  TFormAnalyzingSplash FormAnalyzingSplash;
  TFormAbout FormAbout;
  TForm3 Form3;
  TForm4 Form4;

  // Process-wide state.
  WindowState window;
  ConversionState conversion;
  CommandSlots slots;
  ShutdownState shutdown;

  // The main window's creation steps (selectors, handlers, timers) and its showing.
  void FormCreate();
  void FormShow();

  // "Convert Now !": starts the batch worker; does nothing while a batch runs.
  void ConvertNowButtonClick();
  // "Stop Convert" and the small "Stop".
  void StopConvertButtonClick();
  // Closing is refused while a batch converts or the countdown is armed.
  bool FormCloseQuery() const;

  bool BatchRunning() const { return worker_.Running(); }
  // Waits for a running batch to end while this (UI) thread keeps pumping.
  void WaitForBatch();

  UiThread& ui() { return ui_; }
  Dialogs& dialogs() { return dialogs_; }
  const MainWindowOptions& options() const { return options_; }
  CommandContext& commands() { return commands_; }
  BatchEnv& batch() { return batch_; }

 private:
  UiThread& ui_;
  Dialogs& dialogs_;
  MainWindowOptions options_;
  RunnerEnv runner_;
  CommandContext commands_;
  BatchEnv batch_;
  BatchWorker worker_;
};

}  // namespace vidloom
