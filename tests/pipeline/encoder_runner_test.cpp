// The encoder runner and its stall watchdog, with the scripted fake encoder. The test's thread is
// the UI thread (TestUiThread on a FakeClock); RunEncoder runs on a worker thread. Watchdog time
// is fake: no test waits for real watchdog periods.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/encoder_runner.h"
#include "pipeline/run_outcome.h"
#include "pipeline/watchdog.h"
#include "platform/command_line.h"
#include "platform/process.h"
#include "support/fake_clock.h"
#include "support/processes.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"
#include "window_logic/batch_presenter.h"

namespace vidloom {
namespace {

using testing::kCrashEnd;
using testing::kRequestedEnd;
using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

constexpr const char* kEncoderName = "raziz2u";
constexpr const char* kHeader = "print Input #0, mov, from '/videos/in.mov':\n";
constexpr const char* kDuration90 =
    "print   Duration: 00:01:30.4, start: 0.000000, bitrate: 900 kb/s\n";
constexpr const char* kOutputHeader = "print Output #0, psp, to '/out/in.mp4':\n";
constexpr const char* kRecord =
    "write frame=812 q=4.0 size=1536kB time=27.1 bitrate=463.8kbits/s\\r\n";

bool ProcessGone(platform::ProcessId pid) {
  return !testing::ProcessRunning(pid);
}

std::string EndedBy(const char* how) {
  return std::string("the encoder was ended by ") + how;
}

// A UiThread whose Post fails once, at a chosen call: an error inside the runner's read loop.
class FailingUiThread : public TestUiThread {
 public:
  using TestUiThread::TestUiThread;
  void Post(Task task) override {
    if (++posts_ == fail_at_) throw std::runtime_error("posting failed");
    TestUiThread::Post(std::move(task));
  }
  std::atomic<int> fail_at_{0};

 private:
  std::atomic<int> posts_{0};
};

class EncoderRunnerTest : public ::testing::Test {
 protected:
  EncoderRunnerTest() {
    AddTheRow(input_path);
    form.ConversionProgress.Subscribe(
        [this] { bar_history.push_back(form.ConversionProgress.position()); });
    // Every value the "Progress" cell of row 0 takes, in order.
    form.FileList.SubscribeRows([this](ListView::Change, int) {
      if (form.FileList.count() == 0) return;
      const std::string& cell = form.FileList.cell(0, kCellProgress);
      if (cell != last_progress) progress_history.push_back(cell);
      last_progress = cell;
    });
  }

  ~EncoderRunnerTest() override {
    if (worker.joinable()) {
      PressStop();
      ui.RunUntil([this] { return done.load(); });
      worker.join();
    }
  }

  // The row of the run, as the batch leaves it when the run begins.
  void AddTheRow(const std::string& path, RowState state = RowState::kConverting) {
    form.FileList.Clear();
    FileEntry entry;
    entry.checked = true;
    entry.input_path = path;
    entry.output_extension = "MP4";
    entry.state = state;
    form.FileList.AddRow(entry);
    run.row = form.FileList.row(0).id;
    run.input_path = path;
  }

  void Script(const std::string& text) { WriteTextFile(dir / "fake_script.txt", text); }

  std::string Command() const {
    return platform::QuoteArgument(FAKE_ENCODER_PATH) + " -@ -y -i " +
           platform::QuoteArgument(input_path) + " -vcodec libx264 " +
           platform::QuoteArgument(run.output_path);
  }

  void Start(const std::string& command) {
    done = false;
    worker = std::thread([this, command] {
      result = RunEncoder(env, command, run);
      done = true;
    });
  }

  // Handles the UI thread until the run has returned; pauses on the fake clock pass at once.
  void Finish() {
    ASSERT_TRUE(ui.RunUntil([this] { return done.load(); })) << "the run did not end";
    worker.join();
    ui.Pump();
  }

  void Run(const std::string& command) {
    Start(command);
    Finish();
  }
  void Run() { Run(Command()); }

  // Handles the UI thread (without moving fake time) until `what` holds.
  bool WaitFor(const std::function<bool()>& what) { return ui.RunUntil(what, false, 10'000); }

  // What the window's Stop does to a running batch.
  void PressStop() {
    requests.StopRequested = true;
    watchdog.AskEncodersToEnd();
    clock.WakeAll();
  }

  platform::ProcessId PidFromFile() {
    platform::ProcessId pid = 0;
    WaitFor([&] {
      const std::string text = ReadTextFile(dir / "pid");
      if (text.empty() || text.back() != '\n') return false;  // not yet written whole
      pid = static_cast<platform::ProcessId>(std::atoi(text.c_str()));
      return pid > 0;
    });
    return pid;
  }

  const std::string& Cell(int cell) const { return form.FileList.cell(0, cell); }
  bool SawProgress(const std::string& text) const {
    return std::find(progress_history.begin(), progress_history.end(), text) !=
           progress_history.end();
  }
  RunJudgement Judged() const { return JudgeRun(result, run.kind); }

  TempDir dir;
  std::string input_path = "/videos/in.mov";
  platform::FakeClock clock;
  FailingUiThread ui{clock};
  MainForm form;
  BatchRequests requests;
  WindowWatchdog watchdog{ui, form};
  RunPresenter presenter{ui, form, watchdog};
  RunSpec run{.output_path = dir / "in.mp4"};
  RunnerEnv env{
      .sink = presenter, .clock = clock, .requests = requests, .working_directory = dir.path()};
  RunResult result;
  std::thread worker;
  std::atomic<bool> done{false};
  std::vector<int> bar_history;
  std::vector<std::string> progress_history;
  std::string last_progress;
};

// --- what the output shows ---

TEST_F(EncoderRunnerTest, ProgressRecordReachesTheWindow) {
  Script(std::string(kHeader) + kDuration90 + kOutputHeader + kRecord + "output 4096\n");
  Run();
  EXPECT_EQ(Cell(kCellFrames), "812");
  EXPECT_EQ(form.Status.panel(1), "Output File Size : 1536 KB");
  EXPECT_EQ(form.FileList.row(0).output_kb, 1536);
  EXPECT_EQ(bar_history, (std::vector<int>{30}));
  EXPECT_EQ(progress_history, (std::vector<std::string>{"30%"}));
  EXPECT_EQ(watchdog.watched(), 0);
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
  // The run's answer: how it ended, what it left, what it said (for "Show Details").
  EXPECT_EQ(result.end, RunEnd::kCompleted);
  EXPECT_TRUE(result.output_exists);
  EXPECT_EQ(result.output_size, 4096);
  EXPECT_EQ(Judged().verdict, RunVerdict::kSucceeded);
  ASSERT_EQ(result.details.size(), 6u);
  EXPECT_EQ(result.details.front(), "> " + Command());
  EXPECT_EQ(result.details[1], "Input #0, mov, from '/videos/in.mov':");
  EXPECT_EQ(result.details[4], "frame=812 q=4.0 size=1536kB time=27.1 bitrate=463.8kbits/s");
  EXPECT_EQ(result.details.back(), "(the encoder exited with code 0)");
}

TEST_F(EncoderRunnerTest, WithSeveralFilesTheBarAndSizePanelAreTheBatchs) {
  env.shows_file_progress = false;
  Script(std::string(kHeader) + kDuration90 + kRecord + "output 4096\n");
  Run();
  EXPECT_TRUE(bar_history.empty());
  EXPECT_EQ(form.Status.panel(1), "");
  EXPECT_EQ(Cell(kCellProgress), "30%") << "the row still shows its own progress";
}

TEST_F(EncoderRunnerTest, TimeBeyondTheDurationFillsTheBar) {
  Script(std::string(kHeader) + kDuration90 +
         "write frame=900 q=4.0 size=2000kB time=95.0 bitrate=1.0kbits/s\\r\noutput 4096\n");
  Run();
  ASSERT_FALSE(bar_history.empty());
  EXPECT_EQ(bar_history.front(), 100);
  EXPECT_EQ(progress_history.front(), "100%");
}

TEST_F(EncoderRunnerTest, UnknownDurationShowsComplete) {
  Script(std::string(kHeader) + "print   Duration: N/A, bitrate: N/A\n" +
         "write frame=3 q=4.0 size=2kB time=3.0 bitrate=1.0kbits/s\\r\noutput 4096\n");
  Run();
  EXPECT_TRUE(SawProgress("100%"));
}

TEST_F(EncoderRunnerTest, CdAudioInputWritesTheDurationCell) {
  input_path = "/media/cdrom/Track01.cda";
  AddTheRow(input_path);
  Script(std::string(kHeader) + "print   Duration: 00:03:25.00, start: 0.000000\n" +
         "write size=100kB time=20.5 bitrate=128.0kbits/s\\r\noutput 4096\n");
  Run();
  EXPECT_EQ(Cell(kCellDuration), "00:03:25");
  EXPECT_EQ(form.FileList.row(0).media.duration_seconds, 205);
  EXPECT_TRUE(SawProgress("10%"));
  EXPECT_EQ(result.end, RunEnd::kCompleted);
}

TEST_F(EncoderRunnerTest, OtherInputsLeaveTheDurationCell) {
  form.FileList.Update(run.row, [](FileEntry& entry) { entry.media.SetDuration("00:01:30"); });
  Script(std::string(kHeader) + "print   Duration: 00:03:25.00, start: 0.000000\noutput 10\n");
  Run();
  EXPECT_EQ(Cell(kCellDuration), "00:01:30");
}

TEST_F(EncoderRunnerTest, SplitLinesAndOddBytesAreHandled) {
  // The duration line arrives in pieces, with NUL bytes, invalid UTF-8 and a 1 MB line without a
  // line end before the records.
  const std::string long_line = "write " + std::string(1024 * 1024, 'z') + "\n";
  Script(std::string(kHeader) + "write   Durat\nsleep 30\nwrite ion: 00:01:30.4, st\n" +
         "sleep 30\nwrite art: 0\\n\n" + "write \\xff\\xfe\\0\\0 junk \\xc3\\x28\\n\n" + long_line +
         "write \\r\n" + "write fr\nsleep 20\nwrite ame=45\\0 size=90kB time=45.0 \\r\n" +
         "output 4096\n");
  Run();
  EXPECT_EQ(Cell(kCellFrames), "45");
  EXPECT_EQ(form.Status.panel(1), "Output File Size : 90 KB");
  EXPECT_TRUE(SawProgress("50%"));
  EXPECT_EQ(result.end, RunEnd::kCompleted);
}

TEST_F(EncoderRunnerTest, ReadingsThatAreNotNumbersDoNotEndTheRun) {
  Script(std::string(kHeader) + "write frame=1 size=1kB time=3.0 bitrate=1\\r\n" + kDuration90 +
         "write frame=2 size=1kB time=abc bitrate=1\\r\n" +
         "print   Duration: xx:yy:zz.00, start: 0\n" +
         "write frame=3 size=1kB time=9.0 bitrate=1\\r\noutput 4096\n");
  Run();
  EXPECT_EQ(progress_history, (std::vector<std::string>{"10%"}));
  EXPECT_EQ(Cell(kCellFrames), "3");
  EXPECT_EQ(result.end, RunEnd::kCompleted);
}

// --- how runs end ---

struct OutcomeCase {
  const char* name;
  std::string script;
  RunKind kind;
  RunEnd end;
  std::string reason;  // JudgeRun's reason
  std::string ending;  // the details' last line
};

// Each way a run ends, as the runner tells it; JudgeRun's table holds what follows for the row.
TEST_F(EncoderRunnerTest, OutcomesTable) {
  const std::string head = std::string(kHeader) + kDuration90 + kOutputHeader + kRecord;
  constexpr RunKind kMain = RunKind::kMain;
  constexpr RunKind kRetry = RunKind::kRetry;
  const char* const ended_after_line = "(the encoder was ended after its error line)";
  const std::vector<OutcomeCase> cases = {
      {"done", head + "output 4096\n", kMain, RunEnd::kCompleted, "",
       "(the encoder exited with code 0)"},
      {"empty output", head + "empty-output\n", kMain, RunEnd::kCompleted,
       "the encoder wrote an empty output file", "(the encoder exited with code 0)"},
      {"missing output", head + "no-output\n", kMain, RunEnd::kCompleted,
       "the encoder wrote no output file", "(the encoder exited with code 0)"},
      // The encoder says why and ends by itself: its line and its own exit code, no kill.
      {"error line, then its own exit", head + "output 100\nprint error: disk full\nexit 1\n",
       kMain, RunEnd::kEncoderError, "disk full", "(the encoder ended with exit code 1)"},
      {"error line, then it hangs", head + "output 100\nprint [h264] error: bad\nhang\n", kMain,
       RunEnd::kEndedOnErrorLine, "[h264] error: bad", ended_after_line},
      // An encoder that did not exit 0 failed, whatever it left at the output path.
      {"exit 1 after its output", head + "output 4096\nexit 1\n", kMain, RunEnd::kEncoderError,
       "the encoder ended with exit code 1", "(the encoder ended with exit code 1)"},
      {"killed after its output", head + "output 4096\ncrash\n", kMain, RunEnd::kKilled,
       EndedBy(kCrashEnd), "(" + EndedBy(kCrashEnd) + ")"},
      {"marker in a retry run", head + "output 100\nprint Unknown format\nhang\n", kRetry,
       RunEnd::kEndedOnErrorLine, "Unknown format", ended_after_line},
      {"rejected first line", "output 100\nprint /videos/in.mov: Invalid data\nhang\n", kMain,
       RunEnd::kEndedOnErrorLine, "/videos/in.mov: Invalid data", ended_after_line},
      {"rejected first line, its own exit", "print Unexpected end of file\nexit 1\n", kMain,
       RunEnd::kEncoderError, "Unexpected end of file", "(the encoder ended with exit code 1)"},
      {"unsupported codec", head + "print Unsupported codec for stream 0\nhang\n", kMain,
       RunEnd::kEndedOnErrorLine, "Unsupported codec for stream 0", ended_after_line},
      {"header names a path with failed in it",
       "print Input #0, avi, from '/videos/failed takes/error: 1.avi':\n" +
           std::string(kDuration90) + "print Output #0, psp, to '/out/failed.mp4':\n" + kRecord +
           "output 4096\n",
       kMain, RunEnd::kCompleted, "", "(the encoder exited with code 0)"},
      {"exits at once without output", "exit 0\n", kMain, RunEnd::kCompleted,
       "the encoder wrote no output file", "(the encoder exited with code 0)"},
      {"crashes after its header", std::string(kHeader) + "crash\n", kMain, RunEnd::kKilled,
       EndedBy(kCrashEnd), "(" + EndedBy(kCrashEnd) + ")"},
      {"thumbnail after a good run", std::string(kHeader) + "exit 1\n", RunKind::kMainThumbnail,
       RunEnd::kEncoderError, "the thumbnail: the encoder ended with exit code 1",
       "(the encoder ended with exit code 1)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(run.output_path);
    run.kind = c.kind;
    Script(c.script);
    const auto started = std::chrono::steady_clock::now();
    Run();
    EXPECT_EQ(result.end, c.end);
    EXPECT_EQ(Judged().reason, c.reason);
    ASSERT_FALSE(result.details.empty());
    EXPECT_EQ(result.details.back(), c.ending);
    EXPECT_EQ(watchdog.watched(), 0);
    EXPECT_FALSE(form.ConversionCountTimer.enabled());
    // The hanging encoders end with the run instead of being waited for.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  }
}

TEST_F(EncoderRunnerTest, EndedRunLeavesNoEncoderBehind) {
  // Whether the run ends on a marker or on a rejected first line, the encoder it started has
  // ended when the run returns.
  for (const std::string line : {"print error: x", "print not a header"}) {
    SCOPED_TRACE(line);
    Script("pidfile pid\n" + (line == "print error: x" ? std::string(kHeader) : "") + line +
           "\nhang\n");
    std::filesystem::remove(dir / "pid");
    Start(Command());
    const platform::ProcessId pid = PidFromFile();
    Finish();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(ProcessGone(pid));
  }
}

TEST_F(EncoderRunnerTest, ThumbnailRunShowsNoProgress) {
  AddTheRow(input_path, RowState::kThumbnail);
  run.kind = RunKind::kMainThumbnail;
  Script(std::string(kHeader) + kDuration90 + kRecord + "output 700\n");
  Run();
  EXPECT_EQ(Cell(kCellFrames), "");
  EXPECT_EQ(progress_history, (std::vector<std::string>{"THM"}));
  EXPECT_EQ(result.end, RunEnd::kCompleted);
}

TEST_F(EncoderRunnerTest, StartFailureEndsFailedWithoutACrash) {
  WriteTextFile(run.output_path, "an older output");
  const std::vector<std::string> commands = {
      platform::QuoteArgument(dir / "missing/raziz2u") + " -i a.mov out.mp4",
      "\"" + std::string(FAKE_ENCODER_PATH) + " -i a.mov out.mp4",  // unbalanced quote
      "",
      "   ",
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command);
    bar_history.clear();
    Run(command);
    EXPECT_EQ(result.end, RunEnd::kNotStarted);
    EXPECT_EQ(Judged().verdict, RunVerdict::kFailed) << "no retry";
    EXPECT_TRUE(bar_history.empty());
    EXPECT_FALSE(form.ConversionCountTimer.enabled());
  }
  EXPECT_EQ(Judged().reason, "no output format is selected");
}

TEST_F(EncoderRunnerTest, ErrorInsideTheReadLoopEndsTheEncoder) {
  // Post 1 watches the run, post 2 is the first display update.
  ui.fail_at_ = 2;
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" + kRecord +
         "hang\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  // No marker and an output, but the encoder was ended before it could finish it: a failed
  // run, retried, never "Done".
  EXPECT_EQ(result.end, RunEnd::kUnreadable);
  EXPECT_EQ(Judged().verdict, RunVerdict::kRetry);
  EXPECT_EQ(Judged().reason, "the encoder's output could not be read: posting failed");
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
}

// --- Stop ---

TEST_F(EncoderRunnerTest, StopEndsTheRunAtOnce) {
  for (const bool with_output : {true, false}) {
    SCOPED_TRACE(with_output ? "output present" : "no output");
    std::filesystem::remove(run.output_path);
    std::filesystem::remove(dir / "pid");
    requests.StopRequested = false;
    bar_history.clear();
    Script("pidfile pid\n" + std::string(kHeader) + kDuration90 +
           (with_output ? "output 100\n" : "") + kRecord + "hang\n");
    Start(Command());
    const platform::ProcessId pid = PidFromFile();
    ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812"; }));
    const std::int64_t pressed = clock.NowMs();
    PressStop();
    // At once: the run ends while the fake clock stands still, so no grace time was waited.
    ASSERT_TRUE(WaitFor([&] { return done.load(); })) << "the run waited for time to pass";
    worker.join();
    ui.Pump();
    EXPECT_EQ(clock.NowMs(), pressed);
    EXPECT_EQ(result.details.back(), "(" + EndedBy(kRequestedEnd) + ")");
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_EQ(result.end, RunEnd::kStopped);
    EXPECT_EQ(result.output_exists, with_output);
    EXPECT_EQ(std::count(bar_history.begin(), bar_history.end(), 100), 0);
  }
}

TEST_F(EncoderRunnerTest, StopLetsTheEncoderFinishItsOutputFirst) {
  // The encoder takes a while to close its container after the request: it is waited for (the
  // grace time passes on the fake clock, which does not move) and its finished output stays.
  Script("catch-term\npidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" +
         kRecord + "await-term\nsleep 300\noutput 5000\nexit 0\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812"; }));
  PressStop();
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(result.end, RunEnd::kStopped);
  EXPECT_EQ(std::filesystem::file_size(run.output_path), 5000u) << "the encoder finished it";
  EXPECT_EQ(result.output_size, 5000);
  EXPECT_EQ(Judged().reason, "stopped");
}

TEST_F(EncoderRunnerTest, StopKillsAnEncoderThatDoesNotFinishInTime) {
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" + kRecord +
         "ignore-term 60000\nhang\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812"; }));
  const auto pressed = std::chrono::steady_clock::now();
  PressStop();
  // The grace time passes on the fake clock; then the encoder is killed.
  ASSERT_TRUE(WaitFor([&] {
    clock.Advance(100);
    return done.load();
  })) << "the run did not end";
  worker.join();
  ui.Pump();
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(5));
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(result.end, RunEnd::kStopped);
}

TEST_F(EncoderRunnerTest, StopReachesASilentEncoderThroughTheRequestAlone) {
  // Without the window asking the encoder, the runner sees the stop request within one poll.
  Script("pidfile pid\n" + std::string(kHeader) + "output 100\nhang\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(run.output_path); }));
  requests.StopRequested = true;
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(result.end, RunEnd::kStopped);
}

TEST_F(EncoderRunnerTest, StopBeforeTheRunStillEndsIt) {
  requests.StopRequested = true;
  Script(std::string(kHeader) + "output 100\nhang\n");
  Run();
  EXPECT_EQ(result.end, RunEnd::kStopped);
}

TEST_F(EncoderRunnerTest, StopEndsOnlyTheRunsOwnEncoder) {
  // Another encoder of this program (another window's run, say) and one we did not start: Stop
  // reaches neither; the run's own encoder is asked to end through its handle.
  TempDir other;
  WriteTextFile(other / "fake_script.txt", "hang\n");
  auto second = platform::ChildProcess::Start(
      platform::QuoteArgument(FAKE_ENCODER_PATH) + " -i x y", other.path());
  ASSERT_TRUE(second);

  const std::string foreign_script = other / "foreign.txt";
  WriteTextFile(foreign_script, "hang\n");
  testing::ForeignProcess foreign(FAKE_ENCODER_PATH, foreign_script);
  ASSERT_TRUE(foreign.started());

  Script("pidfile pid\n" + std::string(kHeader) + "output 100\nhang\n");
  Start(Command());
  const platform::ProcessId ours = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return watchdog.watched() == 1; }));
  PressStop();
  Finish();
  EXPECT_TRUE(ProcessGone(ours));
  EXPECT_EQ(result.details.back(), "(" + EndedBy(kRequestedEnd) + ")");
  EXPECT_FALSE(second->WaitFor(200)) << "the other encoder of ours still converts";
  EXPECT_TRUE(second->Terminate());
  EXPECT_EQ(second->Wait(), testing::kKilledExit);
  EXPECT_TRUE(foreign.Running()) << "a process we did not start survives";
}

// --- the stall watchdog ---

TEST_F(EncoderRunnerTest, WatchdogEndsAFrozenFrameCount) {
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" + kRecord +
         "hang\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812" && watchdog.watched() == 1; }));
  ASSERT_TRUE(form.ConversionCountTimer.enabled());

  // The first tick sees the start texts differ; 7 unchanged ticks follow: not yet.
  ui.AdvanceBy(8 * 2000);
  EXPECT_FALSE(ProcessGone(pid));
  EXPECT_FALSE(done);

  ui.AdvanceBy(2000);  // the 8th unchanged tick
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(result.end, RunEnd::kStalled);
  EXPECT_EQ(Judged().verdict, RunVerdict::kFailed) << "the output is present: no retry";
}

TEST_F(EncoderRunnerTest, WatchdogSparesAMovingFrameCount) {
  // A new frame count every 250 ms of real time; the test lets one watchdog tick pass per count.
  constexpr int kFrames = 10;
  std::string script = "pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n";
  for (int frame = 1; frame <= kFrames; ++frame) {
    script += "write frame=" + std::to_string(frame) + " q=1 size=1kB time=1.0 b=1\\r\n";
    script += "sleep 250\n";
  }
  script += "hang\n";
  Script(script);
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  for (int frame = 1; frame <= kFrames; ++frame) {
    ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == std::to_string(frame); })) << frame;
    ui.AdvanceBy(2000);
  }
  // Seven more ticks without a new count: the count started again at the last one.
  ui.AdvanceBy(7 * 2000);
  EXPECT_FALSE(ProcessGone(pid));
  PressStop();
  Finish();
  EXPECT_EQ(result.end, RunEnd::kStopped);
}

TEST_F(EncoderRunnerTest, WatchdogWatchesTimeAndSizeOfAnAudioOutput) {
  // An audio output has no frame count: its progress time and size must move instead.
  run.audio_output = true;
  std::string script = "pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n";
  for (int second = 1; second <= 3; ++second) {
    script += "write size=" + std::to_string(second * 16) + "kB time=" + std::to_string(second) +
              ".00 bitrate=128.0kbits/s\\r\nsleep 250\n";
  }
  Script(script + "hang\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  for (int second = 1; second <= 3; ++second) {
    ASSERT_TRUE(WaitFor([&] {
      return form.Status.panel(1) == "Output File Size : " + std::to_string(second * 16) + " KB";
    })) << second;
    ui.AdvanceBy(2000);
  }
  // Then nothing moves: 8 unchanged ticks end it.
  ui.AdvanceBy(7 * 2000);
  EXPECT_FALSE(ProcessGone(pid));
  ui.AdvanceBy(2000);
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(result.end, RunEnd::kStalled);
  EXPECT_EQ(Judged().reason, "the encoder made no progress for 16 seconds and was ended");
}

TEST_F(EncoderRunnerTest, WatchdogNeverEndsOutputWithoutFrames) {
  // A video output whose records carry no frame count: "2" stays against an empty "Frames"
  // cell, so it is never taken for stalled.
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" +
         "write size=100kB time=9.0 bitrate=128.0kbits/s\\r\nhang\n");
  Start(Command());
  const platform::ProcessId pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellProgress) == "10%"; }));
  ui.AdvanceBy(30 * 2000);
  EXPECT_FALSE(ProcessGone(pid));
  PressStop();
  Finish();
  EXPECT_EQ(result.end, RunEnd::kStopped);
}

// One watchdog over the runs of every lane: each run counts its own ticks and only a stalled
// run's encoder is ended.
TEST(Watchdog, CountsEachRunsUnchangedTicks) {
  platform::FakeClock clock;
  TestUiThread ui{clock};
  MainForm form;
  WindowWatchdog watchdog{ui, form};
  for (const char* frames : {" 40 ", "7"}) {
    FileEntry entry;
    entry.frames = FrameCount(frames);
    form.FileList.AddRow(entry);
  }
  RunWatch stalled(form.FileList.row(0).id, false);
  RunWatch moving(form.FileList.row(1).id, false);
  stalled.SetCurrentFrames("40");
  watchdog.Watch(stalled);
  watchdog.Watch(moving);
  EXPECT_TRUE(form.ConversionCountTimer.enabled());

  watchdog.Tick();
  EXPECT_EQ(stalled.StallTicks, 0);
  EXPECT_EQ(stalled.PreviousFrames, "40") << "the row's frame count, trimmed";
  auto move = [&](int frames) {
    moving.SetCurrentFrames(std::to_string(frames));
    form.FileList.Update(moving.row(), [&](FileEntry& entry) { entry.frames = frames; });
  };
  for (int tick = 1; tick <= 7; ++tick) {
    move(tick);
    watchdog.Tick();
    EXPECT_EQ(stalled.StallTicks, tick);
    EXPECT_EQ(moving.StallTicks, 0);
  }
  stalled.SetCurrentFrames("41");
  move(100);
  watchdog.Tick();
  EXPECT_EQ(stalled.StallTicks, 0) << "a change starts the count again";
  stalled.SetCurrentFrames("40");
  for (int tick = 1; tick <= 8; ++tick) {
    move(100 + tick);
    watchdog.Tick();
  }
  EXPECT_TRUE(stalled.StallDetected);
  EXPECT_EQ(watchdog.watched(), 1) << "the stalled run is no longer watched";
  EXPECT_TRUE(form.ConversionCountTimer.enabled()) << "the other run still is";
  EXPECT_FALSE(moving.StallDetected);

  // A row that is gone reads as an empty count.
  form.FileList.RemoveRow(1);
  watchdog.Tick();
  EXPECT_EQ(moving.PreviousFrames, "");
  watchdog.Unwatch(moving);
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
}

}  // namespace
}  // namespace vidloom
