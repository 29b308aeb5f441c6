// Runs a program with an argument list (no shell), stdout and stderr into one pipe, and gives
// back what it printed and how it ended. Test-only helper for the encoder's process tests.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace raziz2u_test {

struct Outcome {
  bool started = false;
  bool timed_out = false;
  bool signaled = false;  // ended by a signal (a crash, or the test's own kill)
  int signal = 0;
  int exit_code = -1;
  std::string output;
  double seconds = 0;
  double seconds_after_signal = -1;  // from the SIGTERM of `on_output` to the end; -1: none sent
};

// `on_output` sees the text so far after every read; returning true sends SIGTERM once.
inline Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          double timeout_seconds = 120,
                          const std::function<bool(const std::string&)>& on_output = nullptr) {
  Outcome outcome;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return outcome;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const auto begin = std::chrono::steady_clock::now();
  const int err = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (err != 0) {
    close(fds[0]);
    return outcome;
  }
  outcome.started = true;
  bool terminated = false;
  std::chrono::steady_clock::time_point signalled;
  char buffer[4096];
  while (true) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (elapsed > timeout_seconds) {
      outcome.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    outcome.output.append(buffer, static_cast<size_t>(n));
    if (on_output && !terminated && on_output(outcome.output)) {
      kill(pid, SIGTERM);
      terminated = true;
      signalled = std::chrono::steady_clock::now();
    }
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  const auto end = std::chrono::steady_clock::now();
  outcome.seconds = std::chrono::duration<double>(end - begin).count();
  if (terminated)
    outcome.seconds_after_signal = std::chrono::duration<double>(end - signalled).count();
  if (WIFSIGNALED(status)) {
    outcome.signaled = true;
    outcome.signal = WTERMSIG(status);
  } else if (WIFEXITED(status)) {
    outcome.exit_code = WEXITSTATUS(status);
  }
  return outcome;
}

}  // namespace raziz2u_test
