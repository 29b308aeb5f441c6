// A program of the build started in the background (no shell), with its output in files, that a
// test can signal and wait for with a deadline. Only this child is ever signalled.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace vidloom::testing {

class Child {
 public:
  // Starts `program` with `args`; `extra_env` entries ("NAME=value") are added to the
  // environment; `cwd`, when given, is its working directory. stdin is /dev/null.
  Child(const std::string& program, const std::vector<std::string>& args,
        const std::vector<std::string>& extra_env = {}, const std::string& cwd = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (capture_ / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (capture_ / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> arg_text = {program};
    arg_text.insert(arg_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : arg_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
    env_text.insert(env_text.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> envp;
    for (auto& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }

  ~Child() {
    if (Running()) {
      kill(pid_, SIGKILL);
      Wait(10'000);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  bool Running() {
    if (pid_ <= 0 || status_) return false;
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      return false;
    }
    return true;
  }

  bool Signal(int signal) { return Running() && kill(pid_, signal) == 0; }

  // Waits up to timeout_ms for the child to end. Returns its exit status (128 + signal when a
  // signal ended it), or nullopt when it is still running.
  std::optional<int> Wait(int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Running()) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
  }

  std::string out() const { return ReadTextFile(capture_ / "out"); }
  std::string err() const { return ReadTextFile(capture_ / "err"); }

 private:
  TempDir capture_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Polls `condition` every few milliseconds for up to timeout_ms.
template <class F>
bool WaitFor(F condition, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace vidloom::testing
