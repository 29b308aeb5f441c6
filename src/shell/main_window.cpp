#include "shell/main_window.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "analysis/dropped_files.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/report_lost.h"
#include "profiles/text_rules.h"
#include "shell/countdown.h"
#include "shell/links.h"
#include "shell/main_window_setup.h"

namespace vidloom {
namespace {

// The main window's caption.
constexpr const char* kWindowCaption = "Vidloom";
// How long a hint stays visible once shown.
constexpr int kHintHidePauseMs = 30000;
// The reason given with the sleep lock a batch holds.
constexpr const char* kSleepInhibitReason = "Converting files";
// The first status panel while no batch has ended since the list last changed.
constexpr const char* kReadyText = "Ready";
// The headline of File > "Add Folder..."'s chooser.
constexpr const char* kChooseMediaFolderHeadline = "Choose a folder of video and audio files :";
// The status bar's notice while "Shut Down Computer ..." is ticked.
constexpr const char* kPowerOffNotice = "Power off when done";

// The file dialog of a front-end that has none: always cancelled.
class NoFileDialog : public FileDialog {
 public:
  std::optional<std::vector<std::string>> ChooseFiles(const std::string&) override {
    return std::nullopt;
  }
};

FileDialog& FileDialogOrNone(FileDialog* dialog) {
  static NoFileDialog none;
  return dialog ? *dialog : none;
}

MainWindowOptions Completed(MainWindowOptions options) {
  if (options.program_directory.empty()) options.program_directory = platform::ProgramDirectory();
  if (options.settings_path.empty()) options.settings_path = settings::DefaultSettingsPath();
  return options;
}

}  // namespace

MainWindow::MainWindow(UiThread& ui, Dialogs& dialogs, MainWindowOptions options,
                       MainWindowPorts ports)
    : ui_(ui),
      dialogs_(dialogs),
      options_(Completed(std::move(options))),
      ports_(std::move(ports)),
      watchdog_(ui_, Form1.ConversionCountTimer, Form1.ListView1),
      batch_{.ui = ui_,
             .form = Form1,
             .options = Form4,
             .window_state = window,
             .dialogs = dialogs_,
             .state = conversion,
             .watchdog = watchdog_,
             .program_directory = options_.program_directory,
             .end_pause_ms = options_.end_pause_ms},
      worker_(batch_),
      settings_{.path = options_.settings_path,
                .form1 = Form1,
                .form4 = Form4,
                .window = window,
                .dialogs = dialogs_,
                .ShutdownPromptSuppressed = true},
      adding_{.form1 = Form1,
              .splash = FormAnalyzingSplash,
              .form4 = Form4,
              .ui = ui_,
              .dialogs = dialogs_,
              .file_dialog = FileDialogOrNone(ports_.file_dialog),
              .program_directory = options_.program_directory,
              .required_files = options_.required_files,
              .read_video_info = options_.read_video_info,
              .pause_ms = options_.add_files_pause_ms} {
  batch_.hooks.CheckRequiredFiles = [this] {
    return CheckRequiredFiles(Form1, Form4, dialogs_, options_.program_directory,
                              options_.required_files);
  };
  batch_.hooks.DisableWorkControls = [this] { DisableWorkControls(Form1, Form4); };
  batch_.hooks.EnableWorkControls = [this] { EnableWorkControls(Form1, Form4); };
  batch_.hooks.ArmShutdownCountdown = [this] { ArmShutdownCountdown(Form1, Form3, shutdown); };
  batch_.hooks.BatchStarted = [this] { StartBatchProgress(); };
  batch_.hooks.RowTurn = [this](RowId row) {
    progress_files_[row] = batch_progress_.NextFile(ui_.clock().NowMs());
    ShowBatchProgress();
  };
  batch_.hooks.RowEnded = [this](RowId row) {
    if (const auto file = progress_files_.find(row); file != progress_files_.end()) {
      batch_progress_.FileEnded(file->second);
      ShowBatchProgress();
    }
  };
  batch_.hooks.BatchEnded = [this] { EndBatchProgress(); };
  batch_.hooks.FileProgress = [this](RowId row, double seconds) {
    if (const auto file = progress_files_.find(row); file != progress_files_.end()) {
      batch_progress_.FileTime(file->second, seconds, ui_.clock().NowMs());
    }
    ShowBatchProgress();
  };
  // Runs on the worker after every batch end (finished, stopped, failed, refused). Waiting for
  // the UI thread keeps the release before the worker counts as ended, so a new batch's Hold
  // always comes after it.
  worker_.on_finished = [this] {
    try {
      ui_.Call([this] {
        if (ports_.sleep_inhibitor) ports_.sleep_inhibitor->Release();
        NotifyBatchEnd();
      });
    } catch (...) {
      // The UI loop is gone; the inhibitor's owner releases the lock when it goes.
      platform::ReportLost("the end of the batch could not be told");
    }
  };
}

MainWindow::~MainWindow() {
  if (worker_.Running()) {
    // As Stop: the encoder finishes its output (within the runner's grace) before the end.
    StopBatch();
    WaitForBatch();
  }
  worker_.Join();
  ui_.DetachTimer(Form1.TimerShutdown2);
  ui_.DetachTimer(Form1.BatchClockTimer);
}

void MainWindow::Startup() {
  if (started_) return;
  started_ = true;
  FormCreate();
  CreateSecondaryWindows();
  Form1.visible = true;
  Form1.Changed();
  FormShow();
}

void MainWindow::FormCreate() {
  if (created_) return;
  created_ = true;

  Form1.hint_hide_pause_ms = kHintHidePauseMs;
  help_file_ = options_.program_directory + kHelpFileName;
  Form1.Edit1.SetText(settings::DefaultOutputDirectory());
  settings_.ShutdownPromptSuppressed = true;
  adding_.state.AddingFiles = false;
  Form1.caption = kWindowCaption;
  Form1.TimerShutdown2.SetInterval(1000);
  Form1.TimerShutdown2.SetEnabled(false);
  // Letterbox list, volume, format list, drop-down count, PreviousFormatIndex, the first format
  // refresh and "Original ".
  SetUpSelectors(Form1, window);
  Form1.Memo1.SetVisible(false);

  ConnectSelectorHandlers(Form1, window);
  Form1.TimerShutdown2.on_timer = [this] { TimerShutdown2Timer(); };
  ui_.AttachTimer(Form1.TimerShutdown2);
  Form1.BatchClockTimer.SetInterval(1000);
  Form1.BatchClockTimer.SetEnabled(false);
  Form1.BatchClockTimer.on_timer = [this] { ShowBatchProgress(); };
  ui_.AttachTimer(Form1.BatchClockTimer);

  Form1.AddFileButton.on_click = [this] { AddFileButtonClick(); };
  Form1.AddFiles1.on_click = [this] { Form1.AddFileButton.Click(); };
  Form1.AddFolder1.on_click = [this] { AddFolder1Click(); };
  Form1.ConvertNowButton.on_click = [this] { ConvertNowButtonClick(); };
  Form1.Convert1.on_click = [this] { Form1.ConvertNowButton.Click(); };
  Form1.StopConvertButton.on_click = [this] { StopConvertButtonClick(); };
  Form1.ButtonStopSmall.on_click = [this] { Form1.StopConvertButton.Click(); };
  Form1.Exit1.on_click = [this] { Exit1Click(); };
  Form1.ButtonBrowseForFolder.on_click = [this] { ButtonBrowseForFolderClick(); };
  Form1.SetGeneralOptions1.on_click = [this] { SetGeneralOptions1Click(); };
  Form1.OpenHelpFile1.on_click = [this] { OpenHelpFile1Click(); };
  Form1.VisitOurWebsite1.on_click = [this] { VisitOurWebsite1Click(); };
  Form1.About1.on_click = [this] { About1Click(); };

  Form1.CheckAllItems1.on_click = [this] {
    for (int i = 0; i < Form1.ListView1.count(); ++i) Form1.ListView1.SetChecked(i, true);
  };
  Form1.UncheckAllItems1.on_click = [this] {
    for (int i = 0; i < Form1.ListView1.count(); ++i) Form1.ListView1.SetChecked(i, false);
  };
  Form1.DeleteSelectedItem1.on_click = [this] {
    if (Form1.ListView1.selected() >= 0) Form1.ListView1.RemoveRow(Form1.ListView1.selected());
  };
  Form1.ClearAllItems1.on_click = [this] {
    Form1.ListView1.Clear();
    // The last file's size and the news about earlier files no longer apply to an empty list.
    Form1.StatusBar1.SetPanel(1, "");
    Form1.StatusBar1.SetMessage("");
  };
  Form1.ShowDetails1.on_click = [this] { ShowDetails1Click(); };
  Form1.OpenOutputFolder1.on_click = [this] { OpenOutputFolder1Click(); };
  Form1.OpenOutputFolder2.on_click = [this] { OpenOutputFolder2Click(); };
  Form1.CheckFailedItems1.on_click = [this] { CheckFailedItems1Click(); };
  Form1.ListView1.SubscribeRows([this](ListView::Change change, int row) {
    if (change != ListView::Change::kRowChanged || row == Form1.ListView1.selected()) {
      ShowSelectedRowReason();
    }
    // A batch's summary holds until the list changes.
    const bool list_changed = change == ListView::Change::kInserted ||
                              change == ListView::Change::kRemoved ||
                              change == ListView::Change::kReset;
    if (list_changed && !batch_progress_.active()) Form1.StatusBar1.SetPanel(0, kReadyText);
  });
  // The notice follows the shutdown box, from the stored setting on.
  Form4.CheckBoxShutDown.Subscribe([this] { ShowPowerOffNotice(); });
  Form1.RemoveButton.on_click = [this] { Form1.DeleteSelectedItem1.Click(); };
  Form1.ClearAllButton.on_click = [this] { Form1.ClearAllItems1.Click(); };

  if (ports_.desktop) {
    ports_.desktop->RunStartupScript(options_.program_directory + kStartupScriptName);
  }
}

void MainWindow::CreateSecondaryWindows() {
  // The analysing window, the About box and the warning window start hidden.
  ConnectAddFilesHandlers(adding_);
  FormAbout.SpeedButton1.on_click = [this] { ShowForm(FormAbout, false); };
  Form3.SpeedButton1.on_click = [this] { WarningSpeedButton1Click(); };

  // The options dialog: its handlers, then the stored settings.
  if (options_.load_settings) {
    settings::FormCreate(settings_);
  } else {
    settings::ConnectSettingsHandlers(settings_);
  }
  Form4.Button1.on_click = [this] {
    settings::Button1Click(settings_);
    Form4.Changed();
  };
}

void MainWindow::ShowForm(Form& form, bool visible) {
  form.visible = visible;
  form.Changed();
}

void MainWindow::FormShow() {
  settings_.ShutdownPromptSuppressed = false;
  RefreshSelectorsOnShow(Form1, window);
}

bool MainWindow::FormCloseQuery() const {
  return !conversion.batch.Converting && !shutdown.ShutdownArmed;
}

bool MainWindow::FormClose() {
  return settings::SaveSettings(settings_);
}

bool MainWindow::TryClose() {
  if (!FormCloseQuery() || !FormClose()) return false;
  // Closed while files are added: the adding stops at once, as by its "Cancel", so that the
  // program does not run on unseen until the last file is analysed.
  if (adding_.state.AddingFiles) Button2Click(adding_);
  return true;
}

void MainWindow::Exit1Click() {
  if (ports_.quit) ports_.quit();
}

AddFilesResult MainWindow::AddFileButtonClick() {
  return vidloom::AddFiles(adding_);
}

AddFilesResult MainWindow::AddFolder1Click() {
  if (!ports_.folder_chooser || !AcceptsGivenFiles()) return {};
  const auto folder = ports_.folder_chooser->ChooseFolder(kChooseMediaFolderHeadline, last_folder_);
  if (!folder) return {};
  last_folder_ = *folder;
  return AddGivenFiles({*folder});
}

AddFilesResult MainWindow::AddGivenFiles(const std::vector<std::string>& paths) {
  AddFilesResult result;  // End::kBusy
  if (!AcceptsGivenFiles()) return result;
  static const std::vector<std::string> extensions =
      analysis::FilterExtensions(SupportedFilesFilter);
  // The encoder runs in the program directory: a path relative to ours would miss there.
  // The program's own outputs are not added again when their folder lies inside one given.
  const std::string output_folder =
      platform::AbsolutePath(std::string(text::Trim(Form1.Edit1.text())));
  std::vector<std::string> absolute;
  std::vector<std::string> empty_folders;
  for (const auto& path : paths) {
    absolute.push_back(platform::AbsolutePath(path));
    if (platform::DirectoryExists(absolute.back()) &&
        analysis::ExpandDroppedPaths({absolute.back()}, extensions, nullptr, output_folder)
            .empty()) {
      empty_folders.push_back(absolute.back());
    }
  }
  std::vector<std::string> roots;
  bool skipped_output = false;
  const std::vector<std::string> files =
      analysis::ExpandDroppedPaths(absolute, extensions, &roots, output_folder, &skipped_output);
  if (files.empty()) {
    result.end = AddFilesResult::End::kAllFiles;
  } else {
    result = vidloom::AddGivenFiles(adding_, files, roots);
  }
  result.empty_folders = std::move(empty_folders);
  if (skipped_output) result.skipped_output_folder = output_folder;
  ShowSkipped(Form1, result);
  return result;
}

bool MainWindow::AcceptsGivenFiles() const {
  return !conversion.batch.Converting && !worker_.Running() && !adding_.state.InProgress;
}

bool MainWindow::AnalyzingFormCloseQuery() const {
  return AnalyzingSplashCloseQuery(adding_);
}

void MainWindow::ConvertNowButtonClick() {
  if (worker_.Running()) return;
  if (ports_.sleep_inhibitor) ports_.sleep_inhibitor->Hold(kSleepInhibitReason);
  worker_.Start();
}

void MainWindow::StopConvertButtonClick() {
  vidloom::StopConvertButtonClick(batch_);
}

void MainWindow::StopBatch() {
  vidloom::StopBatch(batch_);
}

void MainWindow::ButtonBrowseForFolderClick() {
  if (FormAnalyzingSplash.visible || conversion.batch.Converting) return;
  if (!ports_.folder_chooser) return;
  // The chooser opens at the current output directory when it exists.
  const std::string current(text::Trim(Form1.Edit1.text()));
  const std::string start = platform::DirectoryExists(current) ? current : last_folder_;
  const auto folder = ports_.folder_chooser->ChooseFolder(kChooseFolderHeadline, start);
  if (!folder) return;
  last_folder_ = *folder;
  Form1.Edit1.SetText(*folder);
}

void MainWindow::Label1MouseEnter() {
  Form1.Label1.SetHint(Form1.Edit1.text());
}

void MainWindow::OpenHelpFile1Click() {
  if (ports_.desktop && !ports_.desktop->OpenHelpFile(help_file_)) {
    dialogs_.ShowMessage(Form1, kInformationCaption, kCannotOpenHelpText + help_file_);
  }
}

void MainWindow::VisitOurWebsite1Click() {
  OpenLink(Form1, kWebsiteUrl);
}

void MainWindow::OpenLink(const Form& asker, const std::string& url) {
  if (ports_.desktop && !ports_.desktop->OpenUrl(url)) {
    dialogs_.ShowMessage(asker, kInformationCaption, kCannotOpenLinkText + url);
  }
}

void MainWindow::OpenOutputFolder1Click() {
  const std::string folder(text::Trim(Form1.Edit1.text()));
  if (!platform::DirectoryExists(folder)) {
    dialogs_.ShowMessage(Form1, kInformationCaption, kNoOutputFolderText + folder);
    return;
  }
  if (ports_.desktop && !ports_.desktop->OpenFolder(folder)) {
    dialogs_.ShowMessage(Form1, kInformationCaption, kCannotOpenFolderText + folder);
  }
}

void MainWindow::OpenOutputFolder2Click() {
  const int row = Form1.ListView1.selected();
  const FileEntry* entry = row >= 0 ? &Form1.ListView1.row(row) : nullptr;
  if (entry != nullptr && entry->output_written && platform::FileExists(entry->output_path)) {
    // The row's own output, selected in its folder where the file manager can; else its
    // folder.
    if (ports_.desktop && ports_.desktop->ShowFile(entry->output_path)) return;
    const std::string folder = platform::ParentDirectory(entry->output_path);
    if (ports_.desktop && !ports_.desktop->OpenFolder(folder)) {
      dialogs_.ShowMessage(Form1, kInformationCaption, kCannotOpenFolderText + folder);
    }
    return;
  }
  OpenOutputFolder1Click();
}

void MainWindow::DeleteKeyPressed() {
  // The list is not changed while files are converted or added.
  if (AcceptsGivenFiles()) Form1.DeleteSelectedItem1.Click();
}

void MainWindow::About1Click() {
  ShowForm(FormAbout, true);
}

void MainWindow::AboutLabel2Click() {
  OpenLink(FormAbout, kWebsiteUrl);
}

void MainWindow::AboutLabel3Click() {
  OpenLink(FormAbout, kSupportMailUrl);
}

void MainWindow::SetGeneralOptions1Click() {
  ShowForm(Form4, true);
}

void MainWindow::TimerShutdown2Timer() {
  vidloom::TimerShutdown2Timer(Form1, Form3, shutdown, ports_.quit, ports_.power_off);
}

void MainWindow::WarningSpeedButton1Click() {
  CancelShutdownCountdown(Form1, Form3, shutdown);
}

bool MainWindow::WarningFormCloseQuery() const {
  return vidloom::WarningFormCloseQuery(shutdown);
}

void MainWindow::ShowSelectedRowReason() {
  const int row = Form1.ListView1.selected();
  const std::string reason = row >= 0 ? Form1.ListView1.row(row).reason : std::string();
  StatusBar& bar = Form1.StatusBar1;
  if (!reason.empty()) {
    bar.SetMessage(reason);
    shown_reason_ = reason;
  } else if (!shown_reason_.empty() && bar.message() == shown_reason_) {
    // Only a reason shown here is taken back; other news (files not added) stays.
    bar.SetMessage("");
    shown_reason_.clear();
  }
}

void MainWindow::StartBatchProgress() {
  // The checked rows, whose turns come in list order.
  std::vector<BatchFile> files;
  for (const FileEntry& row : Form1.ListView1.rows()) {
    if (!row.checked) continue;
    files.push_back({.duration = row.media.duration_seconds.value_or(0),
                     .name = std::string(platform::FileNamePart(row.caption))});
  }
  const int lanes = std::min(Form4.SpinEditFilesAtOnce.value(), static_cast<int>(files.size()));
  batch_progress_.Start(std::move(files), ui_.clock().NowMs(), lanes);
  progress_files_.clear();
  Form1.BatchClockTimer.SetEnabled(true);
}

void MainWindow::ShowBatchProgress() {
  if (!batch_progress_.active()) return;
  Form1.StatusBar1.SetPanel(0, batch_progress_.PanelText());
  Form1.ProgressBar1.SetText(batch_progress_.TimesText(ui_.clock().NowMs()));
  const auto percent = batch_progress_.BatchPercent();
  // Files side by side: the bar is the batch's (with one, it is the file's, set by the runner).
  if (batch_progress_.side_by_side()) Form1.ProgressBar1.SetPosition(percent.value_or(0));
  const std::string caption =
      percent ? std::to_string(*percent) + "% - " + kWindowCaption : kWindowCaption;
  const int batch_percent = percent.value_or(-1);
  if (caption != Form1.caption || batch_percent != Form1.batch_percent) {
    Form1.caption = caption;
    Form1.batch_percent = batch_percent;
    Form1.Changed();
  }
}

void MainWindow::EndBatchProgress() {
  // What the status bar and the notification after the batch tell: the rows it was to convert.
  std::string summary = kReadyText;
  if (batch_progress_.active()) {
    batch_outcome_ = {};
    batch_outcome_.counted = true;
    batch_outcome_.stopped = conversion.requests.StopRequested;
    for (const FileEntry& row : Form1.ListView1.rows()) {
      if (!row.checked) continue;
      if (row.state == RowState::kDone) {
        ++batch_outcome_.counts.converted;
      } else if (batch_outcome_.stopped &&
                 (row.state == RowState::kAborted || row.state == RowState::kSkipped)) {
        ++batch_outcome_.counts.stopped;
      } else {
        ++batch_outcome_.counts.failed;
      }
    }
    summary = SummaryText(batch_outcome_.counts, batch_outcome_.stopped);
  }
  if (batch_progress_.side_by_side()) Form1.ProgressBar1.SetPosition(0);
  batch_progress_.Stop();
  Form1.BatchClockTimer.SetEnabled(false);
  // The summary stays until the list changes.
  Form1.StatusBar1.SetPanel(0, summary);
  Form1.ProgressBar1.SetText("");
  if (Form1.caption != kWindowCaption || Form1.batch_percent != -1) {
    Form1.caption = kWindowCaption;
    Form1.batch_percent = -1;
    Form1.Changed();
  }
}

void MainWindow::NotifyBatchEnd() {
  const BatchOutcome outcome = batch_outcome_;
  batch_outcome_ = {};
  if (!ports_.notifier || !outcome.counted || outcome.stopped) return;
  if (ports_.window_active && ports_.window_active()) return;  // the user sees the window
  const BatchCounts& counts = outcome.counts;
  if (counts.converted + counts.failed == 0) return;
  std::string body = SummaryText(counts, false);
  // The countdown has taken over: the user is told what comes.
  if (shutdown.ShutdownArmed) body += ". " + Form3.Label1.caption();
  ports_.notifier->Notify(kWindowCaption, body);
}

void MainWindow::ShowPowerOffNotice() {
  Form1.StatusBar1.SetNotice(Form4.CheckBoxShutDown.checked() ? kPowerOffNotice : "");
}

void MainWindow::CheckFailedItems1Click() {
  ListView& list = Form1.ListView1;
  for (int i = 0; i < list.count(); ++i) {
    const RowState state = list.row(i).state;
    list.SetChecked(i, state == RowState::kFailed || state == RowState::kAborted ||
                           state == RowState::kSkipped);
  }
}

void MainWindow::ShowDetails1Click() {
  const int row = Form1.ListView1.selected();
  if (row < 0 || row >= Form1.ListView1.count()) return;
  const FileEntry& entry = Form1.ListView1.row(row);
  std::string summary = entry.caption + "\n\r";
  if (!entry.reason.empty()) {
    summary += entry.reason;
  } else if (entry.state == RowState::kDone) {
    summary += "Done";
  } else {
    summary += entry.details.empty() ? "Not converted yet." : "No failure.";
  }
  for (const std::string& line : OutputLines(entry)) summary += "\n\r" + line;
  std::string details;
  for (const auto& line : entry.details) details += line + "\n";
  dialogs_.ShowDetails(Form1, "Details", summary, details);
}

void MainWindow::WaitForBatch() {
  while (worker_.Running()) PumpWait(ui_, 20);
}

}  // namespace vidloom
