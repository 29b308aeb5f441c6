// The main window put together: start-up order and state, settings kept until an allowed close,
// File > Exit, the shutdown countdown on a fake clock with a fake power-off, the options dialog,
// the folder choice, help and links, the list's context menu and the volume slider.
#include "window_logic/main_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kept_list/list_database.h"
#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "support/fake_clock.h"
#include "support/fake_ports.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_runs.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"
#include "window_logic/add_files.h"
#include "window_logic/countdown.h"
#include "window_logic/links.h"

namespace vidloom {
namespace {

using testing::FakePowerOff;
using testing::kGoodRun;
using testing::kPs3;
using testing::ReadTextFile;
using testing::RecordingDesktop;
using testing::RecordingNotifier;
using testing::ScriptedDialogs;
using testing::TempDir;
using testing::WriteTextFile;

constexpr const char* kPs3_720 = "PS3 Video(720P) (*.mp4)";

std::string ProgramDirectoryOfFake() {
  return std::filesystem::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
}

class ScriptedFolderChooser : public FolderChooser {
 public:
  std::optional<std::string> ChooseFolder(const std::string& headline,
                                          const std::string& preselected) override {
    calls.push_back({headline, preselected});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected folder chooser";
      return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  struct Call {
    std::string headline, preselected;
  };
  std::vector<Call> calls;
  std::deque<std::optional<std::string>> answers;
};

// Answers with `answer`; the chosen files exist (empty: the reader is scripted).
class ScriptedFileDialog : public FileDialog {
 public:
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& filter) override {
    filters.push_back(filter);
    if (answer) {
      for (const auto& path : *answer) {
        if (!std::filesystem::exists(path)) WriteTextFile(path, "");
      }
    }
    return answer;
  }
  std::vector<std::string> filters;
  std::optional<std::vector<std::string>> answer;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    setenv("FAKE_ENCODER_SEQUENCE", sequence_.path().c_str(), 1);
    WriteTextFile(sequence_ / "default.txt", kGoodRun);
  }
  ~MainWindowTest() override {
    window_.reset();
    unsetenv("FAKE_ENCODER_SEQUENCE");
  }

  MainWindowOptions Options() const {
    MainWindowOptions options;
    options.program_directory = ProgramDirectoryOfFake();
    options.required_files = {"raziz2u"};
    options.end_pause_ms = 0;
    options.settings_path = settings_path_;
    options.keep_list = keep_list_;
    options.add_files_pause_ms = 0;
    options.read_video_info = [this](const std::string& path) {
      if (on_read) on_read(path);
      return testing::SdVideoInfo();
    };
    return options;
  }

  MainWindowPorts Ports() {
    MainWindowPorts ports;
    ports.power_off = &power_off_;
    ports.desktop = &desktop_;
    ports.folder_chooser = &chooser_;
    ports.file_dialog = &file_dialog_;
    ports.quit = [this] { ++quits_; };
    ports.notifier = &notifier_;
    ports.window_active = [this] { return window_active_; };
    return ports;
  }

  MainWindow& Start() {
    window_ = std::make_unique<MainWindow>(ui_, dialogs_, Options(), Ports());
    window_->Startup();
    return *window_;
  }

  MainForm& form() { return window_->main_form; }

  void SelectFormat(const std::string& text) {
    ASSERT_TRUE(form().ComboOutputFormat.SelectText(text));
    form().ComboOutputFormat.UserSelect(form().ComboOutputFormat.selected());
  }

  void AddRow(const std::string& name) {
    const std::string path = media_ / name;
    WriteTextFile(path, "media");
    FileEntry entry;
    entry.checked = true;
    entry.input_path = path;
    entry.media = MediaFacts::Of("640 x 480", "", "");
    FormatExtension(form(), entry.output_extension);
    form().FileList.AddRow(entry);
  }

  // The window started with two PS3 rows, a.avi and b.avi, of 10 s each, whose run scripts
  // report 5 of a's 10 s, then hold a until `go` exists.
  void StartWithTwoTenSecondRows(const std::string& a_script, const std::string& started,
                                 const std::string& go) {
    Start();
    SelectFormat(kPs3);
    form().OutputFolder.SetText(media_ / "out");
    AddRow("a.avi");
    AddRow("b.avi");
    for (int row : {0, 1}) {
      form().FileList.Update(form().FileList.row(row).id,
                             [](FileEntry& entry) { entry.media.SetDuration("00:00:10"); });
    }
    WriteTextFile(sequence_ / a_script,
                  "print Input #0, avi, from 'in':\n"
                  "print   Duration: 00:00:10.00, start: 0.000000, bitrate: 100 kb/s\n"
                  "write frame=125 q=2.0 size=1kB time=5.00 bitrate=80.0kbits/s\\r\n"
                  "pidfile " +
                      started + "\nawait " + go + "\noutput 2048\nexit 0\n");
  }

  // Checks the shutdown box as the user does, confirming the question.
  void TickShutdownBox() {
    dialogs_.ExpectQuestion(true);
    window_->options_form.CheckBoxShutDown.SetChecked(true);
  }

  void ConvertToTheEnd() { testing::ConvertToTheEnd(*window_, ui_); }
  void StartHangingBatch() { testing::StartHangingBatch(*window_, ui_, sequence_); }

  void StopBatch() {
    dialogs_.ExpectQuestion(true);
    window_->StopConvertButtonClick();
    EXPECT_TRUE(ui_.RunUntil([&] { return !window_->BatchRunning(); }));
    window_->WaitForBatch();
  }

  // Arms the countdown the way the program does: a finished batch with the shutdown box ticked.
  void ArmThroughABatch() {
    TickShutdownBox();
    SelectFormat(kPs3);
    AddRow("a.avi");
    form().OutputFolder.SetText(media_ / "out");
    ConvertToTheEnd();
    ASSERT_TRUE(window_->shutdown.ShutdownArmed);
    ASSERT_TRUE(window_->warning_form.visible);
  }

  // One countdown tick per second of fake time.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) ui_.AdvanceBy(1000);
  }

  bool SettingsWritten() const { return platform::FileExists(settings_path_); }

  RecordingNotifier notifier_;
  bool window_active_ = true;
  TempDir sequence_;
  TempDir media_;
  TempDir config_;
  std::string settings_path_ = config_ / "vazadi.ini";
  platform::FakeClock clock_;
  TestUiThread ui_{clock_};
  ScriptedDialogs dialogs_;
  int quits_ = 0;
  FakePowerOff power_off_{quits_};
  RecordingDesktop desktop_;
  ScriptedFolderChooser chooser_;
  ScriptedFileDialog file_dialog_;
  std::function<void(const std::string&)> on_read;
  bool keep_list_ = false;
  std::unique_ptr<MainWindow> window_;
};

// --- Start-up ---------------------------------------------------------------------------------

TEST_F(MainWindowTest, FirstStartShowsTheDesignedStateAndWritesNothing) {
  MainWindow& w = Start();
  const MainForm& f = w.main_form;
  EXPECT_EQ(f.caption, "Vidloom");
  EXPECT_TRUE(f.visible);
  EXPECT_EQ(f.hint_hide_pause_ms, 30000);
  EXPECT_EQ(f.ComboOutputFormat.count(), 16);
  EXPECT_EQ(f.ComboOutputFormat.selected(), 0);
  EXPECT_EQ(f.ComboOutputFormat.text(), FormatCatalogue[0].DisplayName);
  EXPECT_EQ(f.ComboOutputFormat.drop_down_count(), 27);
  EXPECT_EQ(w.window.DropDownItemCount, 27);
  for (const Selector* s :
       {&f.ComboVideoCodec, &f.ComboVideoSize, &f.ComboVideoBitrate, &f.ComboVideoFramerate,
        &f.ComboAudioCodec, &f.ComboAudioBitrate, &f.ComboSamplingRate}) {
    EXPECT_GT(s->count(), 0);
    EXPECT_GE(s->selected(), 0);
  }
  EXPECT_EQ(f.ComboLetterBox.items(), (std::vector<std::string>{"None", "LetterBox"}));
  EXPECT_EQ(f.ComboLetterBox.text(), "LetterBox");
  EXPECT_EQ(f.ComboAudioChannel.text(), "Stereo");
  EXPECT_EQ(f.ComboAspectRatio.text(), "Original ");
  EXPECT_EQ(f.VolumeSlider.position(), 5);
  EXPECT_EQ(f.VolumePercent.caption(), "100%");
  EXPECT_EQ(w.window.VolumeFactor, "50");
  EXPECT_EQ(f.Status.panel(0), "Ready");
  EXPECT_EQ(f.OutputFolder.text(), settings::DefaultOutputDirectory());
  EXPECT_FALSE(f.UnusedMemo.visible());
  EXPECT_FALSE(f.PowerOffCountdownTimer.enabled());
  EXPECT_FALSE(f.ConversionCountTimer.enabled());

  // The other windows exist, hidden; the options dialog holds the designed values.
  EXPECT_FALSE(w.analyzing_form.visible);
  EXPECT_FALSE(w.about_form.visible);
  EXPECT_FALSE(w.warning_form.visible);
  EXPECT_FALSE(w.options_form.visible);
  EXPECT_FALSE(w.options_form.CheckBoxOverWrite.checked());
  EXPECT_FALSE(w.options_form.CheckBoxShutDown.checked());
  EXPECT_FALSE(w.settings().ShutdownPromptSuppressed) << "cleared when the window is shown";

  EXPECT_EQ(desktop_.scripts, std::vector<std::string>{ProgramDirectoryOfFake() + "reg.sh"});
  EXPECT_EQ(w.help_file(), ProgramDirectoryOfFake() + "help.html");
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_FALSE(SettingsWritten());

  // Nothing ticks on its own.
  Ticks(40);
  EXPECT_EQ(power_off_.calls, 0);
  EXPECT_EQ(quits_, 0);
}

TEST_F(MainWindowTest, StoredSettingsComeBackAfterTheScriptAndAskNothing) {
  WriteTextFile(settings_path_,
                "[General]\nOutputDir=/srv/videos\n[CheckBoxes]\nOverwriteExistingFile=1\n"
                "ShutDown=1\n[Combo]\nOutputFormat=12\nLetterBox=0\nComboDropItem=30\n");
  // The start-up script runs during the main window's creation, before the settings are read.
  std::string directory_when_script_ran;
  desktop_.on_script = [&] { directory_when_script_ran = window_->main_form.OutputFolder.text(); };
  MainWindow& w = Start();

  EXPECT_EQ(directory_when_script_ran, settings::DefaultOutputDirectory());
  EXPECT_EQ(w.main_form.OutputFolder.text(), "/srv/videos");
  EXPECT_TRUE(w.options_form.CheckBoxOverWrite.checked());
  EXPECT_TRUE(w.options_form.CheckBoxShutDown.checked());
  EXPECT_TRUE(dialogs_.boxes.empty()) << "a restored shutdown box asks nothing";
  // A restored power-off is visible from the start, and follows the box.
  EXPECT_EQ(w.main_form.Status.notice(), "Power off when done");
  EXPECT_EQ(w.main_form.ComboOutputFormat.selected(), 12);
  EXPECT_EQ(w.options_form.DropDownCount.value(), 30);
  EXPECT_EQ(w.window.DropDownItemCount, 30);
  EXPECT_EQ(w.main_form.ComboOutputFormat.drop_down_count(), 30);
  // The show-time refresh applied the restored format.
  EXPECT_EQ(w.window.PreviousFormatIndex, 12);

  // After start-up, checking the box again asks.
  w.options_form.CheckBoxShutDown.SetChecked(false);
  EXPECT_EQ(w.main_form.Status.notice(), "");
  dialogs_.ExpectQuestion(true);
  w.options_form.CheckBoxShutDown.SetChecked(true);
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(w.main_form.Status.notice(), "Power off when done");
}

TEST_F(MainWindowTest, StartupRunsOnceAndAMissingDesktopIsQuiet) {
  window_ = std::make_unique<MainWindow>(ui_, dialogs_, Options(), MainWindowPorts{});
  window_->Startup();
  window_->Startup();
  window_->OpenHelpEntryClick();
  window_->VisitWebsiteEntryClick();
  window_->main_form.ButtonBrowseForFolder.UserClick();
  window_->ExitEntryClick();
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_EQ(window_->main_form.ComboOutputFormat.count(), 16) << "the format list is filled once";
}

// --- Closing and ending -----------------------------------------------------------------------

TEST_F(MainWindowTest, ClosingWritesTheSettingsWhichTheNextStartRestores) {
  Start();
  SelectFormat(kPs3_720);
  form().ComboLetterBox.UserSelect(0);
  form().OutputFolder.SetText("/srv/out");
  window_->options_form.CheckBoxOverWrite.SetChecked(true);
  EXPECT_FALSE(SettingsWritten());

  EXPECT_TRUE(window_->MayClose());
  EXPECT_TRUE(window_->TryClose());
  ASSERT_TRUE(SettingsWritten());
  const std::string text = ReadTextFile(settings_path_);
  EXPECT_NE(text.find("OutputDir=/srv/out"), std::string::npos) << text;
  EXPECT_NE(text.find("OverwriteExistingFile=1"), std::string::npos) << text;
  EXPECT_EQ(quits_, 0) << "the caller closes the window; nothing is quit here";

  const int row = form().ComboOutputFormat.selected();
  window_.reset();
  Start();
  EXPECT_EQ(form().OutputFolder.text(), "/srv/out");
  EXPECT_EQ(form().ComboOutputFormat.selected(), row);
  EXPECT_EQ(form().ComboOutputFormat.text(), kPs3_720);
  EXPECT_TRUE(window_->options_form.CheckBoxOverWrite.checked());

  // The format stored at position 7 ("PS3 Video(480P)") is restored like any other, and the
  // file with every other choice stays.
  SelectFormat(kPs3);
  ASSERT_EQ(form().ComboOutputFormat.selected(), 7);
  EXPECT_TRUE(window_->TryClose());
  window_.reset();
  Start();
  EXPECT_EQ(form().ComboOutputFormat.selected(), 7);
  EXPECT_EQ(form().ComboOutputFormat.text(), kPs3);
  EXPECT_EQ(form().OutputFolder.text(), "/srv/out");
  EXPECT_TRUE(SettingsWritten());
}

TEST_F(MainWindowTest, AFailedWriteKeepsTheWindowOpen) {
  WriteTextFile(config_ / "blocker", "a file where a directory should be");
  settings_path_ = config_ / "blocker/vazadi.ini";
  Start();
  EXPECT_FALSE(window_->TryClose());
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{"Unable to write to " + settings_path_});
  EXPECT_EQ(dialogs_.boxes.front().caption, "Information");
}

TEST_F(MainWindowTest, ExitEndsAtOnceWithoutWriting) {
  Start();
  form().ExitEntry.UserClick();
  EXPECT_EQ(quits_, 1);
  EXPECT_FALSE(SettingsWritten());
  EXPECT_EQ(power_off_.calls, 0);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, ClosingIsRefusedSilentlyWhileABatchConverts) {
  Start();
  SelectFormat(kPs3);
  AddRow("a.avi");
  form().OutputFolder.SetText(media_ / "out");
  StartHangingBatch();
  EXPECT_TRUE(window_->conversion.batch.Converting);
  EXPECT_FALSE(window_->TryClose());
  EXPECT_FALSE(SettingsWritten());
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_FALSE(form().ExitEntry.enabled()) << "File > Exit is disabled while converting";

  StopBatch();
  EXPECT_TRUE(window_->TryClose());
  EXPECT_TRUE(SettingsWritten());
}

// --- Countdown --------------------------------------------------------------------------------

TEST_F(MainWindowTest, CancelBeforeTheLastTickPreventsThePowerOff) {
  for (int cancel_at : {1, 15, 29}) {
    SCOPED_TRACE(cancel_at);
    Start();
    ArmThroughABatch();
    EXPECT_EQ(window_->warning_form.ElapsedSeconds.caption(), "1")
        << "the first countdown shows 1 at first";
    EXPECT_FALSE(window_->TryClose()) << "closing is refused while armed";

    Ticks(cancel_at);
    EXPECT_EQ(window_->shutdown.CountdownTicks, cancel_at);
    EXPECT_EQ(window_->warning_form.ElapsedSeconds.caption(), std::to_string(cancel_at));

    window_->warning_form.DoNotTurnOffButton.UserClick();
    EXPECT_FALSE(window_->shutdown.ShutdownArmed);
    EXPECT_FALSE(window_->warning_form.visible);
    EXPECT_FALSE(form().PowerOffCountdownTimer.enabled());
    Ticks(60);
    EXPECT_EQ(window_->warning_form.ElapsedSeconds.caption(), std::to_string(cancel_at));
    EXPECT_EQ(power_off_.calls, 0);
    EXPECT_EQ(quits_, 0);
    EXPECT_TRUE(window_->TryClose()) << "the window can be closed again";
    window_.reset();
    std::filesystem::remove(settings_path_);
  }
}

TEST_F(MainWindowTest, TheThirtiethTickEndsTheProgramThenPowersOff) {
  Start();
  ArmThroughABatch();
  Ticks(29);
  EXPECT_EQ(power_off_.calls, 0);
  EXPECT_EQ(quits_, 0);
  Ticks(1);
  EXPECT_EQ(window_->warning_form.ElapsedSeconds.caption(), "30");
  EXPECT_EQ(quits_, 1);
  EXPECT_EQ(power_off_.calls, 1);
  EXPECT_EQ(power_off_.quits_before_first_call, 1) << "the loop is asked to end first";
  EXPECT_FALSE(SettingsWritten()) << "the power-off path writes nothing";
  Ticks(30);
  EXPECT_EQ(power_off_.calls, 1) << "requested once";
  EXPECT_EQ(quits_, 1);
}

TEST_F(MainWindowTest, TheWarningWindowRefusesToCloseWhileArmed) {
  Start();
  EXPECT_TRUE(window_->MayCloseWarning());
  ArmThroughABatch();
  EXPECT_TRUE(window_->warning_form.on_top);
  EXPECT_FALSE(window_->MayCloseWarning());
  Ticks(5);
  EXPECT_FALSE(window_->MayCloseWarning());
  window_->DoNotTurnOffClick();
  EXPECT_TRUE(window_->MayCloseWarning());
}

TEST_F(MainWindowTest, ExitDuringTheCountdownEndsWithoutPowerOffOrSaving) {
  Start();
  ArmThroughABatch();
  Ticks(10);
  form().ExitEntry.UserClick();
  EXPECT_EQ(quits_, 1);
  // The loop ends and the window goes; time keeps passing.
  window_.reset();
  Ticks(40);
  EXPECT_EQ(power_off_.calls, 0);
  EXPECT_FALSE(SettingsWritten());
}

TEST_F(MainWindowTest, ABatchStartedDuringTheCountdownDoesNotStopIt) {
  Start();
  ArmThroughABatch();
  Ticks(3);
  // Without the box the new batch cannot re-arm, so the first countdown runs out under it.
  window_->options_form.CheckBoxShutDown.SetChecked(false);
  StartHangingBatch();
  const int ticks_now = window_->shutdown.CountdownTicks;
  EXPECT_GE(ticks_now, 3);
  Ticks(kCountdownLastTick - ticks_now);
  EXPECT_TRUE(window_->BatchRunning()) << "the batch is still converting at the last tick";
  EXPECT_EQ(quits_, 1);
  EXPECT_EQ(power_off_.calls, 1);
  // Ending the program stops the batch.
  window_.reset();
  EXPECT_EQ(power_off_.calls, 1);
}

TEST_F(MainWindowTest, ABatchEndingDuringTheCountdownRestartsIt) {
  Start();
  ArmThroughABatch();
  Ticks(20);
  ConvertToTheEnd();  // the box is still ticked: arming runs again
  EXPECT_TRUE(window_->shutdown.ShutdownArmed);
  EXPECT_LT(window_->shutdown.CountdownTicks, 5) << "the count restarts from 0";
  Ticks(kCountdownLastTick - window_->shutdown.CountdownTicks - 1);
  EXPECT_EQ(power_off_.calls, 0);
  Ticks(1);
  EXPECT_EQ(power_off_.calls, 1);
}

// --- Options dialog ---------------------------------------------------------------------------

TEST_F(MainWindowTest, OptionsDialogOpensBesideTheWindowAndAsksBeforeShuttingDown) {
  Start();
  OptionsForm& options = window_->options_form;
  int notified = 0;
  options.Subscribe([&] { ++notified; });
  form().SetOptionsEntry.UserClick();
  EXPECT_TRUE(options.visible);
  EXPECT_EQ(notified, 1);
  // Not modal: the main window keeps working.
  form().VolumeSlider.SetPosition(1);
  EXPECT_EQ(form().VolumePercent.caption(), "20%");

  dialogs_.ExpectQuestion(false);
  options.CheckBoxShutDown.SetChecked(true);
  EXPECT_FALSE(options.CheckBoxShutDown.checked()) << "No unticks the box";
  ASSERT_EQ(dialogs_.boxes.size(), 1u) << "the unticking asks nothing";
  EXPECT_EQ(dialogs_.boxes[0].kind, "yesno");
  EXPECT_EQ(dialogs_.boxes[0].text, settings::kShutdownQuestion);

  dialogs_.ExpectQuestion(true);
  options.CheckBoxShutDown.SetChecked(true);
  EXPECT_TRUE(options.CheckBoxShutDown.checked());
  options.CheckBoxShutDown.SetChecked(false);
  EXPECT_EQ(dialogs_.boxes.size(), 2u);

  options.DoneButton.UserClick();
  EXPECT_FALSE(options.visible);
  EXPECT_EQ(notified, 2) << "the view hears that the dialog closed";
}

// --- Folder choice, hint, help and links ------------------------------------------------------

TEST_F(MainWindowTest, FolderChoiceOpensAtTheOutputDirectoryElseTheLastConfirmedFolder) {
  Start();
  const std::string missing = media_ / "not made yet";
  const std::string chosen = media_ / "chosen";
  std::filesystem::create_directories(chosen);
  form().OutputFolder.SetText(missing);
  chooser_.answers = {std::nullopt, chosen, std::nullopt, "/srv/second"};

  form().ButtonBrowseForFolder.UserClick();
  EXPECT_EQ(form().OutputFolder.text(), missing) << "cancel changes nothing";
  form().ButtonBrowseForFolder.UserClick();
  EXPECT_EQ(form().OutputFolder.text(), chosen);
  form().ButtonBrowseForFolder.UserClick();
  EXPECT_EQ(form().OutputFolder.text(), chosen);
  form().OutputFolder.SetText(missing);
  form().ButtonBrowseForFolder.UserClick();
  EXPECT_EQ(form().OutputFolder.text(), "/srv/second");

  ASSERT_EQ(chooser_.calls.size(), 4u);
  // Nowhere yet; then the output directory where it exists; else the folder confirmed last.
  const std::vector<std::string> preselected{"", "", chosen, chosen};
  for (std::size_t i = 0; i < chooser_.calls.size(); ++i) {
    EXPECT_EQ(chooser_.calls[i].headline, "Choose the required output directory below :");
    EXPECT_EQ(chooser_.calls[i].preselected, preselected[i]) << "opening " << i;
  }

  window_->OutputFolderLabelMouseEnter();
  EXPECT_EQ(form().OutputFolderLabel.hint(), "/srv/second");
}

TEST_F(MainWindowTest, FolderChoiceDoesNothingWhileAnalysingOrConverting) {
  Start();
  window_->analyzing_form.visible = true;
  form().ButtonBrowseForFolder.UserClick();
  window_->analyzing_form.visible = false;

  SelectFormat(kPs3);
  AddRow("a.avi");
  form().OutputFolder.SetText(media_ / "out");
  StartHangingBatch();
  EXPECT_TRUE(form().ButtonBrowseForFolder.enabled()) << "the button stays enabled";
  form().ButtonBrowseForFolder.UserClick();
  EXPECT_TRUE(chooser_.calls.empty());
  StopBatch();

  chooser_.answers = {"/srv/after"};
  form().ButtonBrowseForFolder.UserClick();
  EXPECT_EQ(form().OutputFolder.text(), "/srv/after");
}

TEST_F(MainWindowTest, HelpWebsiteAndAboutBoxUseTheDesktop) {
  Start();
  form().OpenHelpEntry.UserClick();
  form().OpenHelpEntry.UserClick();
  EXPECT_EQ(desktop_.help, std::vector<std::string>(2, ProgramDirectoryOfFake() + "help.html"));

  form().VisitWebsiteEntry.UserClick();
  int about_notified = 0;
  window_->about_form.Subscribe([&] { ++about_notified; });
  form().AboutEntry.UserClick();
  EXPECT_TRUE(window_->about_form.visible);
  window_->WebsiteLinkClick();
  window_->SupportLinkClick();
  window_->about_form.OkButton.UserClick();
  EXPECT_FALSE(window_->about_form.visible);
  EXPECT_EQ(about_notified, 2);
  EXPECT_EQ(desktop_.urls, (std::vector<std::string>{kWebsiteUrl, kWebsiteUrl, kSupportMailUrl}));
  EXPECT_EQ(std::string(kSupportMailUrl).rfind("mailto:", 0), 0u);
  EXPECT_TRUE(dialogs_.boxes.empty()) << "all opened: nothing to say";
}

TEST_F(MainWindowTest, WhatCannotBeOpenedIsSaidWithThePathOrAddressToOpenByHand) {
  Start();
  desktop_.opens = false;  // no browser, mail program or file manager
  form().OpenHelpEntry.UserClick();
  form().VisitWebsiteEntry.UserClick();
  window_->SupportLinkClick();
  const std::string help = ProgramDirectoryOfFake() + "help.html";
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{std::string(kCannotOpenHelpText) + help,
                                      std::string(kCannotOpenLinkText) + kWebsiteUrl,
                                      std::string(kCannotOpenLinkText) + kSupportMailUrl}));

  // The output folder: not made yet, or no file manager; both menus reach it.
  dialogs_.boxes.clear();
  const std::string out = media_ / "out";
  form().OutputFolder.SetText(out);
  form().OpenOutputFolderEntry.UserClick();
  std::filesystem::create_directories(out);
  form().OpenRowFolderEntry.UserClick();
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{std::string(kNoOutputFolderText) + out,
                                      std::string(kCannotOpenFolderText) + out}));
  desktop_.opens = true;
  form().OpenOutputFolderEntry.UserClick();
  EXPECT_EQ(desktop_.folders, (std::vector<std::string>{out, out}));
  EXPECT_EQ(dialogs_.Messages().size(), 2u);
}

TEST(BatchProgress, TimesLeftFollowTheSpeedSoFar) {
  BatchProgress p;
  p.Start({{.duration = 60}, {.duration = 30}}, 1'000'000);
  EXPECT_FALSE(p.BatchPercent());
  p.NextFile(1'000'000);
  EXPECT_EQ(p.PanelText(), "Converting 1 of 2");
  EXPECT_EQ(p.TimesText(1'000'000), "0:00 elapsed, --:-- left  |  batch 0:00 elapsed, --:-- left");
  // 30 of 60 media seconds in 10 s: 10 s left of the file, 20 of the batch (60 of 90 to go).
  p.FileTime(0, 30, 1'010'000);
  EXPECT_EQ(p.TimesText(1'010'000), "0:10 elapsed, 0:10 left  |  batch 0:10 elapsed, 0:20 left");
  EXPECT_EQ(p.BatchPercent(), 33);
  p.NextFile(1'020'000);
  EXPECT_EQ(p.PanelText(), "Converting 2 of 2");
  p.FileTime(1, 15, 1'030'000);
  EXPECT_EQ(p.BatchPercent(), 83);
  EXPECT_EQ(p.TimesText(1'030'000), "0:10 elapsed, 0:10 left  |  batch 0:30 elapsed, 0:06 left");

  // A file of unknown length: its own time left stays unknown; the batch takes it as long as
  // the known ones on average. The percentage counts what is known.
  p.Start({{.duration = 0}, {.duration = 100}}, 0);
  p.NextFile(0);
  p.FileTime(0, 50, 5'000);
  EXPECT_EQ(p.TimesText(5'000), "0:05 elapsed, --:-- left  |  batch 0:05 elapsed, 0:15 left");
  EXPECT_EQ(p.BatchPercent(), 0);
  // Two lanes: the files run side by side and count by what each has converted; a file counts
  // whole once it has ended, however it ended. The file half names the latest file.
  p.Start({{60, "a.avi"}, {30, "b.avi"}, {10, "c.avi"}}, 0, 2);
  EXPECT_TRUE(p.side_by_side());
  const int first = p.NextFile(0), second = p.NextFile(0);
  p.FileTime(second, 15, 5'000);
  p.FileTime(first, 30, 5'000);
  EXPECT_EQ(p.BatchPercent(), 45);
  EXPECT_EQ(p.TimesText(5'000).substr(0, 30), "b.avi 0:05 elapsed, 0:05 left ");
  p.FileEnded(second);
  EXPECT_EQ(p.BatchPercent(), 60);
  EXPECT_EQ(p.NextFile(5'000), 2);
  EXPECT_EQ(p.PanelText(), "Converting 3 of 3");
  EXPECT_EQ(p.BatchPercent(), 60) << "the first file keeps its own progress";

  EXPECT_EQ(BatchProgress::FormatTime(3725), "1:02:05");
  EXPECT_EQ(BatchProgress::FormatTime(-1), "--:--");

  EXPECT_EQ(SummaryText({.converted = 8, .failed = 5}, false), "8 of 13 converted, 5 failed");
  EXPECT_EQ(SummaryText({.converted = 3, .stopped = 1}, true), "3 converted, 1 stopped");
  EXPECT_EQ(SummaryText({.converted = 3, .failed = 2, .stopped = 1}, true),
            "3 converted, 2 failed, 1 stopped");
}

// A steady batch, simulated on a fake clock: each file takes a second of start and end around
// its conversion at a steady speed, lanes take the files in order as they free up, and the
// encoder reports its media seconds every 360 ms. From the first tenth of the batch to its
// last tenth, the time left it shows is within 20 % of the truth.
TEST(BatchProgress, TimeLeftOfASteadyBatchIsWithinAFifth) {
  struct Case {
    const char* name;
    std::vector<double> durations;
    int lanes;
    double speed;     // media seconds per second
    double overhead;  // seconds per file besides its conversion
  } const cases[] = {
      {"one lane, equal files", std::vector<double>(10, 60), 1, 4, 1},
      {"one lane, mixed files", {30, 120, 45, 90, 15, 60, 75, 40, 100, 25}, 1, 2, 1.5},
      {"two lanes, mixed files", {30, 120, 45, 90, 15, 60, 75, 40, 100, 25}, 2, 2, 1.5},
      {"two lanes, slow HD", std::vector<double>(6, 20), 2, 0.5, 0.5},
      {"three lanes, songs", std::vector<double>(12, 200), 3, 20, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // When each file starts and ends, by lane.
    struct Run {
      std::int64_t start, convert, end;
    };
    std::vector<Run> runs;
    std::vector<std::int64_t> lane_free(static_cast<std::size_t>(c.lanes), 0);
    for (const double duration : c.durations) {
      auto lane = std::min_element(lane_free.begin(), lane_free.end());
      const auto ms = [](double s) { return static_cast<std::int64_t>(s * 1000); };
      const std::int64_t convert = *lane + ms(c.overhead / 2);
      runs.push_back({*lane, convert, convert + ms(duration / c.speed + c.overhead / 2)});
      *lane = runs.back().end;
    }
    std::int64_t batch_end = 0;
    for (const Run& r : runs) batch_end = std::max(batch_end, r.end);

    BatchProgress p;
    std::vector<BatchFile> files;
    for (const double d : c.durations) files.push_back({.duration = d});
    p.Start(files, 0, c.lanes);
    std::size_t next = 0;
    std::vector<bool> ended(runs.size(), false);
    double worst = 0;
    for (std::int64_t t = 0; t < batch_end; t += 40) {
      while (next < runs.size() && runs[next].start <= t) p.NextFile(runs[next++].start);
      for (std::size_t i = 0; i < next; ++i) {
        if (ended[i]) continue;
        if (t >= runs[i].end) {
          ended[i] = true;
          p.FileEnded(static_cast<int>(i));
        } else if (t >= runs[i].convert && (t - runs[i].convert) % 360 < 40) {
          const double seconds =
              std::min(c.durations[i], static_cast<double>(t - runs[i].convert) / 1000 * c.speed);
          p.FileTime(static_cast<int>(i), seconds, t);
        }
      }
      if (t % 360 != 0 || t < batch_end / 10 || t > batch_end * 9 / 10) continue;
      const double truth = static_cast<double>(batch_end - t) / 1000;
      const auto left = p.BatchLeft(t);
      ASSERT_TRUE(left) << t;
      worst = std::max(worst, std::abs(*left - truth) / truth);
    }
    EXPECT_LT(worst, 0.2);
  }
}

TEST_F(MainWindowTest, TheBatchSaysWhereItStandsAndTakesItBackAtItsEnd) {
  const std::string started = sequence_ / "started", go = sequence_ / "go";
  StartWithTwoTenSecondRows("run-0.txt", started, go);
  window_->ConvertNowButtonClick();
  ASSERT_TRUE(ui_.RunUntil(
      [&] {
        return platform::FileExists(started) && form().caption == "25% - Vidloom" &&
               form().Status.panel(0) == "Converting 1 of 2";
      },
      false))
      << form().caption << " / " << form().Status.panel(0);
  // Two seconds on: 5 of 10 s done, so 2 s left of the file and 6 s of the batch.
  ui_.AdvanceBy(2000);
  EXPECT_EQ(form().ConversionProgress.text(),
            "0:02 elapsed, 0:02 left  |  batch 0:02 elapsed, 0:06 left");
  // The batch has ended when its closing message shows: summary, clock and buttons.
  std::vector<std::string> behind_the_message;
  dialogs_.on_box = [&](const ScriptedDialogs::Box&) {
    behind_the_message = {form().Status.panel(0), form().BatchClockTimer.enabled() ? "clock" : "",
                          form().StopConvertButton.enabled() ? "stop" : "",
                          form().ConvertNowButton.enabled() ? "convert" : ""};
  };
  WriteTextFile(go, "");
  EXPECT_TRUE(ui_.RunUntil([&] { return !window_->BatchRunning(); }));
  window_->WaitForBatch();
  EXPECT_EQ(behind_the_message, (std::vector<std::string>{"2 of 2 converted", "", "", "convert"}));
  EXPECT_EQ(form().FileList.cell(1, kCellProgress), "Done");
  EXPECT_EQ(form().ConversionProgress.text(), "");
  EXPECT_EQ(form().caption, "Vidloom");
  EXPECT_FALSE(form().BatchClockTimer.enabled());
  // The summary stays until the list changes.
  EXPECT_EQ(form().Status.panel(0), "2 of 2 converted");
  form().FileList.Select(0);
  EXPECT_EQ(form().Status.panel(0), "2 of 2 converted");
  AddRow("c.avi");
  EXPECT_EQ(form().Status.panel(0), "Ready");
}

TEST_F(MainWindowTest, WithTwoFilesAtOnceTheBarAndTheTitleShowTheBatch) {
  const std::string started = sequence_ / "started", go = sequence_ / "go";
  // a: half converted, then held; b: whole at once, beside it.
  StartWithTwoTenSecondRows("for-a.mp4.txt", started, go);
  window_->options_form.SpinEditFilesAtOnce.max = 2;
  window_->options_form.SpinEditFilesAtOnce.SetValue(2);
  window_->ConvertNowButtonClick();
  ASSERT_TRUE(ui_.RunUntil(
      [&] {
        return platform::FileExists(started) && form().FileList.cell(1, kCellProgress) == "Done" &&
               form().caption == "75% - Vidloom";
      },
      false))
      << form().caption;
  EXPECT_EQ(form().ConversionProgress.position(), 75) << "5 of a's 10 s and all of b's";
  WriteTextFile(go, "");
  EXPECT_TRUE(ui_.RunUntil([&] { return !window_->BatchRunning(); }));
  window_->WaitForBatch();
  EXPECT_EQ(form().FileList.cell(0, kCellProgress), "Done");
  EXPECT_EQ(form().ConversionProgress.position(), 0);
  EXPECT_EQ(form().caption, "Vidloom");
}

TEST_F(MainWindowTest, TheEndOfABatchIsToldOnTheDesktopWhenTheWindowIsNotActive) {
  Start();
  SelectFormat(kPs3);
  form().OutputFolder.SetText(media_ / "out");
  AddRow("a.avi");
  AddRow("b.avi");
  window_active_ = true;
  ConvertToTheEnd();
  EXPECT_TRUE(notifier_.shown.empty()) << "the user sees the window";

  window_active_ = false;
  ConvertToTheEnd();
  EXPECT_EQ(notifier_.shown, std::vector<std::string>{"Vidloom: 2 of 2 converted"});

  // One file gone: it failed; the status bar says the same, and "Check Failed Items" ticks it
  // alone for the next batch.
  notifier_.shown.clear();
  std::filesystem::remove(media_ / "b.avi");
  ConvertToTheEnd();
  EXPECT_EQ(notifier_.shown, std::vector<std::string>{"Vidloom: 1 of 2 converted, 1 failed"});
  EXPECT_EQ(form().Status.panel(0), "1 of 2 converted, 1 failed");
  form().CheckFailedEntry.UserClick();
  EXPECT_FALSE(form().FileList.row(0).checked);
  EXPECT_TRUE(form().FileList.row(1).checked);

  // A stopped batch is not announced; its summary counts the stopped rows.
  notifier_.shown.clear();
  form().CheckAllEntry.UserClick();
  WriteTextFile(media_ / "b.avi", "media");
  StartHangingBatch();
  StopBatch();
  EXPECT_TRUE(notifier_.shown.empty());
  EXPECT_EQ(form().Status.panel(0), "0 converted, 2 stopped");
  // One the countdown takes over says what comes.
  WriteTextFile(sequence_ / "default.txt", kGoodRun);
  TickShutdownBox();
  ConvertToTheEnd();
  ASSERT_TRUE(window_->shutdown.ShutdownArmed);
  EXPECT_EQ(notifier_.shown,
            std::vector<std::string>{
                "Vidloom: 2 of 2 converted. Your PC will be turned off in 30 seconds"});
}

TEST_F(MainWindowTest, TheDeleteKeyRemovesTheSelectedRowExceptWhileConverting) {
  Start();
  AddRow("a.avi");
  AddRow("b.avi");
  ListView& list = form().FileList;
  list.Select(0);
  window_->DeleteKeyPressed();
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.row(0).input_path, media_ / "b.avi");
  StartHangingBatch();
  list.Select(0);
  window_->DeleteKeyPressed();
  EXPECT_EQ(list.count(), 1) << "the list stays while the batch converts";
  StopBatch();
  list.Select(0);
  window_->DeleteKeyPressed();
  EXPECT_EQ(list.count(), 0);
}

// --- Adding files ----------------------------------------------------------------------------

TEST_F(MainWindowTest, AddFilesFromTheButtonOrTheMenuEvenWhenTheButtonIsDisabled) {
  Start();
  SelectFormat(kPs3);
  file_dialog_.answer = std::vector<std::string>{media_ / "a.avi", media_ / "b.mov"};
  form().AddFileButton.UserClick();
  ASSERT_EQ(form().FileList.count(), 2);
  EXPECT_EQ(form().FileList.row(1).input_path, media_ / "b.mov");
  EXPECT_TRUE(form().FileList.row(1).checked);
  EXPECT_EQ(form().FileList.cell(0, kCellVideoSize), "640 x 480");
  EXPECT_EQ(form().FileList.cell(0, kCellDuration), "00:01:40");
  EXPECT_EQ(form().FileList.cell(0, kCellOutput), "MP4");
  EXPECT_EQ(file_dialog_.filters, std::vector<std::string>{SupportedFilesFilter});

  form().AddFileButton.SetEnabled(false);
  file_dialog_.answer = std::vector<std::string>{media_ / "c.avi"};
  form().AddFilesEntry.UserClick();
  EXPECT_EQ(form().FileList.count(), 3) << "the menu entry clicks the disabled button";
  EXPECT_EQ(file_dialog_.filters.size(), 2u);

  file_dialog_.answer = std::nullopt;
  form().AddFileButton.UserClick();
  EXPECT_EQ(form().FileList.count(), 3);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, TheAnalysingWindowCancelsAndHoldsOffTheFolderChoice) {
  Start();
  // The reader below clicks the window, so it must run on the UI thread: one file at a time.
  window_->adding().parallel_analyses = 1;
  file_dialog_.answer =
      std::vector<std::string>{media_ / "a.avi", media_ / "b.avi", media_ / "c.avi"};
  std::vector<bool> close_allowed;
  on_read = [&](const std::string& path) {
    close_allowed.push_back(window_->MayCloseAnalyzing());
    EXPECT_TRUE(window_->analyzing_form.visible);
    form().ButtonBrowseForFolder.UserClick();  // the chooser must not open
    if (path == media_ / "b.avi") window_->analyzing_form.CancelButton.UserClick();
  };
  const auto result = window_->AddFileButtonClick();
  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  EXPECT_EQ(form().FileList.count(), 2) << "the file in hand is finished, the rest skipped";
  EXPECT_EQ(close_allowed, (std::vector<bool>{false, false}));
  EXPECT_TRUE(chooser_.calls.empty());
  EXPECT_FALSE(window_->analyzing_form.visible);
  EXPECT_TRUE(window_->MayCloseAnalyzing());
  EXPECT_TRUE(form().ComboOutputFormat.enabled());
  EXPECT_TRUE(form().AddFileButton.enabled());
}

TEST_F(MainWindowTest, ClosingTheWindowWhileFilesAreAddedStopsTheAdding) {
  Start();
  window_->adding().parallel_analyses = 1;
  file_dialog_.answer =
      std::vector<std::string>{media_ / "a.avi", media_ / "b.avi", media_ / "c.avi"};
  on_read = [&](const std::string& path) {
    if (path == media_ / "a.avi") {
      EXPECT_TRUE(window_->TryClose());
    }
  };
  const auto result = window_->AddFileButtonClick();
  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  EXPECT_EQ(form().FileList.count(), 1) << "the file in hand is finished, the rest skipped";
}

TEST_F(MainWindowTest, AddingFilesWithoutTheEncoderSaysSoAndAddsNothing) {
  MainWindowOptions options = Options();
  options.required_files = {"raziz2u", "no-such-library"};
  window_ = std::make_unique<MainWindow>(ui_, dialogs_, options, Ports());
  window_->Startup();
  file_dialog_.answer = std::vector<std::string>{media_ / "a.avi"};
  form().AddFileButton.UserClick();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kRequiredFileMissingText});
  EXPECT_TRUE(file_dialog_.filters.empty()) << "no file dialog after the message";
  EXPECT_EQ(form().FileList.count(), 0);
  EXPECT_TRUE(form().ComboOutputFormat.enabled());
}

// --- List and slider --------------------------------------------------------------------------

TEST_F(MainWindowTest, ListCommandsAskNothing) {
  Start();
  for (const char* name : {"a.avi", "b.avi", "c.avi"}) AddRow(name);
  ListView& list = form().FileList;

  form().UncheckAllEntry.UserClick();
  for (const auto& row : list.rows()) EXPECT_FALSE(row.checked);
  form().CheckAllEntry.UserClick();
  for (const auto& row : list.rows()) EXPECT_TRUE(row.checked);

  form().RemoveButton.UserClick();
  EXPECT_EQ(list.count(), 3) << "nothing selected: nothing removed";
  list.Select(1);
  form().RemoveButton.UserClick();
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.row(1).input_path, media_ / "c.avi");
  list.Select(0);
  form().RemoveSelectedEntry.UserClick();
  EXPECT_EQ(list.count(), 1);

  AddRow("d.avi");
  form().Status.SetPanel(1, "Output File Size : 1536 KB");
  form().Status.SetMessage("Skipped (no such file): x.avi");
  form().ClearAllButton.UserClick();
  EXPECT_EQ(list.count(), 0);
  // What told of the last files no longer applies.
  EXPECT_EQ(form().Status.panel(1), "");
  EXPECT_EQ(form().Status.message(), "");
  EXPECT_EQ(form().Status.panel(0), "Ready");
  AddRow("e.avi");
  form().ClearAllEntry.UserClick();
  EXPECT_EQ(list.count(), 0);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, VolumeSliderAndItsResetByTheFormatRefresh) {
  Start();
  form().VolumeSlider.SetPosition(1);
  EXPECT_EQ(form().VolumePercent.caption(), "20%");
  EXPECT_EQ(window_->window.VolumeFactor, "2");
  form().VolumeSlider.SetPosition(10);
  EXPECT_EQ(form().VolumePercent.caption(), "200%");
  EXPECT_EQ(window_->window.VolumeFactor, "100");
  SelectFormat(kPs3);
  EXPECT_EQ(form().VolumeSlider.position(), 5);
  EXPECT_EQ(form().VolumePercent.caption(), "100%");
  EXPECT_EQ(window_->window.VolumeFactor, "50");
}

TEST_F(MainWindowTest, MenuEntriesDisabledWhileConvertingComeBackAfter) {
  Start();
  SelectFormat(kPs3);
  AddRow("a.avi");
  form().OutputFolder.SetText(media_ / "out");
  StartHangingBatch();
  for (const MenuEntry* m : {&form().ExitEntry, &form().OpenHelpEntry, &form().VisitWebsiteEntry,
                             &form().AboutEntry, &form().SetOptionsEntry, &form().AddFolderEntry}) {
    EXPECT_FALSE(m->enabled()) << m->caption;
  }
  form().AboutEntry.UserClick();
  EXPECT_FALSE(window_->about_form.visible);
  EXPECT_TRUE(form().StopConvertButton.enabled());
  EXPECT_TRUE(form().ButtonStopSmall.enabled());
  StopBatch();
  form().AboutEntry.UserClick();
  EXPECT_TRUE(window_->about_form.visible);
  EXPECT_TRUE(form().AddFolderEntry.enabled());
  // Nothing left to stop.
  EXPECT_FALSE(form().StopConvertButton.enabled());
  EXPECT_FALSE(form().ButtonStopSmall.enabled());
}

// The list kept for a restore after a crash. The window's end without a clean exit is its
// MainWindow going without TryClose, Exit or the power-off, as when the program is killed: the
// kill itself is tried on the real programs (gui_desktop_test, test_win32_view).
class KeptListTest : public MainWindowTest {
 protected:
  KeptListTest() { keep_list_ = true; }

  // Starts the window and its session; `answer` is given to a restore question if one comes.
  std::vector<ScriptedDialogs::Box> StartSession(std::optional<bool> answer,
                                                 const std::vector<std::string>& given = {}) {
    dialogs_.boxes.clear();
    if (answer) dialogs_.ExpectQuestion(*answer);
    Start();
    window_->BeginSession(given);
    return dialogs_.boxes;
  }

  // The number of transactions written to the list's file so far (the header's change counter).
  int Writes() const {
    const std::string header = ReadTextFile(config_ / kept_list::kListFileName).substr(24, 4);
    int count = 0;
    for (char c : header) count = count * 256 + static_cast<unsigned char>(c);
    return count;
  }

  std::vector<std::string> ProgressCells() {
    std::vector<std::string> cells;
    for (const FileEntry& row : form().FileList.rows()) cells.push_back(row.cells[kCellProgress]);
    return cells;
  }
};

TEST_F(KeptListTest, RowsAreWrittenAtStateChangesAndComeBackAfterAnUncleanEnd) {
  EXPECT_TRUE(StartSession(std::nullopt).empty()) << "a first start asks nothing";
  SelectFormat(kPs3);
  form().OutputFolder.SetText(media_ / "out");
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  // Progress readings are not written; a tick is.
  const int before = Writes();
  for (int percent = 1; percent <= 50; ++percent) {
    form().FileList.Update(form().FileList.row(0).id,
                           [percent](FileEntry& row) { row.percent = percent; });
  }
  EXPECT_EQ(Writes(), before);
  form().FileList.SetChecked(2, false);
  EXPECT_EQ(Writes(), before + 1);
  ConvertToTheEnd();
  ASSERT_EQ(ProgressCells(), (std::vector<std::string>{"Done", "Done", ""}));
  const std::string b_output = form().FileList.row(1).output_path;
  // b's output is changed after its conversion: it cannot come back as done.
  WriteTextFile(b_output, "not the whole file");
  window_.reset();  // no clean exit

  const std::string given = media_ / "d.avi";
  WriteTextFile(given, "media");
  const auto boxes = StartSession(true, {given});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, "yesno");
  EXPECT_EQ(boxes[0].text, kept_list::RestoreQuestion(3, 1));
  ASSERT_EQ(form().FileList.count(), 4) << "the restored rows, then the given file";
  EXPECT_EQ(ProgressCells(), (std::vector<std::string>{"Done", "Failed", "", ""}));
  EXPECT_EQ(form().FileList.row(1).reason, "its output " + b_output + " has changed since");
  EXPECT_FALSE(form().FileList.row(2).checked);
  EXPECT_EQ(form().FileList.row(3).input_path, given);
  EXPECT_EQ(form().ComboOutputFormat.text(), kPs3) << "the list's format comes back with it";

  // The restored list is this window's now: after another unclean end it comes back whole,
  // once, and the answer No drops it for good.
  window_.reset();
  EXPECT_EQ(StartSession(false)[0].text, kept_list::RestoreQuestion(4, 1));
  EXPECT_EQ(form().FileList.count(), 0);
  window_.reset();
  EXPECT_TRUE(StartSession(std::nullopt).empty());
}

TEST_F(KeptListTest, CloseExitAndThePowerOffLeaveNothingToRestore) {
  const std::vector<std::pair<const char*, std::function<void()>>> exits = {
      {"close box", [this] { ASSERT_TRUE(window_->TryClose()); }},
      {"File > Exit", [this] { window_->ExitEntryClick(); }},
      {"power-off",
       [this] {
         ArmThroughABatch();
         Ticks(30);
         ASSERT_EQ(power_off_.calls, 1);
       }},
  };
  for (const auto& [name, exit] : exits) {
    SCOPED_TRACE(name);
    power_off_.calls = 0;
    StartSession(std::nullopt);
    AddRow("kept.avi");
    exit();
    window_.reset();
    EXPECT_TRUE(StartSession(std::nullopt).empty());
    EXPECT_EQ(form().FileList.count(), 0);
    window_.reset();
  }
}

TEST_F(KeptListTest, ADamagedListFileIsSetAsideWithAMessageAndANewListIsKept) {
  const std::string path = config_ / kept_list::kListFileName;
  WriteTextFile(path, std::string(4096, '\x5a'));
  const auto boxes = StartSession(std::nullopt);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind(kListSetAsideText + path + kept_list::kSetAsideSuffix, 0), 0u)
      << boxes[0].text;
  EXPECT_EQ(ReadTextFile(path + kept_list::kSetAsideSuffix), std::string(4096, '\x5a'));
  AddRow("a.avi");
  window_.reset();
  EXPECT_EQ(StartSession(true)[0].text, kept_list::RestoreQuestion(1, 0));
}

TEST_F(KeptListTest, AListThatCannotBeKeptIsSaidOnceAndTheWindowWorksOn) {
  // The settings folder is a file: nothing can be written below it.
  std::filesystem::remove_all(config_.path());
  WriteTextFile(config_.path(), "");
  const auto boxes = StartSession(std::nullopt);
  ui_.RunUntil([&] { return !dialogs_.boxes.empty(); });
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text.rfind(kListNotKeptText, 0), 0u) << dialogs_.boxes[0].text;
  AddRow("a.avi");
  ConvertToTheEnd();
  EXPECT_EQ(ProgressCells(), std::vector<std::string>{"Done"});
  EXPECT_EQ(dialogs_.boxes.size(), 2u) << "said once; then the batch's own message";
  std::filesystem::remove(config_.path());
  std::filesystem::create_directories(config_.path());
}

}  // namespace
}  // namespace vidloom
