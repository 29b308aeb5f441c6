// Small process and environment helpers for tests, the same on POSIX and Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#endif

#include <cerrno>
#include <string>
#include <vector>

#include "platform/process.h"

namespace vidloom::testing {

// True while process `pid` runs (on POSIX also while it is an unreaped zombie).
inline bool ProcessRunning(platform::ProcessId pid) {
  if (pid <= 0) return false;
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return false;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
#else
  return kill(pid, 0) == 0 || errno != ESRCH;
#endif
}

// Sets or removes a variable of this process's environment, which started children inherit.
inline void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name.c_str(), value.c_str());
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnvironment(const std::string& name) {
#ifdef _WIN32
  SetEnvironmentVariableA(name.c_str(), nullptr);
  _putenv_s(name.c_str(), "");
#else
  unsetenv(name.c_str());
#endif
}

// How the platform reports a crashed child and one ended on request, in exit codes and in the
// runner's words (platform::AbnormalEnd). The Windows fake encoder crashes with 0xC0000409, as
// a fail-fast abort does, and ends with 0xC000013A on the end-request event.
#ifdef _WIN32
inline constexpr int kCrashExit = static_cast<int>(0xC0000409u);
inline constexpr int kKilledExit = static_cast<int>(0xC000013Au);
inline constexpr const char* kCrashEnd = "exception 0xC0000409";
inline constexpr const char* kRequestedEnd = "exception 0xC000013A";
inline constexpr const char* kKilledEnd = "exception 0xC000013A";
#else
inline constexpr int kCrashExit = 128 + SIGABRT;
inline constexpr int kKilledExit = 128 + SIGKILL;
inline constexpr const char* kCrashEnd = "signal 6 (Aborted)";
inline constexpr const char* kRequestedEnd = "signal 15 (Terminated)";
inline constexpr const char* kKilledEnd = "signal 9 (Killed)";
#endif

// A process started outside ChildProcess, as one we did not start would be: `program` with
// no arguments, running the fake encoder script `script`. The destructor ends and reaps it.
class ForeignProcess {
 public:
  ForeignProcess(const std::string& program, const std::string& script) {
#ifdef _WIN32
    SetEnvironment("FAKE_ENCODER_SCRIPT", script);
    std::wstring command = L"\"" + std::wstring(program.begin(), program.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
    UnsetEnvironment("FAKE_ENCODER_SCRIPT");
#else
    std::string env = "FAKE_ENCODER_SCRIPT=" + script;
    std::vector<char*> envp = {env.data(), nullptr};
    std::string name = program;
    std::vector<char*> argv = {name.data(), nullptr};
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
      pid_ = -1;
#endif
  }
  ~ForeignProcess() {
#ifdef _WIN32
    if (process_ == nullptr) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
#else
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
#endif
  }
  ForeignProcess(const ForeignProcess&) = delete;
  ForeignProcess& operator=(const ForeignProcess&) = delete;

  bool started() const {
#ifdef _WIN32
    return process_ != nullptr;
#else
    return pid_ > 0;
#endif
  }
  // True while it runs.
  bool Running() const {
#ifdef _WIN32
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
#else
    int status = 0;
    return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
#endif
  }

 private:
#ifdef _WIN32
  HANDLE process_ = nullptr;
#else
  pid_t pid_ = -1;
#endif
};

}  // namespace vidloom::testing
