#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/command_line.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace vidloom::platform {

void MarkProgramRunning() {}

namespace {

// Every child started through ChildProcess that has not been reaped yet. A pid stays here until
// it is reaped under this lock, so a signal sent under the lock never reaches a reused pid, and
// a child that outlives its object is still reaped.
struct Registry {
  struct Entry {
    bool orphaned = false;  // its ChildProcess is gone; reaped by the next sweep
  };
  std::mutex mutex;
  std::map<pid_t, Entry> children;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: children may outlive statics
  return *registry;
}

// Reaps the orphaned children that have ended. Caller holds the registry lock.
void SweepOrphansLocked(Registry& registry) {
  for (auto it = registry.children.begin(); it != registry.children.end();) {
    if (it->second.orphaned) {
      int status = 0;
      const pid_t r = waitpid(it->first, &status, WNOHANG);
      if (r == it->first || (r < 0 && errno == ECHILD)) {
        it = registry.children.erase(it);
        continue;
      }
    }
    ++it;
  }
}

// A signal to the child's process group, or to the child alone if the group is gone.
bool SignalGroup(pid_t pid, int signal) {
  return kill(-pid, signal) == 0 || kill(pid, signal) == 0;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> ResolveProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (name.front() == '/') return name;
    // The child changes its directory before exec: anchor a relative path here first.
    std::string cwd(4096, '\0');
    if (!getcwd(cwd.data(), cwd.size())) return std::nullopt;
    cwd.resize(std::strlen(cwd.c_str()));
    return cwd + "/" + name;
  }
  const std::string beside = ProgramDirectory() + name;
  if (IsExecutableFile(beside)) return beside;
  const char* path_env = std::getenv("PATH");
  const std::string path = path_env ? path_env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = path.find(':', begin);
    if (end == std::string::npos) end = path.size();
    const std::string dir = path.substr(begin, end - begin);
    if (!dir.empty()) {
      const std::string candidate = dir + "/" + name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    begin = end + 1;
  }
  return std::nullopt;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// What the child reports through the error pipe when it cannot reach exec.
enum ChildStage : int { kStageSetup = 1, kStageDirectory = 2, kStageExec = 3 };
struct ChildFailure {
  int stage;
  int error;
};

// In the forked child: only async-signal-safe calls from here to exec.
[[noreturn]] void ChildFail(int report_fd, int stage) {
  const ChildFailure failure{stage, errno};
  ssize_t ignored = write(report_fd, &failure, sizeof failure);
  (void)ignored;
  _exit(127);
}

// Moves fd above the standard descriptors so that the dup2 calls cannot overwrite it.
int AboveStandard(int fd, int report_fd) {
  if (fd > 2) return fd;
  const int moved = fcntl(fd, F_DUPFD, 3);
  if (moved < 0) ChildFail(report_fd, kStageSetup);
  return moved;
}

[[noreturn]] void RunChild(pid_t parent, int null_fd, int out_fd, int report_fd,
                           const char* directory, const char* program, char* const* argv) {
  report_fd = AboveStandard(report_fd, report_fd);
  null_fd = AboveStandard(null_fd, report_fd);
  out_fd = AboveStandard(out_fd, report_fd);
  setpgid(0, 0);
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) ChildFail(report_fd, kStageSetup);
  if (getppid() != parent) _exit(127);  // the parent died before the death signal was set
  if (dup2(null_fd, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(out_fd, 2) < 0) {
    ChildFail(report_fd, kStageSetup);
  }
  if (chdir(directory) != 0) ChildFail(report_fd, kStageDirectory);
  // Close every other descriptor, keeping the close-on-exec error pipe until exec.
  if (report_fd > 3) close_range(3, report_fd - 1, 0);
  close_range(report_fd + 1, ~0U, 0);
  // The parent's ignored signals and blocked mask would otherwise carry over exec.
  struct sigaction dfl;
  std::memset(&dfl, 0, sizeof dfl);
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig != SIGKILL && sig != SIGSTOP) sigaction(sig, &dfl, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execv(program, argv);
  ChildFail(report_fd, kStageExec);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The descriptors a start needs: the output pipe, the error-report pipe and /dev/null for stdin.
// Whatever is still open when it goes is closed.
struct StartFds {
  int out[2] = {-1, -1};
  int report[2] = {-1, -1};
  int null_fd = -1;

  StartFds() = default;
  StartFds(const StartFds&) = delete;
  StartFds& operator=(const StartFds&) = delete;
  ~StartFds() {
    for (int* fd : {&out[0], &out[1], &report[0], &report[1], &null_fd}) CloseFd(*fd);
  }

  // Returns why they cannot be opened, or nullopt.
  std::optional<std::string> Open() {
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0) {
      return std::string("pipe: ") + std::strerror(errno);
    }
    null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null_fd < 0) return std::string("/dev/null: ") + std::strerror(errno);
    return std::nullopt;
  }
};

// Forks the child, which execs `program`, and registers it, under the registry's lock so that
// it is known from its first moment. Signals are blocked across fork so that no
// handler of this program runs in the child. Returns the pid, or -1 with errno set.
pid_t ForkRegistered(StartFds& fds, const std::string& working_directory,
                     const std::string& program, std::vector<char*>& argv) {
  const pid_t parent = getpid();
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  SweepOrphansLocked(registry);
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t pid = fork();
  if (pid == 0) {
    RunChild(parent, fds.null_fd, fds.out[1], fds.report[1], working_directory.c_str(),
             program.c_str(), argv.data());
  }
  const int fork_errno = errno;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (pid > 0) {
    setpgid(pid, pid);  // also here, so the group exists before any Terminate
    registry.children[pid] = {false};
  }
  errno = fork_errno;
  return pid;
}

// Waits for the child to reach exec: the report pipe closes then. When the child reports a
// failure instead, it is reaped and the reason returned.
std::optional<std::string> ChildStartFailure(int report_fd, pid_t pid, const std::string& program,
                                             const std::string& working_directory) {
  ChildFailure failure{};
  ssize_t got;
  do {
    got = read(report_fd, &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof failure)) return std::nullopt;
  {
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    registry.children.erase(pid);
  }
  const std::string reason = std::strerror(failure.error);
  switch (failure.stage) {
    case kStageDirectory:
      return "cannot enter the directory " + working_directory + ": " + reason;
    case kStageExec:
      return "cannot execute " + program + ": " + reason;
    default:
      return "cannot prepare the child process: " + reason;
  }
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& command_line,
                                                  const std::string& working_directory,
                                                  std::string* error) {
  auto fail = [&](const std::string& why) -> std::unique_ptr<ChildProcess> {
    if (error) *error = why;
    return nullptr;
  };
  auto arguments = SplitCommandLine(command_line);
  if (!arguments) return fail("the command line is empty or has an unbalanced quote");
  for (const auto& argument : *arguments) {
    if (argument.find('\0') != std::string::npos) {
      return fail("an argument contains a NUL byte");
    }
  }
  const auto program = ResolveProgram(arguments->front());
  if (!program) return fail("program not found: " + arguments->front());
  std::vector<char*> argv;
  for (auto& argument : *arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  StartFds fds;
  if (const auto why = fds.Open()) return fail(*why);
  const pid_t pid = ForkRegistered(fds, working_directory, *program, argv);
  if (pid < 0) return fail(std::string("fork: ") + std::strerror(errno));
  // Only the child writes into these now: their ends close in it at exec.
  CloseFd(fds.out[1]);
  CloseFd(fds.report[1]);
  if (const auto why = ChildStartFailure(fds.report[0], pid, *program, working_directory)) {
    return fail(*why);
  }

  fcntl(fds.out[0], F_SETFL, fcntl(fds.out[0], F_GETFL) | O_NONBLOCK);
  std::unique_ptr<ChildProcess> child(new ChildProcess);
  child->pid_ = pid;
  child->read_fd_ = std::exchange(fds.out[0], -1);
  // The child is not reaped before this object exists, so the pid is still the child's.
  child->pid_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  child->program_path_ = *program;
  return child;
}

ChildProcess::~ChildProcess() {
  CloseOutput();
  HasExited();
  CloseFd(pid_fd_);
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  if (!reaped_) {
    auto it = registry.children.find(pid_);
    if (it != registry.children.end()) it->second.orphaned = true;
  }
}

long ChildProcess::Read(char* buffer, std::size_t size, int timeout_ms) {
  if (read_fd_ < 0 || size == 0) return kReadError;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  for (;;) {
    int wait = -1;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<long long>(left, 0));
    }
    pollfd p{read_fd_, POLLIN, 0};
    const int ready = poll(&p, 1, wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return kReadError;
    }
    if (ready == 0) return kTimedOut;
    const ssize_t n = read(read_fd_, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (wait == 0) return kTimedOut;
      continue;
    }
    return kReadError;
  }
}

void ChildProcess::CloseOutput() {
  CloseFd(read_fd_);
}

int ChildProcess::Wait() {
  std::lock_guard waiting(wait_mutex_);
  auto& registry = TheRegistry();
  {
    std::lock_guard lock(registry.mutex);
    if (reaped_) return exit_code_;
  }
  // Wait without reaping, so that the pid stays ours while Terminate may still signal it.
  siginfo_t info;
  while (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  std::lock_guard lock(registry.mutex);
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, 0);
  } while (r < 0 && errno == EINTR);
  exit_code_ = r == pid_ ? DecodeStatus(status) : -1;
  reaped_ = true;
  registry.children.erase(pid_);
  return exit_code_;
}

bool ChildProcess::HasExited() {
  auto& registry = TheRegistry();
  std::unique_lock waiting(wait_mutex_, std::try_to_lock);
  std::lock_guard lock(registry.mutex);
  if (reaped_ || !waiting.owns_lock()) return reaped_;  // a Wait elsewhere will reap it
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  exit_code_ = r == pid_ ? DecodeStatus(status) : -1;
  reaped_ = true;
  registry.children.erase(pid_);
  return true;
}

bool ChildProcess::WaitFor(int timeout_ms) {
  if (HasExited()) return true;
  if (timeout_ms <= 0) return false;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return HasExited();
    if (pid_fd_ >= 0) {
      pollfd p{pid_fd_, POLLIN, 0};
      const int ready = poll(&p, 1, static_cast<int>(left));
      if (ready > 0 || (ready < 0 && errno != EINTR)) return HasExited();
    } else {
      // Without a pidfd: look again every few milliseconds.
      struct timespec pause {
        0, std::min<long long>(left, 5) * 1'000'000
      };
      nanosleep(&pause, nullptr);
    }
    if (HasExited()) return true;
  }
}

bool ChildProcess::Terminate() {
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  if (reaped_) return false;
  return SignalGroup(pid_, SIGKILL);
}

bool ChildProcess::RequestEnd() {
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  if (reaped_) return false;
  return SignalGroup(pid_, SIGTERM);
}

}  // namespace vidloom::platform
