// The batch driver with the scripted fake encoder and a fake clock: messages, the run sequences
// of a row (main, thumbnail, retry), Stop, ticks read at the row's turn, and the countdown arming.
#include "pipeline/batch_driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "pipeline/batch_fixture.h"
#include "platform/processors.h"
#include "support/processes.h"
#include "support/scripted_dialogs.h"
#include "window_logic/main_window_setup.h"

namespace vidloom {
namespace {

using testing::BatchTest;
using testing::kErrorRun;
using testing::kGoodRun;
using testing::kNoOutputRun;
using testing::kPs3;
using testing::kPspGood;
using testing::ReadTextFile;
using testing::WriteTextFile;

// The presenter alone, over a scripted sequence of a batch's events from a lane's thread: what
// the window shows at each step, in the order the user sees it.
TEST_F(BatchTest, ThePresenterShowsEachEventInTheWindow) {
  AddRow("a.avi");
  AddRow("b.avi");
  form_.FileList.Update(form_.FileList.row(1).id, [](FileEntry& entry) {
    entry.state = RowState::kDone;
    entry.reason = "an old reason";
  });
  options_.CheckBoxShutDown.SetChecked(true);
  const RowId a = form_.FileList.row(0).id;
  std::vector<int> bar;
  form_.ConversionProgress.Subscribe([&] {
    if (bar.empty() || bar.back() != form_.ConversionProgress.position()) {
      bar.push_back(form_.ConversionProgress.position());
    }
  });
  RunResult run{.end = RunEnd::kCompleted,
                .output_path = media_ / "out/a.mp4",
                .output_exists = true,
                .output_size = 2048,
                .adjustments = {"48000 Hz: MP3 has no 96000 Hz"},
                .details = {"> the command"}};
  std::atomic<bool> done{false};
  std::vector<std::string> seen;  // what the lane saw, step by step
  std::thread lane([&] {
    EXPECT_TRUE(presenter_.Begin());
    const BatchPlan plan = presenter_.Plan();
    EXPECT_EQ(plan.rows.size(), 2u);
    EXPECT_EQ(plan.files_at_once, options_.SpinEditFilesAtOnce.value());
    presenter_.Started(plan);
    const auto row = presenter_.TakeRow(a);
    EXPECT_TRUE(row && row->input == media_ / "a.avi");
    presenter_.RowTurn(a);
    presenter_.RowConverting(a, RowCommand{.output_path = run.output_path, .notes = {"a note"}},
                             true);
    Display reading;
    reading.frames = "12";
    reading.size_panel = "Output File Size : 2 KB";
    reading.size_kb = 2;
    reading.bar = 40;
    presenter_.RunProgress(a, reading, true);
    presenter_.MakingThumbnail(true);
    seen.push_back(form_.Status.panel(2));
    presenter_.MakingThumbnail(false);
    presenter_.RowChanged(a, {.state = RowState::kDone, .run = &run, .output_notes = {"a note"}});
    presenter_.RunEnded(run, true);
    presenter_.RowEnded(a);
    presenter_.RowsNotReached("stopped before its turn");
    seen.push_back(presenter_.PowersOffAfter() ? "powers off" : "");
    state_.batch.JobsStarted = 1;
    presenter_.Ended();
    done = true;
  });
  EXPECT_TRUE(ui_.RunUntil([&] { return done.load(); }));
  lane.join();

  const FileEntry& first = form_.FileList.row(0);
  EXPECT_EQ(first.state, RowState::kDone);
  EXPECT_EQ(first.frames, 12);
  EXPECT_EQ(first.output_kb, 2);
  EXPECT_TRUE(first.output_written);
  EXPECT_EQ(first.given_outputs, std::vector<std::string>{run.output_path});
  EXPECT_EQ(first.notes, (std::vector<std::string>{"a note", "48000 Hz: MP3 has no 96000 Hz"}));
  EXPECT_EQ(first.details, std::vector<std::string>{"> the command"});
  EXPECT_EQ(form_.Status.panel(1), "Output File Size : 2 KB");
  EXPECT_EQ(seen, (std::vector<std::string>{"Creating THM File.....Please Wait", "powers off"}));
  EXPECT_EQ(form_.Status.panel(2), "");
  // The bar: the run's 40%, full for the end pause, then back to 0.
  EXPECT_EQ(bar, (std::vector<int>{40, 100, 0}));
  // Started made b wait without its old reason; not reached, it is skipped with the new one.
  EXPECT_EQ(form_.FileList.row(1).state, RowState::kSkipped);
  EXPECT_EQ(form_.FileList.row(1).reason, "stopped before its turn");
  // Ended: the buttons are back, nothing converts, and the countdown is armed.
  EXPECT_TRUE(form_.ConvertNowButton.enabled());
  EXPECT_FALSE(form_.StopConvertButton.enabled());
  EXPECT_FALSE(state_.batch.Converting);
  EXPECT_TRUE(shutdown_.ShutdownArmed);
}

TEST_F(BatchTest, EmptyListSaysSoAndNeverArmsTheCountdown) {
  options_.CheckBoxShutDown.SetChecked(true);
  Convert();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kNoFileText});
  EXPECT_EQ(dialogs_.boxes.front().caption, "Information");
  EXPECT_EQ(Runs(), 0);
  EXPECT_FALSE(shutdown_.ShutdownArmed);
  EXPECT_TRUE(form_.ConvertNowButton.enabled());
}

TEST_F(BatchTest, RowsWithoutTicksAskForOne) {
  AddRow("a.avi");
  form_.FileList.SetChecked(0, false);
  Convert();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kNothingCheckedText});
  EXPECT_EQ(Runs(), 0);
}

TEST_F(BatchTest, MissingInputsAreSkippedButTheDirectoryIsMade) {
  AddRow("gone1.avi", false);
  AddRow("gone2.avi", false);
  Convert();
  EXPECT_EQ(Runs(), 0);
  EXPECT_TRUE(platform::DirectoryExists(media_ / "out"));
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  // Not converted, and the row says why.
  EXPECT_EQ(Progress(0), "Failed");
  EXPECT_EQ(form_.FileList.row(0).reason, "the file no longer exists");
}

TEST_F(BatchTest, NoJobStartedMeansNoMessageAndNoCountdownWithTheShutdownBox) {
  options_.CheckBoxShutDown.SetChecked(true);
  AddRow("gone.avi", false);
  Convert();
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_FALSE(shutdown_.ShutdownArmed);
}

TEST_F(BatchTest, MissingEncoderStopsBeforeAnything) {
  required_ = {platform::kEncoderFileName, "no-such-library"};
  AddRow("a.avi");
  Convert();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kRequiredFileMissingText});
  EXPECT_EQ(Runs(), 0);
  EXPECT_TRUE(form_.ComboOutputFormat.enabled());
}

TEST_F(BatchTest, DirectoryErrorEndsTheBatchWithItsMessage) {
  form_.OutputFolder.SetText(media_ / "missing/sub");
  AddRow("a.avi");
  Convert();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{std::string(kOutputDirectoryErrorText)});
  EXPECT_EQ(Runs(), 0);
  EXPECT_TRUE(form_.ConvertNowButton.enabled());
  EXPECT_TRUE(form_.AddFileButton.enabled());
  EXPECT_TRUE(form_.FileList.popup_enabled);
  EXPECT_FALSE(state_.batch.Converting);
}

struct SequenceCase {
  const char* name;
  const char* format;
  const char* input;
  std::vector<const char*> scripts;  // per run; kGoodRun after the list
  int runs;
  std::vector<std::string> in_args;      // a text each run's arguments contain, "" = any
  std::vector<std::string> not_in_args;  // a text each run's arguments lack, "" = any
  const char* final_word;
};

class RunSequenceTest : public BatchTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(RunSequenceTest, RunsInOrder) {
  const SequenceCase& c = GetParam();
  SelectFormat(c.format);
  AddRow(c.input);
  for (std::size_t i = 0; i < c.scripts.size(); ++i) Script(static_cast<int>(i), c.scripts[i]);
  Convert();
  ASSERT_EQ(Runs(), c.runs);
  for (int run = 0; run < c.runs; ++run) {
    if (!c.in_args[run].empty()) {
      EXPECT_NE(Args(run).find(c.in_args[run]), std::string::npos) << run << ": " << Args(run);
    }
    if (!c.not_in_args[run].empty()) {
      EXPECT_EQ(Args(run).find(c.not_in_args[run]), std::string::npos) << run << ": " << Args(run);
    }
  }
  EXPECT_EQ(Progress(0), c.final_word);
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
}

INSTANTIATE_TEST_SUITE_P(
    Batch, RunSequenceTest,
    ::testing::Values(
        SequenceCase{"Ps3MainOnly", kPs3, "a.avi", {}, 1, {"-vcodec h264"}, {"DS:"}, "Done"},
        SequenceCase{"PspMainAndThumbnail",
                     kPspGood,
                     "a.avi",
                     {},
                     2,
                     {"-f psp", "singlejpeg"},
                     {"DS:", "DS:"},
                     "Done"},
        SequenceCase{"FailedMainRetriedThroughTheAlternatePath",
                     kPs3,
                     "a.avi",
                     {kNoOutputRun},
                     2,
                     {"", "DS:\\\\"},
                     {"DS:", "-f qt"},
                     "Done"},
        SequenceCase{"PspFailedMainThenRetryAndThumbnail",
                     kPspGood,
                     "a.avi",
                     {kNoOutputRun},
                     3,
                     {"-f psp", "-f psp", "singlejpeg"},
                     {"DS:", "", ""},
                     "Done"},
        SequenceCase{"FailedThumbnailRetriesTheWholeFile",
                     kPspGood,
                     "a.avi",
                     {kGoodRun, kErrorRun},
                     4,
                     {"-f psp", "singlejpeg", "DS:\\\\", "singlejpeg"},
                     {"DS:", "DS:", "", ""},
                     "Done"},
        SequenceCase{"RealMediaFirstThroughTheAlternatePathThenDirect",
                     kPs3,
                     "a.rmvb",
                     {kNoOutputRun},
                     2,
                     {"DS:\\\\", ""},
                     {"", "DS:"},
                     "Done"},
        SequenceCase{"QuickTimeRetriedWithItsDemuxer",
                     kPs3,
                     "a.MOV",
                     {kNoOutputRun},
                     2,
                     {"", "-f qt"},
                     {"-f qt", "DS:"},
                     "Done"},
        SequenceCase{"FailedRetryIsNotRetriedAgain",
                     kPs3,
                     "a.avi",
                     {kErrorRun, kErrorRun},
                     2,
                     {"", ""},
                     {"", ""},
                     "Failed"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(BatchTest, RetryDeletesTheFailedOutputFirst) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  Script(0, "print Input #0, avi, from 'in':\nempty-output\nexit 0\n");
  Script(1, "print Input #0, avi, from 'in':\nno-output\nexit 0\n");
  Convert();
  ASSERT_EQ(Runs(), 2);
  EXPECT_FALSE(platform::FileExists(form_.FileList.row(0).output_path));
  EXPECT_EQ(Progress(0), "Failed");
}

TEST_F(BatchTest, ProgressCellShowsRescanAndThmDuringTheRuns) {
  SelectFormat(kPspGood);
  AddRow("a.avi");
  Script(0, kNoOutputRun);
  Convert();
  const auto& history = progress_history_[0];
  auto position = [&](const std::string& word) {
    return std::find(history.begin(), history.end(), word) - history.begin();
  };
  ASSERT_LT(position("Re-scan"), static_cast<long>(history.size()));
  ASSERT_LT(position("THM"), static_cast<long>(history.size()));
  EXPECT_LT(position("Re-scan"), position("THM"));
  EXPECT_EQ(history.back(), "Done");
  EXPECT_EQ(form_.Status.panel(2), "");
}

TEST_F(BatchTest, PspRowLeavesVideoAndThumbnailBesideEachOther) {
  SelectFormat(kPspGood);
  AddRow("clip.avi");
  Convert();
  ASSERT_EQ(Runs(), 2);
  EXPECT_NE(Args(1).find(media_ / "out" + platform::kPathSeparator + "clip.THM"), std::string::npos)
      << Args(1);
  EXPECT_TRUE(platform::FileExists(media_ / "out/clip.mp4"));
}

TEST_F(BatchTest, StopDuringTheFirstOfThreeRowsLeavesTheOthersUntouched) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  options_.CheckBoxShutDown.SetChecked(true);
  const std::string started = sequence_ / "started";
  Script(0, "print Input #0, avi, from 'in':\noutput 100\npidfile " + started + "\nhang\n");
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil([&] { return platform::FileExists(started); }, false));
    dialogs_.ExpectQuestion(true);
    StopConvertButtonClick(batch_window_);
  });
  EXPECT_EQ(Runs(), 1);
  EXPECT_EQ(Progress(0), "Aborted");
  EXPECT_EQ(Progress(1), "");
  EXPECT_EQ(Progress(2), "");
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_FALSE(shutdown_.ShutdownArmed);
  EXPECT_FALSE(state_.requests.StopRequested);
  EXPECT_FALSE(state_.batch.Converting);
  EXPECT_EQ(form_.ConversionProgress.position(), 0);

  // The next batch starts normally.
  options_.CheckBoxShutDown.SetChecked(false);
  Convert();
  EXPECT_EQ(Progress(0), "Done");
  EXPECT_EQ(Progress(2), "Done");
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  // The Stop question and the worker's message both belong to the main window.
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[0].asker, &form_);
  EXPECT_EQ(dialogs_.boxes[1].asker, &form_);
}

TEST_F(BatchTest, StopAnsweredWithCancelChangesNothing) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  const std::string started = sequence_ / "started";
  Script(0, "print Input #0, avi, from 'in':\npidfile " + started + "\nsleep 300\n" + kGoodRun);
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil([&] { return platform::FileExists(started); }, false));
    dialogs_.ExpectQuestion(false);
    StopConvertButtonClick(batch_window_);
  });
  EXPECT_EQ(Progress(0), "Done");
}

TEST_F(BatchTest, StopBeforeAnyRunAsksNothing) {
  StopConvertButtonClick(batch_window_);  // a question here would fail the test
  EXPECT_FALSE(state_.requests.StopRequested);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(BatchTest, UntickingARowNotYetReachedSkipsIt) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  on_disable_ = [this] {
    if (disable_calls_ == 1) form_.FileList.SetChecked(1, false);
  };
  Convert();
  EXPECT_EQ(Runs(), 2);
  EXPECT_EQ(Progress(0), "Done");
  EXPECT_EQ(Progress(1), "");
  EXPECT_EQ(Progress(2), "Done");
}

TEST_F(BatchTest, CountdownArmsAfterAFinishedBatchWithTheShutdownBox) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  options_.CheckBoxShutDown.SetChecked(true);
  Convert();
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_TRUE(shutdown_.ShutdownArmed);
  EXPECT_EQ(shutdown_.CountdownTicks, 0);
  EXPECT_TRUE(form_.PowerOffCountdownTimer.enabled());
  EXPECT_TRUE(warning_.visible);
  EXPECT_TRUE(warning_.on_top);
}

TEST_F(BatchTest, ControlsAreLockedWhileARowConvertsAndFreedAfter) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  bool locked_during_run = false;
  bool stop_usable_during_run = false;
  on_disable_ = [&] {
    // Runs just before the controls are switched off; look once the run has begun.
    ui_.Post([&] {
      locked_during_run =
          !form_.ComboOutputFormat.enabled() && !options_.CheckBoxOverWrite.enabled();
      stop_usable_during_run = form_.StopConvertButton.enabled() &&
                               form_.ButtonStopSmall.enabled() &&
                               !form_.ConvertNowButton.enabled() && !form_.FileList.popup_enabled;
    });
  };
  Convert();
  EXPECT_TRUE(locked_during_run);
  EXPECT_TRUE(stop_usable_during_run);
  EXPECT_TRUE(form_.ComboOutputFormat.enabled());
  EXPECT_TRUE(form_.ConvertNowButton.enabled());
  EXPECT_TRUE(form_.FileList.popup_enabled);
}

TEST_F(BatchTest, CorruptRowFailsAfterItsRetryAndTheBatchGoesOn) {
  SelectFormat(kPs3);
  AddRow("bad.avi");
  AddRow("good.avi");
  Script(0, "print [avi @ 0x1] invalid header\nexit 1\n");
  Script(1, "print [avi @ 0x1] invalid header\nexit 1\n");
  Convert();
  EXPECT_EQ(Runs(), 3);
  EXPECT_EQ(Progress(0), "Failed");
  EXPECT_EQ(Progress(1), "Done");
}

// --- several files at once ---

// Two lanes (the field's top raised so that a machine of one processor runs them too).
class BatchLanesTest : public BatchTest {
 protected:
  BatchLanesTest() {
    options_.SpinEditFilesAtOnce.max = 4;
    options_.SpinEditFilesAtOnce.SetValue(2);
    SelectFormat(kPs3);
  }

  // The script of the run that writes out/<output>.
  void ScriptFor(const std::string& output, const std::string& text) {
    WriteTextFile(sequence_ / ("for-" + output + ".txt"), text);
  }
  // A run that says it started (its pid in sequence_/started-<name>), then waits for go-<name>.
  std::string Held(const std::string& name, const std::string& then) {
    return "print Input #0, avi, from 'in':\noutput 100\npidfile " + Started(name) + "\nawait " +
           (sequence_ / ("go-" + name)) + "\n" + then;
  }
  std::string Started(const std::string& name) const { return sequence_ / ("started-" + name); }
  bool HasStarted(const std::string& name) const {
    const std::string text = ReadTextFile(Started(name));
    return !text.empty() && text.back() == '\n';
  }
  void Go(const std::string& name) { WriteTextFile(sequence_ / ("go-" + name), ""); }
  platform::ProcessId Pid(const std::string& name) const {
    return static_cast<platform::ProcessId>(std::atoi(ReadTextFile(Started(name)).c_str()));
  }
  // The runs' arguments, each run's in one text.
  std::vector<std::string> AllArgs() const {
    std::vector<std::string> all;
    for (int run = 0; run < Runs(); ++run) all.push_back(Args(run));
    return all;
  }
};

TEST_F(BatchLanesTest, RowsStartInListOrderAsLanesFreeUpAndTheEndStepsRunOnce) {
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  options_.CheckBoxShutDown.SetChecked(true);
  int arms = 0;
  batch_window_.hooks.ArmShutdownCountdown = [&] {
    ++arms;
    ArmShutdownCountdown(form_, warning_, shutdown_);
  };
  ScriptFor("a.mp4", Held("a", "write frame=111 q=2.0 size=2kB time=10.00 b=1\\r\noutput 2048\n"));
  ScriptFor("b.mp4", Held("b", "write frame=222 q=2.0 size=2kB time=10.00 b=1\\r\noutput 2048\n"));
  Convert([&] {
    // The first two rows convert at once; the third waits for a free lane.
    ASSERT_TRUE(ui_.RunUntil([&] { return HasStarted("a") && HasStarted("b"); }, false));
    EXPECT_EQ(Runs(), 2);
    EXPECT_EQ(Progress(2), "");
    Go("b");
    ASSERT_TRUE(ui_.RunUntil([&] { return Progress(2) == "Done"; }));
    EXPECT_EQ(Progress(0), "") << "row 0 still converts";
    EXPECT_TRUE(state_.batch.Converting);
    Go("a");
  });
  ASSERT_EQ(Runs(), 3);
  EXPECT_NE(Args(2).find(media_ / "c.avi"), std::string::npos) << Args(2);
  // Each encoder has its share of the processors.
  const std::string threads =
      "-threads " + std::to_string(EncoderThreadsPerLane(2, platform::ProcessorCount()));
  for (const std::string& args : AllArgs())
    EXPECT_NE(args.find(threads), std::string::npos) << args;
  // Each row shows its own run.
  EXPECT_EQ(Progress(0), "Done");
  EXPECT_EQ(Progress(1), "Done");
  EXPECT_EQ(form_.FileList.cell(0, kCellFrames), "111");
  EXPECT_EQ(form_.FileList.cell(1, kCellFrames), "222");
  EXPECT_EQ(form_.FileList.cell(2, kCellFrames), "250");
  // The batch's end: once, after the last lane.
  EXPECT_EQ(arms, 1);
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_FALSE(state_.batch.Converting);
  EXPECT_TRUE(form_.ConvertNowButton.enabled());
}

TEST_F(BatchLanesTest, StopWithTwoEncodersRunningEndsBothAndTheRestSayWhy) {
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  options_.CheckBoxShutDown.SetChecked(true);
  ScriptFor("a.mp4", Held("a", ""));
  ScriptFor("b.mp4", Held("b", ""));
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil([&] { return HasStarted("a") && HasStarted("b"); }, false));
    dialogs_.ExpectQuestion(true);
    StopConvertButtonClick(batch_window_);
  });
  EXPECT_EQ(dialogs_.boxes.size(), 1u) << "one question for both lanes";
  EXPECT_EQ(Runs(), 2);
  for (const char* name : {"a", "b"}) {
    EXPECT_FALSE(testing::ProcessRunning(Pid(name))) << name;
  }
  EXPECT_EQ(Progress(0), "Aborted");
  EXPECT_EQ(Progress(1), "Aborted");
  EXPECT_EQ(Progress(2), "");
  EXPECT_EQ(form_.FileList.row(2).reason, "stopped before its turn");
  EXPECT_FALSE(shutdown_.ShutdownArmed);
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_FALSE(state_.requests.StopRequested);
  EXPECT_FALSE(state_.batch.Converting);
}

TEST_F(BatchLanesTest, TheCheckBoxIsReadWhenTheRowsTurnComes) {
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  AddRow("d.avi");
  ScriptFor("a.mp4", Held("a", kGoodRun));
  ScriptFor("b.mp4", Held("b", kGoodRun));
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil([&] { return HasStarted("a") && HasStarted("b"); }, false));
    form_.FileList.SetChecked(2, false);
    Go("a");
    Go("b");
  });
  EXPECT_EQ(Runs(), 3);
  EXPECT_EQ(Progress(2), "");
  EXPECT_EQ(Progress(3), "Done");
}

TEST_F(BatchLanesTest, AStallAndARetryStayInTheirLanes) {
  AddRow("a.avi");
  AddRow("b.avi");
  // a: a frame count that no longer moves; b: the first run asks for the retry, which fails too.
  ScriptFor("a.mp4", "print Input #0, avi, from 'in':\noutput 100\npidfile " + Started("a") +
                         "\nwrite frame=812 q=2.0 size=2kB time=10.00 b=1\\r\nhang\n");
  ScriptFor("b.mp4", "pidfile " + Started("b") + "\nawait " + (sequence_ / "go-b") +
                         "\nprint [avi @ 0x1] invalid header\nexit 1\n");
  ScriptFor("prefixed-b.mp4", "print [avi @ 0x1] invalid header\nexit 1\n");
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil(
        [&] { return HasStarted("b") && form_.FileList.cell(0, kCellFrames) == "812"; }, false));
    // Nine watchdog ticks: a's frame count stood still for eight of them, b's run has none.
    ui_.AdvanceBy(9 * 2000);
    ASSERT_TRUE(ui_.RunUntil([&] { return Progress(0) == "Failed"; }, false));
    EXPECT_TRUE(testing::ProcessRunning(Pid("b"))) << "the other lane's encoder still runs";
    Go("b");
  });
  EXPECT_EQ(Runs(), 3);
  EXPECT_EQ(Progress(1), "Failed");
  const auto& history = progress_history_[1];
  EXPECT_NE(std::find(history.begin(), history.end(), "Re-scan"), history.end());
  int retries = 0;
  for (const std::string& args : AllArgs()) {
    if (args.find("DS:\\\\" + (media_ / "b.avi")) != std::string::npos) ++retries;
  }
  EXPECT_EQ(retries, 1) << "the retry opened b the other way";
}

TEST_F(BatchLanesTest, TwoLanesNeverWriteOneFileEvenWithOverwrite) {
  options_.CheckBoxOverWrite.SetChecked(true);
  std::filesystem::create_directories(media_ / "x");
  std::filesystem::create_directories(media_ / "y");
  AddRow("x/clip.avi");
  AddRow("y/clip.avi");
  ScriptFor("clip.mp4", Held("first", "output 2048\nexit 0\n"));
  ScriptFor("clip-1.mp4", kGoodRun);
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil([&] { return HasStarted("first") && Runs() == 2; }, false));
    Go("first");
  });
  EXPECT_EQ(Progress(0), "Done");
  EXPECT_EQ(Progress(1), "Done");
  EXPECT_TRUE(platform::FileExists(media_ / "out/clip.mp4"));
  EXPECT_TRUE(platform::FileExists(media_ / "out/clip-1.mp4"));
}

// Two windows of one program converting side by side, each with its own batch, watchdog and
// encoders: Stop in one ends its own encoder and leaves the other's conversion alone.
TEST_F(BatchLanesTest, StopInOneWindowLeavesAnotherWindowsEncoder) {
  AddRow("a.avi");
  ScriptFor("a.mp4", Held("a", ""));
  ScriptFor("b.mp4", Held("b", "output 2048\nexit 0\n"));

  MainForm other_form;
  OptionsForm other_options;
  WindowState other_window;
  ConversionState other_state;
  testing::ScriptedDialogs other_dialogs;
  SetUpSelectors(other_form, other_window);
  ConnectSelectorHandlers(other_form, other_window);
  other_form.ComboOutputFormat.UserSelect(form_.ComboOutputFormat.selected());
  other_form.OutputFolder.SetText(media_ / "other");
  WindowWatchdog other_watchdog{ui_, other_form};
  BatchWindow other_window_of_batch{.ui = ui_,
                                    .form = other_form,
                                    .options = other_options,
                                    .window_state = other_window,
                                    .dialogs = other_dialogs,
                                    .state = other_state,
                                    .watchdog = other_watchdog};
  BatchPresenter other_presenter{other_window_of_batch};
  BatchEnv other{.sink = other_presenter,
                 .clock = clock_,
                 .state = other_state,
                 .program_directory = testing::ProgramDirectoryOfFake()};
  FileEntry entry;
  entry.checked = true;
  entry.input_path = media_ / "b.avi";
  entry.media = MediaFacts::Of("640 x 480", "", "");
  FormatExtension(other_form, entry.output_extension);
  WriteTextFile(entry.input_path, "media");
  other_form.FileList.AddRow(entry);

  std::atomic<bool> other_done{false};
  std::thread other_batch([&] {
    RunBatch(other);
    other_done = true;
  });
  Convert([&] {
    ASSERT_TRUE(ui_.RunUntil([&] { return HasStarted("a") && HasStarted("b"); }, false));
    dialogs_.ExpectQuestion(true);
    StopConvertButtonClick(batch_window_);
  });
  EXPECT_EQ(Progress(0), "Aborted");
  EXPECT_FALSE(testing::ProcessRunning(Pid("a")));
  EXPECT_TRUE(testing::ProcessRunning(Pid("b"))) << "the other window's encoder still converts";
  EXPECT_FALSE(other_done);
  Go("b");
  ASSERT_TRUE(ui_.RunUntil([&] { return other_done.load(); }));
  other_batch.join();
  EXPECT_EQ(other_form.FileList.cell(0, kCellProgress), "Done");
  EXPECT_EQ(other_dialogs.Messages(), std::vector<std::string>{kAllDoneText});
}

// One engine: the same scripted batch converted one file at a time and two at once gives the
// same rows, words, reasons and runs.
class OneEngineTest : public BatchTest, public ::testing::WithParamInterface<int> {};

TEST_P(OneEngineTest, TheSameBatchEndsTheSameWithOneLaneOrTwo) {
  options_.SpinEditFilesAtOnce.max = 4;
  options_.SpinEditFilesAtOnce.SetValue(GetParam());
  SelectFormat(kPspGood);
  for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"}) {
    AddRow(name, std::string(name) != "d.avi");
  }
  // The runs' scripts by their output ("prefixed-" when the input is opened the other way): b's
  // first run writes nothing and its retry converts; c fails on an error line twice; e's
  // thumbnail fails, so the whole file is retried; d is gone before its turn.
  auto script = [&](const std::string& key, const std::string& text) {
    WriteTextFile(sequence_ / ("for-" + key + ".txt"), text);
  };
  script("b.mp4", kNoOutputRun);
  script("c.mp4", kErrorRun);
  script("prefixed-c.mp4", kErrorRun);
  script("e.THM", kErrorRun);
  Convert();

  const std::pair<const char*, const char*> expected[] = {
      {"Done", ""},
      {"Done", ""},
      {"Failed", "the codec cannot be opened"},
      {"Failed", "the file no longer exists"},
      {"Done", ""},
  };
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(Progress(row), expected[row].first) << row;
    EXPECT_EQ(form_.FileList.row(row).reason, expected[row].second) << row;
  }
  // a: video, thumbnail; b: video, retry, thumbnail; c: video, retry (no thumbnail after a failed
  // retry); e: video, thumbnail, retry, thumbnail.
  EXPECT_EQ(Runs(), 2 + 3 + 2 + 4);
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  EXPECT_FALSE(state_.batch.Converting);
}

INSTANTIATE_TEST_SUITE_P(Batch, OneEngineTest, ::testing::Values(1, 2),
                         [](const auto& test) { return test.param == 1 ? "OneLane" : "TwoLanes"; });

TEST(EncoderThreadsPerLane, SharesTheProcessors) {
  EXPECT_EQ(EncoderThreadsPerLane(1, 8), 0) << "one lane: the encoder's own choice";
  EXPECT_EQ(EncoderThreadsPerLane(2, 2), 1);
  EXPECT_EQ(EncoderThreadsPerLane(2, 8), 4);
  EXPECT_EQ(EncoderThreadsPerLane(3, 8), 2);
  EXPECT_EQ(EncoderThreadsPerLane(4, 2), 1);
}

}  // namespace
}  // namespace vidloom
