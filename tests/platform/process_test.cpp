#include "platform/process.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "support/processes.h"
#include "support/temp_dir.h"

namespace vidloom::platform {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

using testing::kKilledExit;
using testing::ProcessRunning;
using testing::SetEnvironment;
using testing::UnsetEnvironment;

#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

// Each test gets a working directory holding the fake encoder's script.
class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { UnsetEnvironment("FAKE_ENCODER_SCRIPT"); }

  void Script(const std::string& text) { WriteTextFile(dir_ / "fake_script.txt", text); }

  std::unique_ptr<ChildProcess> StartFake(const std::string& arguments = "",
                                          const char* program = FAKE_ENCODER_PATH) {
    std::string error;
    auto child = ChildProcess::Start(QuoteArgument(program) + " " + arguments, dir_.path(), &error);
    EXPECT_TRUE(child) << error;
    return child;
  }

  // Everything the child writes until the end of the pipe.
  static std::string ReadAll(ChildProcess& child, int timeout_ms = 10'000) {
    std::string text;
    char buffer[255];
    for (;;) {
      const long n = child.Read(buffer, sizeof buffer, timeout_ms);
      if (n <= 0) {
        EXPECT_EQ(n, 0) << "the output did not end";
        return text;
      }
      text.append(buffer, static_cast<std::size_t>(n));
    }
  }

  std::map<std::string, std::string> Describe(const std::string& file) {
    std::map<std::string, std::string> values;
    std::istringstream lines(ReadTextFile(file));
    for (std::string line; std::getline(lines, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
  }

  TempDir dir_;
};

TEST_F(ProcessTest, ArgumentsReachTheProgramByteForByte) {
  Script("args " + (dir_ / "args.bin") + "\n");
  const std::vector<std::string> arguments = {"",
                                              " ",
                                              "a b",
                                              "\"",
                                              "a\"b",
                                              "\\",
                                              "a\\",
                                              "\\\"",
                                              "dir\\\" x",
                                              "$(touch pwned)",
                                              "; ls",
                                              "`id`",
                                              "a\nb",
                                              "\t",
                                              "\xc3\xb1"
                                              "and\xc3\xba.avi",
                                              "-y",
                                              "trailing ",
                                              "DS:\\\\/u/a b.avi",
                                              "\x01\x7f\xff",
                                              "last/output.mp4"};
  std::string line;
  std::string expected = std::string(FAKE_ENCODER_PATH) + '\0';
  for (const auto& argument : arguments) {
    line += " " + QuoteArgument(argument);
#ifdef _WIN32
    // The command line is UTF-16 there: a byte that is no UTF-8 arrives as U+FFFD.
    expected += (argument == "\x01\x7f\xff" ? "\x01\x7f\xef\xbf\xbd" : argument) + '\0';
#else
    expected += argument + '\0';
#endif
  }
  auto child = StartFake(line);
  ASSERT_TRUE(child);
  EXPECT_EQ(child->Wait(), 0);
  EXPECT_EQ(ReadTextFile(dir_ / "args.bin"), expected);
  EXPECT_FALSE(FileExists(dir_ / "pwned"));
}

TEST_F(ProcessTest, CommandsThatCannotStartReturnNullWithAReason) {
  WriteTextFile(dir_ / "not-executable", "#!/bin/sh\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\"/nonexistent/dir/raziz2u\" -y", dir_.path()},
      {"vidloom-no-such-program-here -y", dir_.path()},
      {QuoteArgument(dir_ / "not-executable"), dir_.path()},
      {QuoteArgument(FAKE_ENCODER_PATH) + " \"unbalanced", dir_.path()},
      {"", dir_.path()},
      {"   ", dir_.path()},
      {QuoteArgument(FAKE_ENCODER_PATH), dir_ / "no-such-directory"},
      {QuoteArgument(FAKE_ENCODER_PATH) + " \"a" + std::string(1, '\0') + "b\"", dir_.path()},
  };
  for (const auto& [line, directory] : cases) {
    std::string error;
    EXPECT_EQ(ChildProcess::Start(line, directory, &error), nullptr) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST_F(ProcessTest, StdoutAndStderrArriveInOnePipeInOrder) {
  Script(
      "print out one\n"
      "eprint err two\n"
      "write frame=1 q=2\\r\n"
      "write nul\\0byte\\x41\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  const char expected[] = "out one\nerr two\nframe=1 q=2\rnul\0byteA";
  EXPECT_EQ(ReadAll(*child), std::string(expected, sizeof expected - 1));
  EXPECT_EQ(child->Wait(), 0);
}

TEST_F(ProcessTest, LargeOutputComesThroughWhole) {
  Script("flood 1000000\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  const std::string text = ReadAll(*child);
  EXPECT_EQ(text.size(), 1000000u);
  EXPECT_EQ(text.rfind("frame=1 q=2.0 size=3kB", 0), 0u);
  EXPECT_EQ(child->Wait(), 0);
}

TEST_F(ProcessTest, ChildRunsInItsDirectoryAndGroupWithOnlyTheStandardDescriptors) {
  Script("describe " + (dir_ / "describe.txt") + "\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  ASSERT_EQ(child->Wait(), 0);
  auto values = Describe(dir_ / "describe.txt");
  EXPECT_TRUE(SameFile(values["cwd"], dir_.path())) << values["cwd"];
  EXPECT_EQ(values["pid"], std::to_string(child->pid()));
#ifdef _WIN32
  EXPECT_EQ(values["stdin"], "char") << "NUL, a character device";
#else
  EXPECT_EQ(values["stdin"], "/dev/null");
  EXPECT_EQ(values["pgid"], std::to_string(child->pid()));
  EXPECT_EQ(values["ppid"], std::to_string(getpid()));
  EXPECT_EQ(values["fds"], "0,1,2");
#endif
}

TEST_F(ProcessTest, ExitCodesAndSignalsAreReported) {
  struct Case {
    std::string script;
    int exit_code;
  };
  const std::vector<Case> cases = {
      {"print hi\n", 0},    {"exit 3\n", 3}, {"exit 255\n", 255}, {"crash\n", testing::kCrashExit},
      {"frobnicate\n", 99},
  };
  for (const auto& c : cases) {
    Script(c.script);
    auto child = StartFake();
    ASSERT_TRUE(child);
    ReadAll(*child);
    EXPECT_EQ(child->Wait(), c.exit_code) << c.script;
    EXPECT_EQ(child->Wait(), c.exit_code) << "a second Wait returns the same";
    EXPECT_TRUE(child->HasExited());
    EXPECT_FALSE(child->Terminate()) << "a reaped child is never signalled";
  }
}

TEST_F(ProcessTest, HasExitedAndWaitForReapWithoutBlockingPastTheirTime) {
  Script("catch-term\nprint ready\nawait-term\nexit 7\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  char buffer[64];
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 10'000), 6);
  EXPECT_FALSE(child->HasExited());
  EXPECT_FALSE(child->WaitFor(0));
  EXPECT_FALSE(child->WaitFor(20)) << "it runs until asked to end";
  EXPECT_TRUE(child->RequestEnd());
  EXPECT_TRUE(child->WaitFor(10'000)) << "the end is seen when it comes";
  EXPECT_TRUE(child->HasExited());
  EXPECT_TRUE(child->WaitFor(0));
  EXPECT_EQ(child->Wait(), 7);
}

TEST_F(ProcessTest, ReadTimesOutWhileTheChildIsQuietThenSeesTheEndAfterTerminate) {
  Script("print ready\nhang\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  char buffer[64];
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 10'000), 6);
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 50), ChildProcess::kTimedOut);
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 0), ChildProcess::kTimedOut);
  EXPECT_FALSE(child->HasExited());
  EXPECT_TRUE(child->Terminate());
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 10'000), 0);
  EXPECT_EQ(child->Wait(), kKilledExit);
  child->CloseOutput();
#ifndef _WIN32
  EXPECT_EQ(child->output_fd(), -1);
#endif
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 0), ChildProcess::kReadError);
}

TEST_F(ProcessTest, TerminateEndsAChildThatIgnoresSigterm) {
  Script("ignore-term 60000\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  EXPECT_TRUE(child->Terminate());
  EXPECT_EQ(child->Wait(), kKilledExit);
}

TEST_F(ProcessTest, TerminateEndsTheWholeProcessGroup) {
  // The shell's background child keeps the pipe open: the end of the pipe shows it died too.
  std::string error;
#ifdef _WIN32
  // On Windows the group is the child's job: cmd's child started with "start /b" is in it.
  Script("hang\n");
  auto child =
      ChildProcess::Start("cmd /c \"start /b " + QuoteArgument(FAKE_ENCODER_PATH) +
                              " & echo started& " + QuoteArgument(FAKE_ENCODER_PATH) + "\"",
                          dir_.path(), &error);
#else
  auto child = ChildProcess::Start("/bin/sh -c \"sleep 1000 & echo started; sleep 1000\"",
                                   dir_.path(), &error);
#endif
  ASSERT_TRUE(child) << error;
  char buffer[64];
  std::string said;
  for (long n; said.find('\n') == std::string::npos &&
               (n = child->Read(buffer, sizeof buffer, 10'000)) > 0;)
    said.append(buffer, static_cast<std::size_t>(n));
  EXPECT_TRUE(said.starts_with("started")) << said;
  EXPECT_TRUE(child->Terminate());
  EXPECT_EQ(child->Read(buffer, sizeof buffer, 10'000), 0);
  EXPECT_EQ(child->Wait(), kKilledExit);
}

TEST_F(ProcessTest, TerminateFromAnotherThreadEndsABlockedReadAndWait) {
  Script("hang\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    child->Terminate();
  });
  char buffer[64];
  EXPECT_EQ(child->Read(buffer, sizeof buffer, -1), 0);
  EXPECT_EQ(child->Wait(), kKilledExit);
  stopper.join();
}

TEST_F(ProcessTest, BareNamesAreFoundBesideTheProgramFirstThenInPath) {
  // The same name beside this test program and in a PATH directory: the one beside wins.
#ifdef _WIN32
  const std::string name = "vidloom-test-fake-" + std::to_string(GetCurrentProcessId());
  const std::string file_name = name + ".exe";  // a bare name is looked up with ".exe" too
#else
  const std::string name = "vidloom-test-fake-" + std::to_string(getpid());
  const std::string file_name = name;
#endif
  const std::string beside = ProgramDirectory() + file_name;
  const std::string in_path = dir_ / file_name;
  std::filesystem::copy_file(FAKE_ENCODER_PATH, FsPath(in_path));
  const char* old_path = std::getenv("PATH");
  const std::string saved_path = old_path ? old_path : "";
  SetEnvironment("PATH", dir_.path() + kPathListSeparator + saved_path);
  Script("exit 0\n");

  auto from_path = ChildProcess::Start(name, dir_.path());
  ASSERT_TRUE(from_path);
  EXPECT_TRUE(SameFile(from_path->program_path(), in_path)) << from_path->program_path();
  EXPECT_EQ(from_path->Wait(), 0);

  std::filesystem::copy_file(FAKE_ENCODER_PATH, FsPath(beside));
  auto from_beside = ChildProcess::Start(name, dir_.path());
  SetEnvironment("PATH", saved_path);
  ASSERT_TRUE(from_beside);
  EXPECT_TRUE(SameFile(from_beside->program_path(), beside)) << from_beside->program_path();
  EXPECT_EQ(from_beside->Wait(), 0);
  from_beside.reset();
  std::filesystem::remove(FsPath(beside));
#ifndef _WIN32

  auto shell = ChildProcess::Start("sh -c \"echo from path\"", dir_.path());
  ASSERT_TRUE(shell);
  EXPECT_EQ(ReadAll(*shell), "from path\n");
  EXPECT_EQ(shell->Wait(), 0);
#endif
}

TEST_F(ProcessTest, TerminateFromAnotherThreadWhileTheOwnerWaits) {
  Script("hang\n");
  auto child = StartFake();
  ASSERT_TRUE(child);
  bool ended = false;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ended = child->Terminate();
  });
  EXPECT_EQ(child->Wait(), kKilledExit);
  stopper.join();
  EXPECT_TRUE(ended);
  EXPECT_FALSE(child->Terminate()) << "a reaped child is never signalled";
}

TEST_F(ProcessTest, AChildOutlivingItsObjectIsReaped) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows leaves no zombie: an ended process goes with its last handle";
#else
  Script("hang\n");
  pid_t pid;
  {
    auto child = StartFake();
    ASSERT_TRUE(child);
    pid = child->pid();
    char buffer[8];
    EXPECT_EQ(child->Read(buffer, sizeof buffer, 200), ChildProcess::kTimedOut);
  }
  EXPECT_TRUE(ProcessRunning(pid));
  kill(pid, SIGKILL);
  // A later start reaps it.
  auto still_ours = [pid] {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0;
  };
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (still_ours() && std::chrono::steady_clock::now() < give_up) {
    Script("exit 0\n");
    auto next = StartFake();
    ASSERT_TRUE(next);
    next->Wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  int status;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), -1) << "the child was left as a zombie";
#endif
}

TEST_F(ProcessTest, ChildDiesWithTheThreadThatStartedIt) {
#ifdef _WIN32
  GTEST_SKIP() << "on Windows a child lives as long as its job, which this program holds "
                  "(TheChildEndsWithThisProgram)";
#endif
  Script("hang\n");
  std::unique_ptr<ChildProcess> child;
  std::thread starter([&] { child = StartFake(); });
  starter.join();
  ASSERT_TRUE(child);
  EXPECT_EQ(child->Wait(), kKilledExit);
}

TEST_F(ProcessTest, ScriptFromTheEnvironmentWinsOverTheWorkingDirectory) {
  Script("exit 1\n");
  WriteTextFile(dir_ / "other_script.txt", "exit 5\n");
  SetEnvironment("FAKE_ENCODER_SCRIPT", dir_ / "other_script.txt");
  auto child = StartFake();
  ASSERT_TRUE(child);
  EXPECT_EQ(child->Wait(), 5);
  SetEnvironment("FAKE_ENCODER_SCRIPT", dir_ / "missing.txt");
  child = StartFake();
  ASSERT_TRUE(child);
  EXPECT_EQ(child->Wait(), 98);
  UnsetEnvironment("FAKE_ENCODER_SCRIPT");
}

// A program that ends while its encoder runs takes the encoder with it (POSIX: the parent-death
// signal; Windows: the job closes with the program's last handle to it). The death test's
// child process is that program; it runs this test afresh, so the two meet in a folder named
// after this build.
TEST_F(ProcessTest, TheChildEndsWithThisProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string shared = Utf8Path(
      std::filesystem::temp_directory_path() /
      ("vidloom-test-child-ends-" + std::to_string(std::hash<std::string>{}(ProgramDirectory()))));
  std::filesystem::create_directories(FsPath(shared));
  const std::string pid_file = shared + "/pid";
  WriteTextFile(shared + "/fake_script.txt", "pidfile " + pid_file + "\nhang\n");
  std::filesystem::remove(FsPath(pid_file));
  EXPECT_EXIT(
      {
        auto child = ChildProcess::Start(QuoteArgument(FAKE_ENCODER_PATH), shared);
        for (int i = 0; i < 1000 && ReadTextFile(pid_file).find('\n') == std::string::npos; ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::_Exit(child ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  const auto pid = static_cast<ProcessId>(std::atol(ReadTextFile(pid_file).c_str()));
  std::filesystem::remove_all(FsPath(shared));
  ASSERT_TRUE(pid > 0);
  bool running = true;
  for (int i = 0; i < 1000 && (running = ProcessRunning(pid)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(running) << "the encoder outlived the program that started it";
}

}  // namespace
}  // namespace vidloom::platform
