// The encoder runner and its stall watchdog, with the scripted fake encoder. The test's thread is
// the UI thread (TestUiThread on a FakeClock); RunEncoder runs on a worker thread. Watchdog time
// is fake: no test waits for real watchdog periods.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include "platform/command_line.h"
#include "platform/process.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"

extern char** environ;

namespace vidloom {
namespace {

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

bool ProcessGone(pid_t pid) {
  return kill(pid, 0) != 0 && errno == ESRCH;
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
    FileEntry entry;
    entry.checked = true;
    entry.caption = input_path;
    entry.cells[kCellOutput] = "MP4";
    form.ListView1.AddRow(entry);
    state.run.CurrentRow = 0;
    state.run.OutputPath = dir / "in.mp4";
    AttachWatchdog(ui, form, state, kEncoderName);
    form.ProgressBar1.Subscribe([this] { bar_history.push_back(form.ProgressBar1.position()); });
    // Every value the "Progress" cell of row 0 takes, in order.
    form.ListView1.SubscribeRows([this](ListView::Change, int) {
      if (form.ListView1.count() == 0) return;
      const std::string& cell = form.ListView1.cell(0, kCellProgress);
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

  void Script(const std::string& text) { WriteTextFile(dir / "fake_script.txt", text); }

  std::string Command() const {
    return platform::QuoteArgument(FAKE_ENCODER_PATH) + " -@ -y -i " +
           platform::QuoteArgument(input_path) + " -vcodec libx264 " +
           platform::QuoteArgument(state.run.OutputPath);
  }

  void Start(const std::string& command) {
    done = false;
    worker = std::thread([this, command] {
      RunEncoder(env, command, 0);
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

  // What the window's Stop does to a running batch: our encoders are asked to end.
  void PressStop() {
    state.requests.StopRequested = true;
    platform::RequestEndOfProcessesByName(kEncoderName);
    clock.WakeAll();
  }

  pid_t PidFromFile() {
    pid_t pid = 0;
    WaitFor([&] {
      const std::string text = ReadTextFile(dir / "pid");
      if (text.empty() || text.back() != '\n') return false;  // not yet written whole
      pid = static_cast<pid_t>(std::atoi(text.c_str()));
      return pid > 0;
    });
    return pid;
  }

  const std::string& Cell(int cell) const { return form.ListView1.cell(0, cell); }
  bool SawProgress(const std::string& text) const {
    return std::find(progress_history.begin(), progress_history.end(), text) !=
           progress_history.end();
  }

  TempDir dir;
  std::string input_path = "/videos/in.mov";
  platform::FakeClock clock;
  FailingUiThread ui{clock};
  TForm1 form;
  ConversionState state;
  RunnerEnv env{.state = state, .window = {ui, form}, .working_directory = dir.path()};
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
  EXPECT_EQ(form.StatusBar1.panel(1), "Output File Size : 1536 KB");
  EXPECT_EQ(bar_history, (std::vector<int>{30, 100, 0}));
  EXPECT_EQ(progress_history, (std::vector<std::string>{"30%", "Done"}));
  EXPECT_FALSE(state.run.RetryNeeded);
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
  EXPECT_EQ(form.ProgressBar1.position(), 0);
  // The row keeps what the run said, for "Show Details", and no reason.
  const FileEntry& row = form.ListView1.row(0);
  EXPECT_EQ(row.reason, "");
  ASSERT_EQ(row.details.size(), 6u);
  EXPECT_EQ(row.details.front(), "> " + Command());
  EXPECT_EQ(row.details[1], "Input #0, mov, from '/videos/in.mov':");
  EXPECT_EQ(row.details[4], "frame=812 q=4.0 size=1536kB time=27.1 bitrate=463.8kbits/s");
  EXPECT_EQ(row.details.back(), "(the encoder exited with code 0)");
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
  form.ListView1.Clear();
  FileEntry entry;
  entry.caption = input_path;
  form.ListView1.AddRow(entry);
  Script(std::string(kHeader) + "print   Duration: 00:03:25.00, start: 0.000000\n" +
         "write size=100kB time=20.5 bitrate=128.0kbits/s\\r\noutput 4096\n");
  Run();
  EXPECT_EQ(Cell(kCellDuration), "00:03:25");
  EXPECT_TRUE(SawProgress("10%"));
  EXPECT_EQ(Cell(kCellProgress), "Done");
}

TEST_F(EncoderRunnerTest, OtherInputsLeaveTheDurationCell) {
  form.ListView1.SetCell(0, kCellDuration, "00:01:30");
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
  EXPECT_EQ(form.StatusBar1.panel(1), "Output File Size : 90 KB");
  EXPECT_TRUE(SawProgress("50%"));
  EXPECT_EQ(Cell(kCellProgress), "Done");
}

TEST_F(EncoderRunnerTest, ReadingsThatAreNotNumbersDoNotEndTheRun) {
  Script(std::string(kHeader) + "write frame=1 size=1kB time=3.0 bitrate=1\\r\n" + kDuration90 +
         "write frame=2 size=1kB time=abc bitrate=1\\r\n" +
         "print   Duration: xx:yy:zz.00, start: 0\n" +
         "write frame=3 size=1kB time=9.0 bitrate=1\\r\noutput 4096\n");
  Run();
  EXPECT_EQ(progress_history, (std::vector<std::string>{"10%", "Done"}));
  EXPECT_EQ(Cell(kCellFrames), "3");
}

// --- how runs end ---

struct OutcomeCase {
  const char* name;
  std::string script;
  bool retry_run;
  const char* cell;
  bool retry_needed;
  const char* reason = nullptr;  // the row's reason afterwards; nullptr: not looked at
};

TEST_F(EncoderRunnerTest, OutcomesTable) {
  const std::string head = std::string(kHeader) + kDuration90 + kOutputHeader + kRecord;
  const std::vector<OutcomeCase> cases = {
      {"done", head + "output 4096\n", false, "Done", false, ""},
      {"empty output, first run", head + "empty-output\n", false, "30%", true,
       "the encoder wrote an empty output file"},
      {"empty output, retry run", head + "empty-output\n", true, "Failed", true},
      {"missing output", head + "no-output\n", false, "Failed", true,
       "the encoder wrote no output file"},
      {"marker in a first run", head + "output 100\nprint [h264] error: bad\nhang\n", false, "",
       true, "[h264] error: bad"},
      // An encoder that did not exit 0 failed, whatever it left at the output path.
      {"exit 1 after its output", head + "output 4096\nexit 1\n", false, "", true,
       "the encoder ended with exit code 1"},
      {"killed after its output", head + "output 4096\ncrash\n", false, "", true,
       "the encoder was ended by signal 6 (Aborted)"},
      {"killed after its output, retry run", head + "output 4096\ncrash\n", true, "Failed", false,
       "the encoder was ended by signal 6 (Aborted)"},
      {"marker, no output", head + "print Error while opening file x\nhang\n", false, "Failed",
       true},
      {"marker in a retry run", head + "output 100\nprint Unknown format\nhang\n", true, "Failed",
       false},
      {"rejected first line", "output 100\nprint /videos/in.mov: Invalid data\nhang\n", false, "",
       true, "/videos/in.mov: Invalid data"},
      {"rejected first line, no output", "print Unexpected end of file\nhang\n", false, "Failed",
       true},
      {"unsupported codec", head + "output 100\nprint Unsupported codec for stream 0\nhang\n",
       false, "", true},
      {"unsupported codec, retry run", head + "print Unsupported codec (id=1)\nhang\n", true,
       "Failed", true},
      {"header names a path with failed in it",
       "print Input #0, avi, from '/videos/failed takes/error: 1.avi':\n" +
           std::string(kDuration90) + "print Output #0, psp, to '/out/failed.mp4':\n" + kRecord +
           "output 4096\n",
       false, "Done", false},
      {"exits at once without output", "exit 0\n", false, "Failed", true},
      {"crashes after its header", std::string(kHeader) + "crash\n", false, "Failed", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(state.run.OutputPath);
    form.ListView1.SetCell(0, kCellProgress, "");
    state.run.RetryRun = c.retry_run;
    Script(c.script);
    const auto started = std::chrono::steady_clock::now();
    Run();
    EXPECT_EQ(Cell(kCellProgress), c.cell);
    EXPECT_EQ(state.run.RetryNeeded.load(), c.retry_needed);
    if (c.reason) {
      EXPECT_EQ(form.ListView1.row(0).reason, c.reason);
    }
    EXPECT_FALSE(state.watchdog.StallDetected);
    EXPECT_FALSE(form.ConversionCountTimer.enabled());
    // The hanging encoders end with the run instead of being waited for.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  }
}

TEST_F(EncoderRunnerTest, EndedRunLeavesNoEncoderBehind) {
  // Whether the run ends by a kill (marker) or without one (rejected first line), the encoder
  // it started has ended when the run returns.
  for (const std::string line : {"print error: x", "print not a header"}) {
    SCOPED_TRACE(line);
    Script("pidfile pid\n" + (line == "print error: x" ? std::string(kHeader) : "") + line +
           "\nhang\n");
    std::filesystem::remove(dir / "pid");
    Start(Command());
    const pid_t pid = PidFromFile();
    Finish();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(ProcessGone(pid));
  }
}

TEST_F(EncoderRunnerTest, ThumbnailRunShowsNoProgressAndClearsItsFlag) {
  state.run.ThumbnailRun = true;
  form.ListView1.SetCell(0, kCellProgress, "THM");
  Script(std::string(kHeader) + kDuration90 + kRecord + "output 700\n");
  Run();
  EXPECT_EQ(Cell(kCellFrames), "");
  EXPECT_EQ(progress_history, (std::vector<std::string>{"THM", "Done"}));
  EXPECT_FALSE(state.run.ThumbnailRun);
}

TEST_F(EncoderRunnerTest, StartFailureEndsFailedWithoutACrash) {
  WriteTextFile(state.run.OutputPath, "an older output");
  const std::vector<std::string> commands = {
      platform::QuoteArgument(dir / "missing/raziz2u") + " -i a.mov out.mp4",
      "\"" + std::string(FAKE_ENCODER_PATH) + " -i a.mov out.mp4",  // unbalanced quote
      "",
      "   ",
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command);
    form.ListView1.SetCell(0, kCellProgress, "");
    bar_history.clear();
    Run(command);
    EXPECT_EQ(Cell(kCellProgress), "Failed");
    EXPECT_FALSE(state.run.RetryNeeded);
    EXPECT_TRUE(bar_history.empty());
    EXPECT_FALSE(form.ConversionCountTimer.enabled());
  }
}

TEST_F(EncoderRunnerTest, ErrorInsideTheReadLoopEndsTheEncoder) {
  // Post 1 reads the row, post 2 arms the watchdog, post 3 is the first display update.
  ui.fail_at_ = 3;
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" + kRecord +
         "hang\n");
  Start(Command());
  const pid_t pid = PidFromFile();
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  // No marker and an output, but the encoder was ended before it could finish it: a failed
  // run, retried, never "Done".
  EXPECT_EQ(Cell(kCellProgress), "");
  EXPECT_TRUE(state.run.RetryNeeded);
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
}

// --- Stop ---

TEST_F(EncoderRunnerTest, StopEndsTheRunAtOnce) {
  for (const bool with_output : {true, false}) {
    SCOPED_TRACE(with_output ? "output present" : "no output");
    std::filesystem::remove(state.run.OutputPath);
    std::filesystem::remove(dir / "pid");
    state.requests.StopRequested = false;
    bar_history.clear();
    Script("pidfile pid\n" + std::string(kHeader) + kDuration90 +
           (with_output ? "output 100\n" : "") + kRecord + "hang\n");
    Start(Command());
    const pid_t pid = PidFromFile();
    ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812"; }));
    const std::int64_t pressed = clock.NowMs();
    PressStop();
    // At once: the run ends while the fake clock stands still, so no grace time was waited.
    ASSERT_TRUE(WaitFor([&] { return done.load(); })) << "the run waited for time to pass";
    worker.join();
    ui.Pump();
    EXPECT_EQ(clock.NowMs(), pressed);
    EXPECT_EQ(form.ListView1.row(0).details.back(),
              "(the encoder was ended by signal 15 (Terminated))");
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_EQ(Cell(kCellProgress), with_output ? "Aborted" : "Failed");
    EXPECT_EQ(std::count(bar_history.begin(), bar_history.end(), 100), 0);
    EXPECT_EQ(form.ProgressBar1.position(), 0);
  }
}

TEST_F(EncoderRunnerTest, StopLetsTheEncoderFinishItsOutputFirst) {
  // The encoder takes a while to close its container after the request: it is waited for (the
  // grace time passes on the fake clock, which does not move) and its finished output stays.
  Script("catch-term\npidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" +
         kRecord + "await-term\nsleep 300\noutput 5000\nexit 0\n");
  Start(Command());
  const pid_t pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812"; }));
  PressStop();
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(Cell(kCellProgress), "Aborted");
  EXPECT_EQ(std::filesystem::file_size(state.run.OutputPath), 5000u) << "the encoder finished it";
  EXPECT_EQ(form.ListView1.row(0).reason, "stopped");
}

TEST_F(EncoderRunnerTest, StopKillsAnEncoderThatDoesNotFinishInTime) {
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" + kRecord +
         "ignore-term 60000\nhang\n");
  Start(Command());
  const pid_t pid = PidFromFile();
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
  EXPECT_EQ(Cell(kCellProgress), "Aborted");
}

TEST_F(EncoderRunnerTest, StopReachesASilentEncoderWithoutTheKill) {
  // Even if the kill by name misses, the runner sees the stop request within one poll.
  Script("pidfile pid\n" + std::string(kHeader) + "output 100\nhang\n");
  Start(Command());
  const pid_t pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(state.run.OutputPath); }));
  state.requests.StopRequested = true;
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(Cell(kCellProgress), "Aborted");
}

TEST_F(EncoderRunnerTest, StopBeforeTheRunStillEndsIt) {
  state.requests.StopRequested = true;
  Script(std::string(kHeader) + "output 100\nhang\n");
  Run();
  EXPECT_TRUE(state.run.AbortRun);
  EXPECT_TRUE(Cell(kCellProgress) == "Aborted" || Cell(kCellProgress) == "Failed");
}

TEST_F(EncoderRunnerTest, StopEndsOurEncodersOnly) {
  // A second encoder of ours (another program of the same name) and one we did not start.
  TempDir other;
  WriteTextFile(other / "fake_script.txt", "hang\n");
  auto second = platform::ChildProcess::Start(
      platform::QuoteArgument(FAKE_ENCODER2_PATH) + " -i x y", other.path());
  ASSERT_TRUE(second);

  const std::string foreign_script = other / "foreign.txt";
  WriteTextFile(foreign_script, "hang\n");
  std::vector<std::string> env_text = {"FAKE_ENCODER_SCRIPT=" + foreign_script};
  std::vector<char*> envp = {env_text[0].data(), nullptr};
  std::string program = FAKE_ENCODER_PATH;
  std::vector<char*> argv = {program.data(), nullptr};
  pid_t foreign = -1;
  ASSERT_EQ(posix_spawn(&foreign, program.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);

  Script("pidfile pid\n" + std::string(kHeader) + "output 100\nhang\n");
  Start(Command());
  const pid_t ours = PidFromFile();
  PressStop();
  Finish();
  EXPECT_TRUE(ProcessGone(ours));
  EXPECT_EQ(second->Wait(), 128 + SIGTERM) << "asked to end, as every encoder of ours";
  int status = 0;
  EXPECT_EQ(waitpid(foreign, &status, WNOHANG), 0) << "a process we did not start survives";
  kill(foreign, SIGKILL);
  waitpid(foreign, &status, 0);
}

// --- the stall watchdog ---

TEST_F(EncoderRunnerTest, WatchdogKillsAFrozenFrameCount) {
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" + kRecord +
         "hang\n");
  Start(Command());
  const pid_t pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == "812"; }));
  ASSERT_TRUE(form.ConversionCountTimer.enabled());

  // The first tick sees the start texts differ; 7 unchanged ticks follow: not yet.
  ui.AdvanceBy(8 * 2000);
  EXPECT_EQ(state.watchdog.StallTicks, 7);
  EXPECT_FALSE(state.watchdog.StallDetected);
  EXPECT_FALSE(ProcessGone(pid));
  EXPECT_FALSE(done);

  ui.AdvanceBy(2000);  // the 8th unchanged tick
  EXPECT_FALSE(form.ConversionCountTimer.enabled());
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(Cell(kCellProgress), "Failed");
  EXPECT_FALSE(state.run.RetryNeeded) << "the output is present";
  EXPECT_FALSE(state.watchdog.StallDetected) << "cleared at the end of the run";
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
  const pid_t pid = PidFromFile();
  for (int frame = 1; frame <= kFrames; ++frame) {
    ASSERT_TRUE(WaitFor([&] { return Cell(kCellFrames) == std::to_string(frame); })) << frame;
    ui.AdvanceBy(2000);
  }
  EXPECT_EQ(state.watchdog.StallTicks, 0);
  EXPECT_FALSE(state.watchdog.StallDetected);
  EXPECT_FALSE(ProcessGone(pid));
  PressStop();
  Finish();
  EXPECT_EQ(Cell(kCellProgress), "Aborted");
}

TEST_F(EncoderRunnerTest, WatchdogWatchesTimeAndSizeOfAnAudioOutput) {
  // An audio output has no frame count: its progress time and size must move instead.
  state.run.OutputExtension = "mp3";
  std::string script = "pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n";
  for (int second = 1; second <= 3; ++second) {
    script += "write size=" + std::to_string(second * 16) + "kB time=" + std::to_string(second) +
              ".00 bitrate=128.0kbits/s\\r\nsleep 250\n";
  }
  Script(script + "hang\n");
  Start(Command());
  const pid_t pid = PidFromFile();
  for (int second = 1; second <= 3; ++second) {
    ASSERT_TRUE(WaitFor([&] {
      return form.StatusBar1.panel(1) ==
             "Output File Size : " + std::to_string(second * 16) + " KB";
    })) << second;
    ui.AdvanceBy(2000);
    EXPECT_EQ(state.watchdog.StallTicks, 0) << second;
  }
  // Then nothing moves: 8 unchanged ticks end it.
  ui.AdvanceBy(7 * 2000);
  EXPECT_FALSE(state.watchdog.StallDetected);
  EXPECT_FALSE(ProcessGone(pid));
  ui.AdvanceBy(2000);
  Finish();
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_EQ(Cell(kCellProgress), "Failed");
  EXPECT_EQ(form.ListView1.row(0).reason,
            "the encoder made no progress for 16 seconds and was ended");
}

TEST_F(EncoderRunnerTest, WatchdogNeverKillsOutputWithoutFrames) {
  // A video output whose records carry no frame count: "2" stays against an empty "Frames"
  // cell, so it is never taken for stalled.
  Script("pidfile pid\n" + std::string(kHeader) + kDuration90 + "output 100\n" +
         "write size=100kB time=9.0 bitrate=128.0kbits/s\\r\nhang\n");
  Start(Command());
  const pid_t pid = PidFromFile();
  ASSERT_TRUE(WaitFor([&] { return Cell(kCellProgress) == "10%"; }));
  ui.AdvanceBy(30 * 2000);
  EXPECT_FALSE(state.watchdog.StallDetected);
  EXPECT_EQ(state.watchdog.StallTicks, 0);
  EXPECT_FALSE(ProcessGone(pid));
  PressStop();
  Finish();
  EXPECT_EQ(Cell(kCellProgress), "Aborted");
}

TEST(ConversionCountTimerTimer, CountsUnchangedTicks) {
  ConversionState state;
  TForm1 form;
  FileEntry entry;
  entry.cells[kCellFrames] = " 40 ";
  form.ListView1.AddRow(entry);
  state.run.CurrentRow = 0;
  state.watchdog.SetCurrentFrames("40");
  state.watchdog.PreviousFrames = "0";
  form.ConversionCountTimer.SetEnabled(true);

  ConversionCountTimerTimer(state, form, "vidloom-test-no-such-encoder");
  EXPECT_EQ(state.watchdog.StallTicks, 0);
  EXPECT_EQ(state.watchdog.PreviousFrames, "40") << "the cell, trimmed";
  for (int tick = 1; tick <= 7; ++tick) {
    ConversionCountTimerTimer(state, form, "vidloom-test-no-such-encoder");
    EXPECT_EQ(state.watchdog.StallTicks, tick);
  }
  EXPECT_FALSE(state.watchdog.StallDetected);
  state.watchdog.SetCurrentFrames("41");
  ConversionCountTimerTimer(state, form, "vidloom-test-no-such-encoder");
  EXPECT_EQ(state.watchdog.StallTicks, 0) << "a change starts the count again";
  state.watchdog.SetCurrentFrames("40");
  for (int tick = 1; tick <= 8; ++tick) {
    ConversionCountTimerTimer(state, form, "vidloom-test-no-such-encoder");
  }
  EXPECT_TRUE(state.watchdog.StallDetected);
  EXPECT_FALSE(form.ConversionCountTimer.enabled());

  // A row index outside the list reads as an empty cell.
  state.run.CurrentRow = 5;
  ConversionCountTimerTimer(state, form, "vidloom-test-no-such-encoder");
  EXPECT_EQ(state.watchdog.PreviousFrames, "");
}

}  // namespace
}  // namespace vidloom
