#include "window_logic/main_window.h"

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
#include "texts/language.h"
#include "window_logic/countdown.h"
#include "window_logic/links.h"
#include "window_logic/main_window_setup.h"

namespace vidloom {
namespace {

// The main window's caption.
constexpr const char* kWindowCaption = "Vidloom";
// How long a hint stays visible once shown.
constexpr int kHintHidePauseMs = 30000;
// The reason given with the sleep lock a batch holds.
constexpr const char* kSleepInhibitReason = N_("Converting files");
// The headline of File > "Add Folder..."'s chooser.
constexpr const char* kChooseMediaFolderHeadline = N_("Choose a folder of video and audio files :");
// The status bar's notice while "Shut Down Computer ..." is ticked.
constexpr const char* kPowerOffNotice = N_("Power off when done");

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

std::string HelpFile(const std::string& program_directory, const std::string& language) {
  if (!language.empty()) {
    const std::string translated = program_directory + "help-" + language + ".html";
    if (platform::FileExists(translated)) return translated;
  }
  return program_directory + kHelpFileName;
}

MainWindow::MainWindow(UiThread& ui, Dialogs& dialogs, MainWindowOptions options,
                       MainWindowPorts ports)
    : ui_(ui),
      dialogs_(dialogs),
      options_(Completed(std::move(options))),
      ports_(std::move(ports)),
      watchdog_(ui_, main_form),
      batch_window_{.ui = ui_,
                    .form = main_form,
                    .options = options_form,
                    .window_state = window,
                    .dialogs = dialogs_,
                    .state = conversion,
                    .watchdog = watchdog_,
                    .end_pause_ms = options_.end_pause_ms},
      presenter_(batch_window_),
      batch_{.sink = presenter_,
             .clock = ui_.clock(),
             .state = conversion,
             .program_directory = options_.program_directory},
      worker_(batch_),
      settings_{.path = options_.settings_path,
                .main_form = main_form,
                .options_form = options_form,
                .window = window,
                .dialogs = dialogs_,
                .ShutdownPromptSuppressed = true},
      adding_{.main_form = main_form,
              .splash = analyzing_form,
              .options_form = options_form,
              .ui = ui_,
              .dialogs = dialogs_,
              .file_dialog = FileDialogOrNone(ports_.file_dialog),
              .program_directory = options_.program_directory,
              .required_files = options_.required_files,
              .read_video_info = options_.read_video_info,
              .pause_ms = options_.add_files_pause_ms},
      list_keeper_(ui_, main_form, dialogs_) {
  batch_window_.hooks.CheckRequiredFiles = [this] {
    return CheckRequiredFiles(main_form, options_form, dialogs_, options_.program_directory,
                              options_.required_files);
  };
  batch_window_.hooks.DisableWorkControls = [this] {
    DisableWorkControls(main_form, options_form);
  };
  batch_window_.hooks.EnableWorkControls = [this] { EnableWorkControls(main_form, options_form); };
  batch_window_.hooks.ArmShutdownCountdown = [this] {
    ArmShutdownCountdown(main_form, warning_form, shutdown);
  };
  batch_window_.hooks.BatchStarted = [this] {
    list_keeper_.BatchStarted();
    StartBatchProgress();
  };
  batch_window_.hooks.RowTurn = [this](RowId row) {
    progress_files_[row] = batch_progress_.NextFile(ui_.clock().NowMs());
    ShowBatchProgress();
  };
  batch_window_.hooks.RowEnded = [this](RowId row) {
    if (const auto file = progress_files_.find(row); file != progress_files_.end()) {
      batch_progress_.FileEnded(file->second);
      ShowBatchProgress();
    }
  };
  batch_window_.hooks.BatchEnded = [this] {
    list_keeper_.BatchEnded();
    EndBatchProgress();
  };
  batch_window_.hooks.FileProgress = [this](RowId row, double seconds) {
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
  // A UI loop waiting for the batch's end looks again now.
  worker_.on_idle = [this] { ui_.Post([] {}); };
}

MainWindow::~MainWindow() {
  if (worker_.Running()) {
    // As Stop: the encoder finishes its output (within the runner's grace) before the end.
    StopBatch();
    WaitForBatch();
  }
  worker_.Join();
  ui_.DetachTimer(main_form.PowerOffCountdownTimer);
  ui_.DetachTimer(main_form.BatchClockTimer);
}

void MainWindow::Startup() {
  if (started_) return;
  started_ = true;
  PrepareMainWindow();
  CreateSecondaryWindows();
  main_form.visible = true;
  main_form.Changed();
  ShowMainWindow();
}

void MainWindow::PrepareMainWindow() {
  if (created_) return;
  created_ = true;

  main_form.hint_hide_pause_ms = kHintHidePauseMs;
  help_file_ = HelpFile(options_.program_directory, texts::CurrentLanguage());
  main_form.OutputFolder.SetText(settings::DefaultOutputDirectory());
  settings_.ShutdownPromptSuppressed = true;
  adding_.state.AddingFiles = false;
  main_form.caption = kWindowCaption;
  main_form.PowerOffCountdownTimer.SetInterval(1000);
  main_form.PowerOffCountdownTimer.SetEnabled(false);
  // Letterbox list, volume, format list, drop-down count, PreviousFormatIndex, the first format
  // refresh and "Original ".
  SetUpSelectors(main_form, window);
  main_form.UnusedMemo.SetVisible(false);

  ConnectSelectorHandlers(main_form, window);
  main_form.PowerOffCountdownTimer.on_timer = [this] { PowerOffCountdownTick(); };
  ui_.AttachTimer(main_form.PowerOffCountdownTimer);
  main_form.BatchClockTimer.SetInterval(1000);
  main_form.BatchClockTimer.SetEnabled(false);
  main_form.BatchClockTimer.on_timer = [this] { ShowBatchProgress(); };
  ui_.AttachTimer(main_form.BatchClockTimer);

  main_form.AddFileButton.on_click = [this] { AddFileButtonClick(); };
  main_form.AddFilesEntry.on_click = [this] { main_form.AddFileButton.Click(); };
  main_form.AddFolderEntry.on_click = [this] { AddFolderEntryClick(); };
  main_form.ConvertNowButton.on_click = [this] { ConvertNowButtonClick(); };
  main_form.ConvertEntry.on_click = [this] { main_form.ConvertNowButton.Click(); };
  main_form.StopConvertButton.on_click = [this] { StopConvertButtonClick(); };
  main_form.ButtonStopSmall.on_click = [this] { main_form.StopConvertButton.Click(); };
  main_form.ExitEntry.on_click = [this] { ExitEntryClick(); };
  main_form.ButtonBrowseForFolder.on_click = [this] { ButtonBrowseForFolderClick(); };
  main_form.SetOptionsEntry.on_click = [this] { SetOptionsEntryClick(); };
  main_form.OpenHelpEntry.on_click = [this] { OpenHelpEntryClick(); };
  main_form.VisitWebsiteEntry.on_click = [this] { VisitWebsiteEntryClick(); };
  main_form.AboutEntry.on_click = [this] { AboutEntryClick(); };

  main_form.CheckAllEntry.on_click = [this] {
    for (int i = 0; i < main_form.FileList.count(); ++i) main_form.FileList.SetChecked(i, true);
  };
  main_form.UncheckAllEntry.on_click = [this] {
    for (int i = 0; i < main_form.FileList.count(); ++i) main_form.FileList.SetChecked(i, false);
  };
  main_form.RemoveSelectedEntry.on_click = [this] {
    if (main_form.FileList.selected() >= 0)
      main_form.FileList.RemoveRow(main_form.FileList.selected());
  };
  main_form.ClearAllEntry.on_click = [this] {
    main_form.FileList.Clear();
    // The last file's size and the news about earlier files no longer apply to an empty list.
    main_form.Status.SetPanel(1, "");
    main_form.Status.SetMessage("");
  };
  main_form.ShowDetailsEntry.on_click = [this] { ShowDetailsEntryClick(); };
  main_form.OpenOutputFolderEntry.on_click = [this] { OpenOutputFolderEntryClick(); };
  main_form.OpenRowFolderEntry.on_click = [this] { OpenRowFolderEntryClick(); };
  main_form.CheckFailedEntry.on_click = [this] { CheckFailedEntryClick(); };
  main_form.FileList.SubscribeRows([this](ListView::Change change, int row) {
    if (change != ListView::Change::kRowChanged || row == main_form.FileList.selected()) {
      ShowSelectedRowReason();
    }
    // A batch's summary holds until the list changes.
    const bool list_changed = change == ListView::Change::kInserted ||
                              change == ListView::Change::kRemoved ||
                              change == ListView::Change::kReset;
    if (list_changed && !batch_progress_.active())
      main_form.Status.SetPanel(0, texts::Tr(kReadyText));
  });
  // The notice follows the shutdown box, from the stored setting on.
  options_form.CheckBoxShutDown.Subscribe([this] { ShowPowerOffNotice(); });
  main_form.RemoveButton.on_click = [this] { main_form.RemoveSelectedEntry.Click(); };
  main_form.ClearAllButton.on_click = [this] { main_form.ClearAllEntry.Click(); };

  if (ports_.desktop) {
    ports_.desktop->RunStartupScript(options_.program_directory + kStartupScriptName);
  }
}

void MainWindow::CreateSecondaryWindows() {
  // The analysing window, the About box and the warning window start hidden.
  ConnectAddFilesHandlers(adding_);
  about_form.OkButton.on_click = [this] { ShowForm(about_form, false); };
  warning_form.DoNotTurnOffButton.on_click = [this] { DoNotTurnOffClick(); };

  // The options dialog: its handlers, then the stored settings.
  if (options_.load_settings) {
    settings::PrepareOptionsDialog(settings_);
  } else {
    settings::ConnectSettingsHandlers(settings_);
  }
  options_form.DoneButton.on_click = [this] {
    settings::OptionsDoneClick(settings_);
    options_form.Changed();
  };
}

void MainWindow::ShowForm(Form& form, bool visible) {
  form.visible = visible;
  form.Changed();
}

void MainWindow::ShowMainWindow() {
  settings_.ShutdownPromptSuppressed = false;
  RefreshSelectorsOnShow(main_form, window);
}

bool MainWindow::MayClose() const {
  return !conversion.batch.Converting && !shutdown.ShutdownArmed;
}

bool MainWindow::SaveOnClose() {
  if (!settings::SaveSettings(settings_)) return false;
  list_keeper_.Forget();
  return true;
}

bool MainWindow::TryClose() {
  if (!MayClose() || !SaveOnClose()) return false;
  // Closed while files are added: the adding stops at once, as by its "Cancel", so that the
  // program does not run on unseen until the last file is analysed.
  if (adding_.state.AddingFiles) CancelAddingClick(adding_);
  return true;
}

void MainWindow::ExitEntryClick() {
  list_keeper_.Forget();
  if (ports_.quit) ports_.quit();
}

void MainWindow::BeginSession(const std::vector<std::string>& given_files) {
  if (options_.keep_list) {
    std::string path = options_.list_path;
    if (path.empty()) {
      // Beside vazadi.ini, which follows the folder rules of the settings.
      const std::string folder = platform::ParentDirectory(settings_.path);
      path = (folder.empty() ? "" : folder + platform::kPathSeparator) + kept_list::kListFileName;
    }
    list_keeper_.Start(path);
  }
  if (!given_files.empty()) AddGivenFiles(given_files);
}

AddFilesResult MainWindow::AddFileButtonClick() {
  return vidloom::AddFiles(adding_);
}

AddFilesResult MainWindow::AddFolderEntryClick() {
  if (!ports_.folder_chooser || !AcceptsGivenFiles()) return {};
  const auto folder =
      ports_.folder_chooser->ChooseFolder(texts::Tr(kChooseMediaFolderHeadline), last_folder_);
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
      platform::AbsolutePath(std::string(text::Trim(main_form.OutputFolder.text())));
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
  ShowSkipped(main_form, result);
  return result;
}

bool MainWindow::AcceptsGivenFiles() const {
  return !conversion.batch.Converting && !worker_.Running() && !adding_.state.InProgress;
}

bool MainWindow::MayCloseAnalyzing() const {
  return MayCloseAnalyzingWindow(adding_);
}

void MainWindow::ConvertNowButtonClick() {
  if (worker_.Running()) return;
  if (ports_.sleep_inhibitor) ports_.sleep_inhibitor->Hold(texts::Tr(kSleepInhibitReason));
  worker_.Start();
}

void MainWindow::StopConvertButtonClick() {
  vidloom::StopConvertButtonClick(batch_window_);
}

void MainWindow::StopBatch() {
  vidloom::StopBatch(batch_window_);
}

void MainWindow::ButtonBrowseForFolderClick() {
  if (analyzing_form.visible || conversion.batch.Converting) return;
  if (!ports_.folder_chooser) return;
  // The chooser opens at the current output directory when it exists.
  const std::string current(text::Trim(main_form.OutputFolder.text()));
  const std::string start = platform::DirectoryExists(current) ? current : last_folder_;
  const auto folder = ports_.folder_chooser->ChooseFolder(texts::Tr(kChooseFolderHeadline), start);
  if (!folder) return;
  last_folder_ = *folder;
  main_form.OutputFolder.SetText(*folder);
}

void MainWindow::OutputFolderLabelMouseEnter() {
  main_form.OutputFolderLabel.SetHint(main_form.OutputFolder.text());
}

void MainWindow::OpenHelpEntryClick() {
  if (ports_.desktop && !ports_.desktop->OpenHelpFile(help_file_)) {
    dialogs_.ShowMessage(main_form, texts::Tr(kInformationCaption),
                         texts::Tr(kCannotOpenHelpText) + help_file_);
  }
}

void MainWindow::VisitWebsiteEntryClick() {
  OpenLink(main_form, kWebsiteUrl);
}

void MainWindow::OpenLink(const Form& asker, const std::string& url) {
  if (ports_.desktop && !ports_.desktop->OpenUrl(url)) {
    dialogs_.ShowMessage(asker, texts::Tr(kInformationCaption),
                         texts::Tr(kCannotOpenLinkText) + url);
  }
}

void MainWindow::OpenOutputFolderEntryClick() {
  const std::string folder(text::Trim(main_form.OutputFolder.text()));
  if (!platform::DirectoryExists(folder)) {
    dialogs_.ShowMessage(main_form, texts::Tr(kInformationCaption),
                         texts::Tr(kNoOutputFolderText) + folder);
    return;
  }
  if (ports_.desktop && !ports_.desktop->OpenFolder(folder)) {
    dialogs_.ShowMessage(main_form, texts::Tr(kInformationCaption),
                         texts::Tr(kCannotOpenFolderText) + folder);
  }
}

void MainWindow::OpenRowFolderEntryClick() {
  const int row = main_form.FileList.selected();
  const FileEntry* entry = row >= 0 ? &main_form.FileList.row(row) : nullptr;
  if (entry != nullptr && entry->output_written && platform::FileExists(entry->output_path)) {
    // The row's own output, selected in its folder where the file manager can; else its
    // folder.
    if (ports_.desktop && ports_.desktop->ShowFile(entry->output_path)) return;
    const std::string folder = platform::ParentDirectory(entry->output_path);
    if (ports_.desktop && !ports_.desktop->OpenFolder(folder)) {
      dialogs_.ShowMessage(main_form, texts::Tr(kInformationCaption),
                           texts::Tr(kCannotOpenFolderText) + folder);
    }
    return;
  }
  OpenOutputFolderEntryClick();
}

void MainWindow::DeleteKeyPressed() {
  // The list is not changed while files are converted or added.
  if (AcceptsGivenFiles()) main_form.RemoveSelectedEntry.Click();
}

void MainWindow::AboutEntryClick() {
  ShowForm(about_form, true);
}

void MainWindow::WebsiteLinkClick() {
  OpenLink(about_form, kWebsiteUrl);
}

void MainWindow::SupportLinkClick() {
  OpenLink(about_form, kSupportMailUrl);
}

void MainWindow::SetOptionsEntryClick() {
  ShowForm(options_form, true);
}

void MainWindow::PowerOffCountdownTick() {
  // The power-off is a clean exit: nothing is left to restore.
  const auto quit = [this] {
    list_keeper_.Forget();
    if (ports_.quit) ports_.quit();
  };
  vidloom::PowerOffCountdownTick(main_form, warning_form, shutdown, quit, ports_.power_off);
}

void MainWindow::DoNotTurnOffClick() {
  CancelShutdownCountdown(main_form, warning_form, shutdown);
}

bool MainWindow::MayCloseWarning() const {
  return vidloom::MayCloseWarning(shutdown);
}

void MainWindow::ShowSelectedRowReason() {
  const int row = main_form.FileList.selected();
  const std::string reason = row >= 0 ? main_form.FileList.row(row).reason : std::string();
  StatusBar& bar = main_form.Status;
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
  for (const FileEntry& row : main_form.FileList.rows()) {
    if (!row.checked) continue;
    files.push_back({.duration = row.media.duration_seconds.value_or(0),
                     .name = std::string(platform::FileNamePart(row.input_path))});
  }
  const int lanes =
      std::min(options_form.SpinEditFilesAtOnce.value(), static_cast<int>(files.size()));
  batch_progress_.Start(std::move(files), ui_.clock().NowMs(), lanes);
  progress_files_.clear();
  main_form.BatchClockTimer.SetEnabled(true);
}

void MainWindow::ShowBatchProgress() {
  if (!batch_progress_.active()) return;
  main_form.Status.SetPanel(0, batch_progress_.PanelText());
  main_form.ConversionProgress.SetText(batch_progress_.TimesText(ui_.clock().NowMs()));
  const auto percent = batch_progress_.BatchPercent();
  // Files side by side: the bar is the batch's (with one, it is the file's, set by the runner).
  if (batch_progress_.side_by_side()) main_form.ConversionProgress.SetPosition(percent.value_or(0));
  const std::string caption =
      percent ? std::to_string(*percent) + "% - " + kWindowCaption : kWindowCaption;
  const int batch_percent = percent.value_or(-1);
  if (caption != main_form.caption || batch_percent != main_form.batch_percent) {
    main_form.caption = caption;
    main_form.batch_percent = batch_percent;
    main_form.Changed();
  }
}

void MainWindow::EndBatchProgress() {
  // What the status bar and the notification after the batch tell: the rows it was to convert.
  std::string summary = texts::Tr(kReadyText);
  if (batch_progress_.active()) {
    batch_outcome_ = {};
    batch_outcome_.counted = true;
    batch_outcome_.stopped = conversion.requests.StopRequested;
    for (const FileEntry& row : main_form.FileList.rows()) {
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
  if (batch_progress_.side_by_side()) main_form.ConversionProgress.SetPosition(0);
  batch_progress_.Stop();
  main_form.BatchClockTimer.SetEnabled(false);
  // The summary stays until the list changes.
  main_form.Status.SetPanel(0, summary);
  main_form.ConversionProgress.SetText("");
  if (main_form.caption != kWindowCaption || main_form.batch_percent != -1) {
    main_form.caption = kWindowCaption;
    main_form.batch_percent = -1;
    main_form.Changed();
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
  if (shutdown.ShutdownArmed) body += ". " + warning_form.CountdownText.caption();
  ports_.notifier->Notify(kWindowCaption, body);
}

void MainWindow::ShowPowerOffNotice() {
  main_form.Status.SetNotice(options_form.CheckBoxShutDown.checked() ? texts::Tr(kPowerOffNotice)
                                                                     : "");
}

void MainWindow::CheckFailedEntryClick() {
  ListView& list = main_form.FileList;
  for (int i = 0; i < list.count(); ++i) {
    const RowState state = list.row(i).state;
    list.SetChecked(i, state == RowState::kFailed || state == RowState::kAborted ||
                           state == RowState::kSkipped);
  }
}

void MainWindow::ShowDetailsEntryClick() {
  const int row = main_form.FileList.selected();
  if (row < 0 || row >= main_form.FileList.count()) return;
  const FileEntry& entry = main_form.FileList.row(row);
  std::string summary = entry.input_path + "\n\r";
  if (!entry.reason.empty()) {
    summary += entry.reason;
  } else if (entry.state == RowState::kDone) {
    summary += texts::Tr("Done");
  } else {
    summary += (entry.details.empty() ? texts::Tr("Not converted yet.") : texts::Tr("No failure."));
  }
  for (const std::string& line : OutputLines(entry)) summary += "\n\r" + line;
  std::string details;
  for (const auto& line : entry.details) details += line + "\n";
  dialogs_.ShowDetails(main_form, texts::Tr("Details"), summary, details);
}

void MainWindow::WaitForBatch() {
  while (worker_.Running()) PumpWait(ui_, 20);
}

}  // namespace vidloom
