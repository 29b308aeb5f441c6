// ProbeFile against the scripted fake encoder.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "analysis/file_list.h"
#include "analysis/probe.h"
#include "platform/command_line.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace vidloom::analysis {
namespace {

using vidloom::testing::ReadTextFile;
using vidloom::testing::TempDir;
using vidloom::testing::WriteTextFile;

bool Alive(pid_t pid) {
  return pid > 0 && ::kill(pid, 0) == 0;
}

pid_t ReadPid(const std::string& file) {
  for (int i = 0; i < 200; ++i) {
    const std::string text = ReadTextFile(file);
    if (!text.empty() && text.back() == '\n') return static_cast<pid_t>(std::stol(text));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

// The argument vector a fake wrote with its "args" command.
std::vector<std::string> ReadArgs(const std::string& file) {
  std::vector<std::string> args;
  const std::string data = ReadTextFile(file);
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\0') {
      args.push_back(data.substr(start, i - start));
      start = i + 1;
    }
  }
  return args;
}

class ProbeFileTest : public ::testing::Test {
 protected:
  void SetUp() override { options.encoder_path = FAKE_ENCODER_PATH; }
  void TearDown() override { ::unsetenv("FAKE_ENCODER_SCRIPT"); }

  void Script(const std::string& text) {
    WriteTextFile(dir / "script.txt", text);
    ::setenv("FAKE_ENCODER_SCRIPT", (dir / "script.txt").c_str(), 1);
  }

  TempDir dir;
  ProbeOptions options;
};

TEST_F(ProbeFileTest, DescribesTheWorkedExampleAndPassesTheResolvedPath) {
  Script("args " + (dir / "args.bin") +
         "\n"
         "print Input #0, avi, from 'trip.avi':\n"
         "print   Duration: 00:02:05.3, bitrate: 1150 kb/s\n"
         "print     Stream #0.0: Video: mpeg4, 640x480, 25.00 fps\n"
         "print     Stream #0.1: Audio: mp3, 44100 Hz, stereo\n");
  int pumps = 0;
  options.pump = [&] { ++pumps; };
  // A given path is resolved once, when it is added: no file has the blanks, so they go.
  const std::string path = platform::ResolveGivenPath("  /media/My \"Clips\"/trip.avi ");
  const ProbeResult result = ProbeFile(path, ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  EXPECT_FALSE(result.RetryWithPrefix);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.values.Path, path);
  EXPECT_EQ(result.values.FrameSize, "640 x 480");
  EXPECT_EQ(result.values.FrameRate, "25");
  EXPECT_EQ(result.values.Duration, "00:02:05");
  EXPECT_EQ(result.lines.size(), 4u);
  EXPECT_GE(pumps, 2);  // before the start and while reading
  EXPECT_EQ(ReadArgs(dir / "args.bin"),
            (std::vector<std::string>{FAKE_ENCODER_PATH, "-@", "-y", "-i",
                                      "/media/My \"Clips\"/trip.avi"}));
}

TEST_F(ProbeFileTest, ANameEndingInABlankIsPassedAsItIsWhenItNamesAFile) {
  // "x.wav " and "x.wav" side by side: the probe describes the one it was given.
  WriteTextFile(dir / "x.wav", "");
  WriteTextFile(dir / "x.wav ", "");
  Script("args " + (dir / "args.bin") + "\nprint Input #0, wav\n");
  EXPECT_EQ(ProbeFile(dir / "x.wav ", ProbeMode::Plain, options).outcome, ProbeOutcome::Described);
  EXPECT_EQ(ReadArgs(dir / "args.bin").back(), dir / "x.wav ");
}

TEST_F(ProbeFileTest, WhatIsNoRegularFileIsRejectedWithoutStartingTheEncoder) {
  ASSERT_EQ(mkfifo((dir / "pipe.avi").c_str(), 0600), 0);
  Script("args " + (dir / "args.bin") + "\nprint Input #0, avi\n");
  const ProbeResult result = ProbeFile(dir / "pipe.avi", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Rejected);
  EXPECT_FALSE(result.RetryWithPrefix);  // the other way of opening it would not help
  ASSERT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.lines[0],
            "Error while opening file: the input is a named pipe, not a regular file");
  EXPECT_FALSE(std::filesystem::exists(dir / "args.bin"));
  EXPECT_EQ(ProbeRowTexts(result)->size, "Unknown");
}

TEST_F(ProbeFileTest, PrefixedModeAddsTheAlternateInputPrefix) {
  Script("args " + (dir / "args.bin") + "\nprint Input #0, avi\n");
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Prefixed, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  EXPECT_EQ(ReadArgs(dir / "args.bin").back(), "DS:\\\\/m/a.avi");
}

TEST_F(ProbeFileTest, AnAnswerSplitAcrossReadsIsJoinedBeforeParsing) {
  // Written in pieces that the pipe may or may not join; how a first line cut short is judged
  // is JudgeFirstLine's table.
  Script(
      "write Inp\n"
      "write ut #0, avi\\r\\n  Dura\n"
      "write tion: 00:01:07.50, bitrate: 9 kb/s\\r\\n  Stream #0.0: Video: h264, 12\n"
      "write 80x720, 29.97 fps\\r\\n\n");
  const ProbeResult result = ProbeFile("/m/split.mp4", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  EXPECT_EQ(result.values.Duration, "00:01:07");
  EXPECT_EQ(result.values.FrameSize, "1280 x 720");
  EXPECT_EQ(result.values.FrameRate, "29.97");
}

TEST_F(ProbeFileTest, AnswerWithoutDurationReportsAnEmptyDuration) {
  Script("print Input #0, avi\nprint Stream #0.0: Video: mpeg4, 320x240, 30.00 fps\n");
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  EXPECT_EQ(result.values.Duration, "");
  EXPECT_EQ(result.values.FrameRate, "30");
}

TEST_F(ProbeFileTest, SilentEncoderIsDescribedWithUnknownValues) {
  Script("exit 1\n");
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  EXPECT_EQ(result.values.FrameSize, "0 x 0");
  EXPECT_EQ(result.values.FrameRate, "0");
  EXPECT_EQ(result.values.Duration, "");
  EXPECT_TRUE(result.lines.empty());
}

TEST_F(ProbeFileTest, ARejectedAnswerEndsOnlyItsOwnEncoder) {
  // Another encoder of the same name, started by this program before the probe.
  WriteTextFile(dir / "fake_script.txt", "pidfile " + (dir / "other.pid") + "\nhang\n");
  auto other =
      platform::ChildProcess::Start(platform::QuoteArgument(FAKE_ENCODER_PATH), dir.path());
  ASSERT_TRUE(other);
  const pid_t other_pid = ReadPid(dir / "other.pid");
  ASSERT_TRUE(Alive(other_pid));

  Script("pidfile " + (dir / "probe.pid") +
         "\n"
         "print raziz2u version 2.0, a banner before the input\n"
         "print Input #0, avi\n"
         "hang\n");
  const auto started = std::chrono::steady_clock::now();
  const ProbeResult result = ProbeFile("/m/odd.avi", ProbeMode::Plain, options);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(result.outcome, ProbeOutcome::Rejected);
  EXPECT_TRUE(result.RetryWithPrefix);
  EXPECT_EQ(result.values.Path, "/m/odd.avi");

  const pid_t probe_pid = ReadPid(dir / "probe.pid");
  ASSERT_GT(probe_pid, 0);
  EXPECT_FALSE(Alive(probe_pid));  // reaped after its termination
  EXPECT_TRUE(Alive(other_pid));
  EXPECT_FALSE(other->HasExited());

  other->Terminate();
  other->Wait();
}

TEST_F(ProbeFileTest, AFirstLineShorterThanTheHeaderIsRejected) {
  Script("print Input\nprint Input #0, avi\n");
  EXPECT_EQ(ProbeFile("/m/a.avi", ProbeMode::Plain, options).outcome, ProbeOutcome::Rejected);
  Script("write Input #");
  EXPECT_EQ(ProbeFile("/m/a.avi", ProbeMode::Plain, options).outcome, ProbeOutcome::Rejected);
}

TEST_F(ProbeFileTest, MissingEncoderIsNotStarted) {
  options.encoder_path = dir / "no-such-encoder";
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::NotStarted);
  EXPECT_FALSE(result.RetryWithPrefix);
  EXPECT_EQ(result.values.Path, "/m/a.avi");
}

TEST_F(ProbeFileTest, AHangingEncoderIsEndedAtTheTimeout) {
  Script("pidfile " + (dir / "probe.pid") +
         "\n"
         "print Input #0, avi\n"
         "print Stream #0.0: Video: mpeg4, 176x144, 15.00 fps\n"
         "hang\n");
  // Time is injected: every pump moves the fake clock by a second, so the 30 s timeout passes
  // after some thirty short reads.
  platform::FakeClock clock;
  options.clock = &clock;
  options.pump = [&] { clock.Advance(1000); };
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_TRUE(result.timed_out);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  EXPECT_EQ(result.values.FrameSize, "176 x 144");
  EXPECT_EQ(result.values.FrameRate, "15");
  EXPECT_FALSE(Alive(ReadPid(dir / "probe.pid")));
}

TEST_F(ProbeFileTest, CancelEndsTheProbesOwnEncoder) {
  Script("pidfile " + (dir / "probe.pid") +
         "\n"
         "print Input #0, avi\n"
         "hang\n");
  // The clock moves 100 ms a pump: without the cancel the probe would end at its timeout.
  platform::FakeClock clock;
  std::atomic<bool> cancel{false};
  options.clock = &clock;
  options.cancel = &cancel;
  options.pump = [&] {
    clock.Advance(100);
    if (!ReadTextFile(dir / "probe.pid").empty()) cancel = true;
  };
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Cancelled);
  EXPECT_FALSE(result.timed_out);
  EXPECT_FALSE(result.RetryWithPrefix);
  EXPECT_FALSE(Alive(ReadPid(dir / "probe.pid")));
  EXPECT_EQ(ProbeRowTexts(result), std::nullopt);  // a cancelled file gets no row

  // Cancelled before it starts: no encoder at all.
  std::filesystem::remove(dir / "probe.pid");
  const ProbeResult early = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_EQ(early.outcome, ProbeOutcome::Cancelled);
  EXPECT_TRUE(ReadTextFile(dir / "probe.pid").empty());
}

TEST_F(ProbeFileTest, EndlessOutputIsCappedAndTheEncoderEnded) {
  Script("print Input #0, avi\nflood 4000000\n");
  options.max_answer_bytes = 64 * 1024;
  const ProbeResult result = ProbeFile("/m/a.avi", ProbeMode::Plain, options);
  EXPECT_EQ(result.outcome, ProbeOutcome::Described);
  std::size_t total = 0;
  for (const auto& line : result.lines) total += line.size() + 1;
  EXPECT_LE(total, 64u * 1024 + 1);
}

}  // namespace
}  // namespace vidloom::analysis
