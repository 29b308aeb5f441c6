// The main window's sleep lock: held from "Convert Now !" until the batch has ended, whichever
// way it ends, always taken and given back on the UI thread, and never held without a batch.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_runs.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"
#include "window_logic/main_window.h"

namespace vidloom {
namespace {

using testing::kGoodRun;
using testing::kPs3;
using testing::ScriptedDialogs;
using testing::TempDir;
using testing::WriteTextFile;

constexpr const char* kFailingRun =
    "print Input #0, avi, from 'in':\n"
    "print Error while opening file\n"
    "exit 1\n";

// Records every call, whether a lock is held, and whether each call came from the UI thread.
class FakeSleepInhibitor : public SleepInhibitor {
 public:
  void Hold(const std::string& why) override {
    Note("hold " + why);
    held = true;
  }
  void Release() override {
    Note("release");
    held = false;
    if (batch_running) released_before_the_end.push_back(batch_running());
  }
  // Called when the window is built, on the test's (UI) thread.
  void SetUiThread() { ui_thread_ = std::this_thread::get_id(); }

  std::vector<std::string> calls;
  bool held = false;
  bool off_ui_thread = false;
  // For each release: whether the worker still counted as running (it must: a new batch's Hold
  // may come as soon as it has ended).
  std::function<bool()> batch_running;
  std::vector<bool> released_before_the_end;

 private:
  void Note(const std::string& call) {
    calls.push_back(call);
    if (std::this_thread::get_id() != ui_thread_) off_ui_thread = true;
  }
  std::thread::id ui_thread_;
};

class SleepLockTest : public ::testing::Test {
 protected:
  SleepLockTest() {
    setenv("FAKE_ENCODER_SEQUENCE", sequence_.path().c_str(), 1);
    WriteTextFile(sequence_ / "default.txt", kGoodRun);
    inhibitor_.SetUiThread();
  }
  ~SleepLockTest() override {
    window_.reset();
    unsetenv("FAKE_ENCODER_SEQUENCE");
  }

  MainWindow& Start(std::vector<std::string> required_files = {"raziz2u"}) {
    MainWindowOptions options;
    options.program_directory =
        std::filesystem::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
    options.required_files = std::move(required_files);
    options.end_pause_ms = 0;
    options.settings_path = config_ / "vazadi.ini";
    options.add_files_pause_ms = 0;
    MainWindowPorts ports;
    ports.sleep_inhibitor = &inhibitor_;
    ports.quit = [] {};
    window_ = std::make_unique<MainWindow>(ui_, dialogs_, options, ports);
    inhibitor_.batch_running = [w = window_.get()] { return w->BatchRunning(); };
    window_->Startup();
    MainForm& form = window_->main_form;
    EXPECT_TRUE(form.ComboOutputFormat.SelectText(kPs3));
    form.ComboOutputFormat.UserSelect(form.ComboOutputFormat.selected());
    form.OutputFolder.SetText(media_ / "out");
    return *window_;
  }

  void AddRow(const std::string& name, bool checked = true) {
    const std::string path = media_ / name;
    WriteTextFile(path, "media");
    FileEntry entry;
    entry.checked = checked;
    entry.input_path = path;
    entry.media = MediaFacts::Of("640 x 480", "", "");
    entry.output_extension = "MP4";
    window_->main_form.FileList.AddRow(entry);
  }

  void ConvertToTheEnd() { testing::ConvertToTheEnd(*window_, ui_); }
  void StartHangingBatch() { testing::StartHangingBatch(*window_, ui_, sequence_); }

  const std::vector<std::string> kOneBatch{"hold Converting files", "release"};

  TempDir sequence_;
  TempDir media_;
  TempDir config_;
  platform::FakeClock clock_;
  TestUiThread ui_{clock_};
  ScriptedDialogs dialogs_;
  FakeSleepInhibitor inhibitor_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(SleepLockTest, NothingIsHeldWithoutABatch) {
  MainWindow& w = Start();
  AddRow("a.avi");
  ui_.AdvanceBy(60'000);
  w.StopConvertButtonClick();  // no batch: asks nothing, releases nothing
  w.main_form.ClearAllButton.UserClick();
  EXPECT_TRUE(inhibitor_.calls.empty());
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(SleepLockTest, HeldWhileTheEncoderRunsAndReleasedWhenTheBatchIsStopped) {
  MainWindow& w = Start();
  AddRow("a.avi");
  AddRow("b.avi");
  StartHangingBatch();
  EXPECT_TRUE(inhibitor_.held);
  EXPECT_EQ(inhibitor_.calls, std::vector<std::string>{"hold Converting files"});

  // A second click while converting neither holds again nor releases.
  w.ConvertNowButtonClick();
  EXPECT_EQ(inhibitor_.calls.size(), 1u);

  dialogs_.ExpectQuestion(false);
  w.StopConvertButtonClick();  // "Cancel": the batch goes on, and so does the lock
  ui_.AdvanceBy(1000);
  EXPECT_TRUE(inhibitor_.held);

  dialogs_.ExpectQuestion(true);
  w.StopConvertButtonClick();
  EXPECT_TRUE(ui_.RunUntil([&] { return !w.BatchRunning(); }));
  EXPECT_FALSE(inhibitor_.held);
  EXPECT_EQ(inhibitor_.calls, kOneBatch);
  EXPECT_EQ(inhibitor_.released_before_the_end, std::vector<bool>{true});
  EXPECT_FALSE(inhibitor_.off_ui_thread);
}

// However the batch ends, the lock goes back exactly once, before the worker counts as ended, so
// the next batch's Hold can never be undone by a late release.
TEST_F(SleepLockTest, ReleasedHoweverTheBatchEnds) {
  struct Case {
    const char* name;
    const char* encoder_run;
    std::vector<std::string> required_files;
    int rows;
    bool checked;
    std::vector<std::string> messages;
    const char* final_status = "";
  };
  const std::vector<Case> cases{
      {"all done", kGoodRun, {"raziz2u"}, 2, true, {kAllDoneText}, "Done"},
      {"every run failed", kFailingRun, {"raziz2u"}, 1, true, {kAllDoneText}, "Failed"},
      {"empty list", kGoodRun, {"raziz2u"}, 0, true, {kNoFileText}},
      {"nothing checked", kGoodRun, {"raziz2u"}, 1, false, {kNothingCheckedText}},
      {"required file missing",
       kGoodRun,
       {"raziz2u", "no-such-library"},
       1,
       true,
       {kRequiredFileMissingText}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    inhibitor_.calls.clear();
    dialogs_.boxes.clear();
    WriteTextFile(sequence_ / "default.txt", c.encoder_run);
    MainWindow& w = Start(c.required_files);
    for (int i = 0; i < c.rows; ++i) AddRow("row" + std::to_string(i) + ".avi", c.checked);

    inhibitor_.released_before_the_end.clear();
    w.ConvertNowButtonClick();
    EXPECT_TRUE(inhibitor_.held);
    EXPECT_TRUE(ui_.RunUntil([&] { return !w.BatchRunning(); }));
    w.WaitForBatch();
    EXPECT_EQ(inhibitor_.calls, kOneBatch);
    EXPECT_EQ(inhibitor_.released_before_the_end, std::vector<bool>{true});
    EXPECT_EQ(dialogs_.Messages(), c.messages);
    if (c.rows > 0 && c.messages.front() == std::string(kAllDoneText)) {
      EXPECT_EQ(w.main_form.FileList.cell(0, kCellProgress), c.final_status);
    }
    EXPECT_FALSE(inhibitor_.off_ui_thread);
    window_.reset();
  }
}

TEST_F(SleepLockTest, EachBatchHoldsItsOwnLock) {
  Start();
  AddRow("a.avi");
  for (int batch = 0; batch < 3; ++batch) ConvertToTheEnd();
  std::vector<std::string> expected;
  for (int batch = 0; batch < 3; ++batch) {
    expected.insert(expected.end(), kOneBatch.begin(), kOneBatch.end());
  }
  EXPECT_EQ(inhibitor_.calls, expected);
  EXPECT_FALSE(inhibitor_.held);
}

TEST_F(SleepLockTest, ClosingTheProgramMidBatchReleasesTheLock) {
  Start();
  AddRow("a.avi");
  StartHangingBatch();
  ASSERT_TRUE(inhibitor_.held);
  window_.reset();  // File > Exit or the countdown's end: the window stops the batch as it goes
  EXPECT_FALSE(inhibitor_.held);
  EXPECT_EQ(inhibitor_.calls, kOneBatch);
  EXPECT_FALSE(inhibitor_.off_ui_thread);
}

TEST_F(SleepLockTest, AWindowWithoutAnInhibitorConvertsAsBefore) {
  MainWindowOptions options;
  options.program_directory = std::filesystem::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
  options.required_files = {"raziz2u"};
  options.end_pause_ms = 0;
  options.settings_path = config_ / "vazadi.ini";
  window_ = std::make_unique<MainWindow>(ui_, dialogs_, options, MainWindowPorts{});
  window_->Startup();
  ASSERT_TRUE(window_->main_form.ComboOutputFormat.SelectText(kPs3));
  window_->main_form.OutputFolder.SetText(media_ / "out");
  AddRow("a.avi");
  ConvertToTheEnd();
  EXPECT_EQ(window_->main_form.FileList.cell(0, kCellProgress), "Done");
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  EXPECT_TRUE(inhibitor_.calls.empty());
}

}  // namespace
}  // namespace vidloom
