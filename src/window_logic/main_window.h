// The program's windows and process-wide state put together, with the main window's handlers.
// Both front-ends (the Qt program and vidloom-cli) build one MainWindow over their own UiThread,
// Dialogs and desktop ports, call Startup() once and then run their loop; views draw its forms
// and call its handlers on the UI thread.
//
//   MainWindowPorts ports;
//   ports.power_off = &power_off;  ports.desktop = &desktop;  ports.folder_chooser = &chooser;
//   ports.quit = [] { QApplication::quit(); };
//   MainWindow window(ui, dialogs, options, ports);
//   window.Startup();                      // creates the windows, loads vazadi.ini, shows
//   main_form view.close_query = [&] { return window.TryClose(); };
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/dialogs.h"
#include "model/forms.h"
#include "model/ui_thread.h"
#include "pipeline/batch_driver.h"
#include "pipeline/command_builder.h"
#include "pipeline/conversion_state.h"
#include "profiles/window_state.h"
#include "settings/settings.h"
#include "window_logic/add_files.h"
#include "window_logic/batch_presenter.h"
#include "window_logic/batch_progress.h"
#include "window_logic/list_keeper.h"
#include "window_logic/ports.h"
#include "window_logic/work_controls.h"

namespace vidloom {

struct MainWindowOptions {
  // Where the encoder, the required files, reg.sh and help.html lie, with a trailing separator.
  // Empty: the directory of the running program.
  std::string program_directory;
  std::vector<std::string> required_files;
  // How long the full progress bar stays visible after a run (0 without a window).
  std::int64_t end_pause_ms = 260;
  // The settings file. Empty: settings::DefaultSettingsPath().
  std::string settings_path;
  // False: the options dialog's creation connects its handlers but reads no settings file (a
  // front-end that never closes the window through TryClose writes none either).
  bool load_settings = true;
  // The window programs keep the file list on disk for a restore after a crash (ListKeeper),
  // in `list_path`; empty: kept_list::kListFileName beside the settings file.
  bool keep_list = false;
  std::string list_path;
  // Adding files: the pauses around each file (0 without a window) and the media-information
  // reader (empty: libavformat's).
  std::int64_t add_files_pause_ms = kWindowPauseMs;
  analysis::VideoInfoReader read_video_info;
};

// The desktop services the window uses. Every pointer may be null: that service does nothing
// (no power-off, no script, no help, no links, a folder chooser that is always cancelled, no
// sleep lock). The objects must outlive the MainWindow.
struct MainWindowPorts {
  PowerOff* power_off = nullptr;
  // Held from "Convert Now !" until the batch has ended, however it ends.
  SleepInhibitor* sleep_inhibitor = nullptr;
  Desktop* desktop = nullptr;
  FolderChooser* folder_chooser = nullptr;
  FileDialog* file_dialog = nullptr;
  // Told when a batch has ended while the main window was not active (not when the countdown
  // takes over).
  Notifier* notifier = nullptr;
  // Whether the main window is the active window (empty: it always is).
  std::function<bool()> window_active;
  // Asks the program's loop to end at once (File > Exit, the countdown's last tick). It must
  // return; the MainWindow is destroyed after the loop has ended.
  std::function<void()> quit;
};

class MainWindow {
 public:
  MainWindow(UiThread& ui, Dialogs& dialogs, MainWindowOptions options, MainWindowPorts ports = {});
  // Stops a running batch (aborting its encoder) and waits for it, pumping the UI thread.
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The windows, each created once.
  MainForm main_form;
  AnalyzingForm analyzing_form;
  AboutForm about_form;
  PowerOffWarningForm warning_form;
  OptionsForm options_form;

  // Process-wide state.
  WindowState window;
  ConversionState conversion;
  ShutdownState shutdown;

  // The program's start: the main window's creation (PrepareMainWindow), then the analysing window,
  // the About box, the warning window and the options dialog (whose creation loads the
  // settings), then the main window is shown (ShowMainWindow). Once per MainWindow; UI thread.
  void Startup();

  // The main window's creation steps: hint time, ProgramDirectory, letterbox list, volume,
  // format list, prompt suppression, drop-down count, caption, timers (both attached to the UI
  // thread, the countdown off), the first format refresh, "Original ", the start-up script.
  // Installs every handler of main_form. Startup() runs it; a second call does nothing.
  void PrepareMainWindow();
  // Showing the main window: the shutdown prompt is no longer suppressed; the format refresh
  // re-applies the (possibly restored) format.
  void ShowMainWindow();

  // The session's start, once the loop runs and the window shows: with keep_list, a list left
  // by a program that did not close properly is offered back (ListKeeper::Start); then the
  // files given on the command line are added after its rows.
  void BeginSession(const std::vector<std::string>& given_files);

  // Closing the main window: refused (silently) while a batch converts or the countdown is
  // armed.
  bool MayClose() const;
  // After an allowed close: writes the settings and drops the kept list (a clean exit). False
  // when the settings could not be written (the user has been told); the window then stays open.
  bool SaveOnClose();
  // The close box: MayClose, then SaveOnClose. True when the window may close; the caller
  // then closes it and the program ends.
  bool TryClose();

  // File > "Exit": the loop ends at once, without the close query and without saving the
  // settings; the kept list is dropped (a clean exit).
  void ExitEntryClick();

  // "Add Files" (File > "Add Files" clicks it, even while it is disabled): the file dialog, then
  // the analysis of every chosen file behind the analysing window.
  AddFilesResult AddFileButtonClick();
  // File > "Add Folder...": a folder chosen in the folder chooser, added as a dropped folder is
  // (its media files, recursively, keeping the folder for "Keep Folder Structure"). Does
  // nothing while files are added or converted, or when the chooser is cancelled.
  AddFilesResult AddFolderEntryClick();
  // The analysing window's close box: refused while files are analysed. Its "Cancel" is
  // analyzing_form.CancelButton.
  bool MayCloseAnalyzing() const;
  // Files dropped on the window or given on the command line: a relative path is taken against
  // the current directory, a folder stands for the supported files inside it
  // (analysis::ExpandDroppedPaths), and the files go through the analysis of "Add Files" in
  // place of the file dialog's answer. Does nothing (End::kBusy) while AcceptsGivenFiles() is
  // false; nothing either when no file is left (End::kAllFiles without rows). A folder that
  // holds no supported file is named in the result's empty_folders.
  AddFilesResult AddGivenFiles(const std::vector<std::string>& paths);
  // False while a batch converts or files are being added: AddGivenFiles would do nothing.
  bool AcceptsGivenFiles() const;

  // "Convert Now !": holds the sleep lock and starts the batch worker; does nothing while a
  // batch runs. The lock is released on the UI thread when the batch has ended.
  void ConvertNowButtonClick();
  // "Stop Convert" and the small "Stop": asks, then StopBatch().
  void StopConvertButtonClick();
  // Stops a running batch without asking: its encoders finish their outputs (within the
  // runner's grace), the rows not reached say why.
  void StopBatch();

  // Output directory: the folder chooser (does nothing while files are analysed or converted).
  void ButtonBrowseForFolderClick();
  // The mouse rests on "Output Directory : ": its hint becomes the output directory.
  void OutputFolderLabelMouseEnter();

  // Help menu and About box.
  void OpenHelpEntryClick();
  void VisitWebsiteEntryClick();
  void AboutEntryClick();
  void WebsiteLinkClick();  // the maker's web page
  void SupportLinkClick();  // a new e-mail to support
  // Options > "Set Additional Options": shows the dialog without blocking the main window.
  void SetOptionsEntryClick();

  // The countdown: one tick of PowerOffCountdownTimer; the warning window's "Do Not Turn Off" and
  // its close box (refused while armed).
  void PowerOffCountdownTick();
  void DoNotTurnOffClick();
  bool MayCloseWarning() const;

  bool BatchRunning() const { return worker_.Running(); }
  // Waits for a running batch to end while this (UI) thread keeps pumping.
  void WaitForBatch();

  // The list's context menu "Check Failed Items": ticks the rows whose last conversion did not
  // end Done (failed, aborted, skipped) and unticks the others, so that the next "Convert Now !"
  // converts only those.
  void CheckFailedEntryClick();
  // The status bar's notice "Power off when done" while the shutdown box is ticked.
  void ShowPowerOffNotice();
  // The list's context menu "Show Details": the selected row's reason and the encoder's output
  // of its last runs; nothing without a selected row.
  void ShowDetailsEntryClick();
  // File > "Open Output Folder": the output directory in the file manager (the user is told
  // when it does not exist yet or cannot be shown).
  void OpenOutputFolderEntryClick();
  // The list's menu entry "Open Output Folder": the selected row's output file selected in its
  // folder where the desktop offers that, else that folder; without a row's output, as File >
  // "Open Output Folder".
  void OpenRowFolderEntryClick();
  // The Delete key on the list: removes the selected row, except while files are converted or
  // added.
  void DeleteKeyPressed();

  // "<ProgramDirectory>help.html".
  const std::string& help_file() const { return help_file_; }
  const std::string& program_directory() const { return options_.program_directory; }

  UiThread& ui() { return ui_; }
  Dialogs& dialogs() { return dialogs_; }
  const MainWindowOptions& options() const { return options_; }
  // Sets MainWindowPorts::window_active once the views exist.
  void SetWindowActive(std::function<bool()> active) { ports_.window_active = std::move(active); }
  // Sets MainWindowPorts::notifier once the window it shows from exists.
  void SetNotifier(Notifier* notifier) { ports_.notifier = notifier; }
  settings::SettingsContext& settings() { return settings_; }
  AddFilesContext& adding() { return adding_; }
  BatchWindow& batch_window() { return batch_window_; }
  ListKeeper& list_keeper() { return list_keeper_; }

 private:
  void CreateSecondaryWindows();
  // Opens `url` through the desktop; tells the user, with the address, when it could not.
  void OpenLink(const Form& asker, const std::string& url);
  void ShowForm(Form& form, bool visible);
  // The status bar's message follows the selected row's reason.
  void ShowSelectedRowReason();
  // Where the batch stands: "Converting 2 of 5" in the first panel, the times on the progress
  // bar, the percentage in the window's caption ("37% - Vidloom"); all back when it ends.
  void StartBatchProgress();
  void ShowBatchProgress();
  void EndBatchProgress();
  // After a batch: the desktop notification when the window is not active.
  void NotifyBatchEnd();

  UiThread& ui_;
  Dialogs& dialogs_;
  MainWindowOptions options_;
  MainWindowPorts ports_;
  WindowWatchdog watchdog_;
  BatchWindow batch_window_;
  BatchPresenter presenter_;
  BatchEnv batch_;
  BatchWorker worker_;
  settings::SettingsContext settings_;
  AddFilesContext adding_;
  ListKeeper list_keeper_;
  std::string help_file_;
  // The folder confirmed last in this run; preselected by the next folder choice.
  std::string last_folder_;
  bool created_ = false;
  bool started_ = false;
  std::string shown_reason_;  // the row reason the status bar's message shows, if any
  BatchProgress batch_progress_;
  std::map<RowId, int> progress_files_;  // a row's file in batch_progress_
  struct BatchOutcome {
    bool counted = false;  // a batch got as far as its rows
    bool stopped = false;
    BatchCounts counts;
  };
  BatchOutcome batch_outcome_;  // the last batch's, until its notification
};

}  // namespace vidloom
