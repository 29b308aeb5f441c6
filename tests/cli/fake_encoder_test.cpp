// vidloom-cli run from a program directory of its own that holds the scripted fake encoder under
// the encoder's name. Ctrl-C while it converts: the encoder is ended, the batch stops with the
// result table, the exit status is 130 and no encoder is left running. Relative paths given on
// the command line reach the encoder, which runs in the program directory, as absolute paths.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/child.h"
#include "cli/run_program.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::Child;
using testing::Lines;
using testing::ReadTextFile;
using testing::TempDir;
using testing::WaitFor;
using testing::WriteTextFile;

class CliFake : public ::testing::Test {
 protected:
  CliFake() {
    for (const auto& [from, name] :
         {std::pair<std::string, std::string>{VIDLOOM_CLI_PATH, "vidloom-cli"},
          {FAKE_ENCODER_PATH, "raziz2u"}}) {
      fs::copy_file(from, program_ / name);
      fs::permissions(program_ / name, fs::perms::owner_all, fs::perm_options::add);
    }
    fs::create_directory(sequence_ / "seq");
    WriteTextFile(media_ / "a.avi", "media");
    WriteTextFile(media_ / "b.avi", "media");
  }

  // Starts a conversion of a.avi and b.avi; the encoder's first run writes some output, notes
  // its pid and hangs.
  std::unique_ptr<Child> StartConversion(const std::string& format) {
    WriteTextFile(sequence_ / "seq/run-0.txt",
                  "print Input #0, avi, from 'in':\n"
                  "print   Duration: 00:00:10.00, start: 0.000000, bitrate: 100 kb/s\n"
                  "write frame=25 q=2.0 size=1kB time=1.00 bitrate=80.0kbits/s\\r\n"
                  "output 1000\n"
                  "pidfile " +
                      PidFile() + "\nhang\n");
    WriteTextFile(sequence_ / "seq/default.txt", "print Input #0, avi, from 'in':\noutput 10\n");
    return std::make_unique<Child>(
        program_ / "vidloom-cli",
        std::vector<std::string>{"--no-settings", "--source-size", "320 x 240", "--format", format,
                                 "--output-dir", media_ / "out", media_ / "a.avi",
                                 media_ / "b.avi"},
        std::vector<std::string>{"FAKE_ENCODER_SEQUENCE=" + sequence_ / "seq"});
  }

  // Converts a.avi for the PS3 with the fake's scripts as they stand.
  std::unique_ptr<Child> ConvertA() {
    return std::make_unique<Child>(
        program_ / "vidloom-cli",
        std::vector<std::string>{"--no-settings", "--source-size", "320 x 240", "--format",
                                 "PS3 Video(480P) (*.mp4)", "--output-dir", media_ / "out",
                                 media_ / "a.avi"},
        std::vector<std::string>{"FAKE_ENCODER_SEQUENCE=" + sequence_ / "seq"});
  }

  std::string PidFile() const { return sequence_ / "encoder.pid"; }

  int Runs() const {
    int n = 0;
    while (fs::exists(sequence_ / ("seq/args-" + std::to_string(n)))) ++n;
    return n;
  }

  TempDir program_;
  TempDir sequence_;
  TempDir media_;
};

class CliInterrupt : public CliFake, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliInterrupt, CtrlCStopsTheBatchAndLeavesNoEncoder) {
  auto cli = StartConversion(GetParam());
  ASSERT_TRUE(cli->started());
  ASSERT_TRUE(WaitFor([&] { return fs::exists(PidFile()) || !cli->Running(); }, 30'000))
      << "the encoder never ran";
  ASSERT_TRUE(cli->Running()) << cli->out() << cli->err();
  std::string pid_text;
  ASSERT_TRUE(WaitFor(
      [&] {
        pid_text = ReadTextFile(PidFile());
        return !pid_text.empty() && pid_text.back() == '\n';
      },
      5'000));
  const pid_t encoder = static_cast<pid_t>(std::stol(pid_text));

  ASSERT_TRUE(cli->Signal(SIGINT));
  const auto status = cli->Wait(20'000);
  ASSERT_TRUE(status.has_value()) << "vidloom-cli did not end after Ctrl-C";
  EXPECT_EQ(*status, 130) << cli->out() << cli->err();

  const auto lines = Lines(cli->out());
  const auto result = std::find(lines.begin(), lines.end(), "Result:");
  ASSERT_NE(result, lines.end()) << cli->out();
  // Each row says why it did not convert.
  EXPECT_NE(std::find(result, lines.end(), "  Aborted\t" + media_ / "a.avi" + "\tstopped"),
            lines.end())
      << cli->out();
  EXPECT_NE(std::find(result, lines.end(),
                      "  Skipped\t" + media_ / "b.avi" + "\tstopped before its turn"),
            lines.end())
      << cli->out();
  EXPECT_NE(std::find(result, lines.end(), "0 of 2 files converted"), lines.end()) << cli->out();
  EXPECT_NE(cli->err().find("[Question] Stop all the file conversions? yes"), std::string::npos)
      << cli->err();
  EXPECT_EQ(Runs(), 1);  // neither a thumbnail, a retry nor the next row was started
  EXPECT_EQ(cli->out().find(": THM"), std::string::npos) << cli->out();

  // The encoder has ended and been reaped: its pid names no process.
  errno = 0;
  EXPECT_EQ(kill(encoder, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliInterrupt,
                         ::testing::Values("PS3 Video(480P) (*.mp4)",
                                           "PSP Video (Good Quality) (*.mp4)"),
                         [](const auto& test) { return test.index == 0 ? "Ps3" : "Psp"; });

TEST_F(CliFake, WithoutCtrlCTheSameProgramDirectoryConverts) {
  // The copied program finds the fake beside itself: every run ends at once.
  WriteTextFile(sequence_ / "seq/default.txt",
                "print Input #0, avi, from 'in':\nprint   Duration: 00:00:01.00, start: 0.0\n"
                "output 1000\n");
  auto cli = ConvertA();
  const auto status = cli->Wait(30'000);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0) << cli->out() << cli->err();
  EXPECT_NE(cli->out().find("  Done\t" + media_ / "a.avi"), std::string::npos) << cli->out();
  EXPECT_EQ(Runs(), 1);
}

TEST_F(CliFake, AnEncoderKilledFromOutsideIsNeverDone) {
  // Both runs write a full-size output and are then killed (a crash, an out-of-memory kill):
  // the output is not what a finished encoder leaves, so the row fails, after its retry.
  WriteTextFile(sequence_ / "seq/default.txt",
                "print Input #0, avi, from 'in':\nprint   Duration: 00:00:01.00, start: 0.0\n"
                "output 100000\ncrash\n");
  auto cli = ConvertA();
  const auto status = cli->Wait(30'000);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 1) << cli->out() << cli->err();
  EXPECT_NE(cli->out().find("  Failed\t" + media_ / "a.avi" +
                            "\tthe encoder was ended by signal 6 (Aborted)\n"),
            std::string::npos)
      << cli->out();
  EXPECT_NE(cli->out().find("0 of 1 file converted"), std::string::npos) << cli->out();
  EXPECT_EQ(Runs(), 2);  // the run and its retry
}

TEST_F(CliFake, RelativePathsAreTakenFromTheCurrentDirectory) {
  WriteTextFile(sequence_ / "seq/default.txt",
                "print Input #0, avi, from 'in':\nprint   Duration: 00:00:01.00, start: 0.0\n"
                "output 1000\n");
  Child cli(program_ / "vidloom-cli",
            {"--no-settings", "--source-size", "320 x 240", "--format", "PS3 Video(480P) (*.mp4)",
             "--output-dir", "out", "./a.avi"},
            {"FAKE_ENCODER_SEQUENCE=" + sequence_ / "seq"}, media_.path());
  const auto status = cli.Wait(30'000);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0) << cli.out() << cli.err();
  EXPECT_NE(cli.out().find("  Done\t" + media_ / "a.avi"), std::string::npos) << cli.out();
  ASSERT_EQ(Runs(), 1);
  const std::string args = ReadTextFile(sequence_ / "seq/args-0");
  EXPECT_NE(args.find(std::string(1, '\0') + media_ / "a.avi" + '\0', 0), std::string::npos)
      << args;
  EXPECT_TRUE(fs::exists(media_ / "out/a.mp4"));
  EXPECT_FALSE(fs::exists(program_ / "out"));
}

}  // namespace
}  // namespace vidloom
