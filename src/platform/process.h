// Child processes started from one command-line string, with standard output and standard error
// joined in one pipe. POSIX implementation in process_posix.cpp, Windows in process_win.cpp.
#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

namespace vidloom::platform {

// Windows: marks this process as a running Vidloom program until it ends, however it ends (a
// named mutex, "Global\Vidloom.Running", seen from every session), so that the installer and
// the uninstaller wait until no window and no vidloom-cli is left before they replace or
// remove the programs. Elsewhere it does nothing.
void MarkProgramRunning();

#ifdef _WIN32
using ProcessId = unsigned long;
// The name of the event that asks process <pid> to finish its work and end, as SIGTERM does
// on POSIX: "Local\vidloom-end-request-<pid>". ChildProcess creates it before the child runs;
// a child that wants to honour it opens it and waits on it.
std::wstring EndRequestEventName(ProcessId pid);
#else
using ProcessId = pid_t;
#endif

// One started child. The child runs without a shell, with stdin from /dev/null, stdout and
// stderr into one pipe, in its own process group, and is killed (SIGKILL) when the thread that
// started it ends (PR_SET_PDEATHSIG follows the starting thread), and so when this program dies.
// On Windows: CreateProcessW with the command line as given, no console window, stdin from NUL,
// in a job object of its own that ends it (and what it started) when the job's last handle
// closes, and so when this program ends.
// The destructor closes the pipe and reaps the child if it has ended; it does not kill it. A
// child still running then is reaped once it ends (by the next start).
//
// Read, CloseOutput, Wait and HasExited belong to one thread at a time; Terminate and
// RequestEnd may run on any thread meanwhile. A child's pid is never signalled after it has
// been reaped, so a reused pid is never hit. A child is only ever signalled through its own
// object: nothing here finds processes by name.
class ChildProcess {
 public:
  // Splits `command_line` (SplitCommandLine) and starts it in `working_directory`. The first
  // argument names the program: with a separator it is used as given; a bare name is looked up
  // first in ProgramDirectory(), then in PATH (on Windows also with ".exe" added). Returns
  // nullptr when the line cannot be split or the program cannot be executed; *error (if given)
  // then says why.
  static std::unique_ptr<ChildProcess> Start(const std::string& command_line,
                                             const std::string& working_directory,
                                             std::string* error = nullptr);

  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  ProcessId pid() const { return pid_; }

  // The program file that was executed (absolute, or as found in PATH).
  const std::string& program_path() const { return program_path_; }

#ifndef _WIN32
  // The read end of the output pipe (non-blocking, close-on-exec); -1 once closed.
  int output_fd() const {
    return read_fd_;
  }
#endif

  enum : long { kTimedOut = -2, kReadError = -1 };
  // Waits up to timeout_ms (-1: without limit) for output, then reads at most `size` bytes.
  // Returns the number of bytes read, 0 at the end of the pipe (every writer has closed it),
  // kTimedOut when nothing came in time, kReadError on a failed read (or a closed pipe, or
  // size 0). The end of the pipe comes once the child and every process it left holding the
  // pipe have ended.
  long Read(char* buffer, std::size_t size, int timeout_ms);

  // Closes the program's end of the pipe.
  void CloseOutput();

  // Waits for the child to end and reaps it. Returns its exit code, or 128 + signal when a
  // signal ended it (platform::AbnormalEnd reads it). Calling it again returns the same value.
  int Wait();

  // Non-blocking: true once the child has ended (it is then reaped).
  bool HasExited();

  // Waits up to timeout_ms (0: not at all) for the child to end. Returns HasExited(): true once
  // it has ended and is reaped, false when it still runs at the timeout (or another thread's
  // Wait is reaping it).
  bool WaitFor(int timeout_ms);

  // Ends the child's whole process group at once (SIGKILL; on Windows its job, with the exit
  // code 0xC000013A). Returns true when it was delivered. Safe to call from any thread while
  // another reads or waits.
  bool Terminate();

  // Asks the child's process group to end (SIGTERM; on Windows the child's end-request event):
  // a child that handles it may finish its work first. Returns true when the request was
  // delivered. Any thread, like Terminate.
  bool RequestEnd();

 private:
  ChildProcess() = default;
  ProcessId pid_ = 0;
  std::string program_path_;
#ifdef _WIN32
  struct Windows;
  std::unique_ptr<Windows> win_;
#else
  int read_fd_ = -1;
  int pid_fd_ = -1;        // readable once the child has ended; -1 where the kernel has no pidfd
  std::mutex wait_mutex_;  // one reaper at a time
  bool reaped_ = false;    // guarded by the registry's lock
  int exit_code_ = -1;     // guarded by the registry's lock
#endif
};

}  // namespace vidloom::platform
