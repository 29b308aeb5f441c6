// The start-up script runner: a real /bin/sh started in the script's directory, detached, with
// the signals the program blocks unblocked; a missing script starts nothing.
#include "window_logic/headless_desktop.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

// Waits in real time (the script is a real process) for `path` to hold a complete line.
std::string WaitForLine(const std::string& path, int timeout_ms = 10'000) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < give_up) {
    std::string text = ReadTextFile(path);
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::string();
}

TEST(StartupScript, RunsBesideTheProgramWithoutBlockedSignalsAndIsNotWaitedFor) {
  TempDir dir;
  const std::string report = dir / "report";
  const std::string done = dir / "done";
  WriteTextFile(dir / "reg.sh",
                "pwd > report.tmp\n"
                "grep SigBlk /proc/self/status >> report.tmp\n"
                "echo session=$(cut -d' ' -f6 /proc/$$/stat) >> report.tmp\n"
                "mv report.tmp report\n"
                "i=0; while [ ! -e go ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done\n"
                "[ -e go ] && echo finished > done || echo gave up > done\n");

  // The command-line front-end blocks these for its signal thread.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  HeadlessDesktop desktop;
  desktop.RunStartupScript(dir / "reg.sh");
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  // The script waits for "go", which comes only after the start has returned.
  WriteTextFile(dir / "go", "");
  const std::string text = WaitForLine(report);
  ASSERT_FALSE(text.empty()) << "the script did not run";
  EXPECT_EQ(text.substr(0, text.find('\n')), std::filesystem::canonical(dir.path()).string());
  EXPECT_NE(text.find("SigBlk:\t0000000000000000"), std::string::npos) << text;
  EXPECT_EQ(text.find("session=" + std::to_string(getsid(0)) + "\n"), std::string::npos)
      << "the script runs in a session of its own: " << text;
  EXPECT_NE(text.find("session="), std::string::npos) << text;
  EXPECT_EQ(WaitForLine(done), "finished\n");
}

TEST(StartupScript, AMissingScriptOrADirectoryStartsNothing) {
  TempDir dir;
  EXPECT_FALSE(StartDetachedScript(dir / "reg.sh", dir.path()));
  std::filesystem::create_directory(dir / "dir.sh");
  EXPECT_FALSE(StartDetachedScript(dir / "dir.sh", dir.path()));
  HeadlessDesktop desktop;
  desktop.RunStartupScript(dir / "reg.sh");  // nothing to see, nothing to report
  desktop.OpenHelpFile(dir / "help.html");
  desktop.OpenUrl("https://example.invalid");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"dir.sh"}) << "nothing was created";
}

TEST(StartupScript, AFailingScriptIsNotReported) {
  TempDir dir;
  WriteTextFile(dir / "reg.sh", "echo started > started\nexit 3\n");
  EXPECT_TRUE(StartDetachedScript(dir / "reg.sh", dir.path()));
  EXPECT_EQ(WaitForLine(dir / "started"), "started\n");
}

}  // namespace
}  // namespace vidloom
