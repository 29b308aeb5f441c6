#include <windows.h>
#undef DeleteFile

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/command_line.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "unicode/utf16.h"

namespace vidloom::platform {

// The exit code a child ended by Terminate() gets: the code of an end by Ctrl-C, which no
// program returns by itself and platform::AbnormalEnd reads as an end it did not choose.
constexpr DWORD kTerminatedExitCode = 0xC000013A;

struct ChildProcess::Windows {
  HANDLE process = nullptr;
  HANDLE job = nullptr;        // nullptr when the child could not be put in a job of its own
  HANDLE end_event = nullptr;  // set by RequestEnd
  HANDLE pipe = INVALID_HANDLE_VALUE;  // the read end (overlapped)
  // The read in progress, kept across calls that time out, and what it brought.
  OVERLAPPED overlapped{};
  bool pending = false;
  bool ended = false;
  std::vector<char> chunk = std::vector<char>(64 * 1024);
  std::size_t chunk_begin = 0;
  std::size_t chunk_end = 0;
  std::once_flag exit_once;
  int exit_code = -1;
};

namespace {

// Handles made inheritable for one start are only inheritable while this is held, so that a
// child started meanwhile on another thread inherits none of them (they would keep its pipe
// open).
std::mutex& StartMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

// Children whose ChildProcess went while they still ran: their handles (and so their jobs) are
// kept until they end, so that they are not ended by the job's close, as a POSIX child is not
// killed by its object's end either. Closed by the next start once they have ended; at the
// program's end the system closes them, and the jobs end what still runs.
struct Orphan {
  HANDLE process;
  HANDLE job;
  HANDLE end_event;
};
std::mutex& OrphanMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}
std::vector<Orphan>& Orphans() {
  static auto* orphans = new std::vector<Orphan>;
  return *orphans;
}

void Close(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

void SweepOrphans() {
  std::lock_guard lock(OrphanMutex());
  auto& orphans = Orphans();
  for (auto it = orphans.begin(); it != orphans.end();) {
    if (WaitForSingleObject(it->process, 0) == WAIT_OBJECT_0) {
      Close(it->process);
      Close(it->job);
      Close(it->end_event);
      it = orphans.erase(it);
    } else {
      ++it;
    }
  }
}

bool HasSeparator(const std::string& name) {
  return std::any_of(name.begin(), name.end(), IsPathSeparator) ||
         (name.size() >= 2 && name[1] == ':');
}

std::optional<std::string> ExistingProgram(const std::string& path) {
  if (FileExists(path)) return path;
  if (LowerExtension(path).empty() && FileExists(path + ".exe")) return path + ".exe";
  return std::nullopt;
}

std::optional<std::string> ResolveProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (HasSeparator(name)) return ExistingProgram(AbsolutePath(name));
  if (auto beside = ExistingProgram(ProgramDirectory() + name)) return beside;
  const std::wstring wide = unicode::Widen(name);
  std::wstring found(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = SearchPathW(nullptr, wide.c_str(), L".exe", static_cast<DWORD>(found.size()),
                                found.data(), nullptr);
    if (n == 0) return std::nullopt;
    if (n < found.size()) {
      found.resize(n);
      return unicode::Narrow(found);
    }
    found.resize(n);
  }
}

// The handles one start needs: the pipe (our overlapped read end, the child's inheritable write
// end) and NUL for the child's input. Whatever is still open when it goes is closed.
struct StartHandles {
  HANDLE read = INVALID_HANDLE_VALUE;
  HANDLE write = INVALID_HANDLE_VALUE;
  HANDLE null_input = INVALID_HANDLE_VALUE;
  StartHandles() = default;
  StartHandles(const StartHandles&) = delete;
  StartHandles& operator=(const StartHandles&) = delete;
  ~StartHandles() {
    for (HANDLE* h : {&read, &write, &null_input}) {
      if (*h != INVALID_HANDLE_VALUE) CloseHandle(*h);
    }
  }

  // Returns why they cannot be made, or nullopt. An anonymous pipe cannot be waited on with a
  // time limit: the read end is a named pipe of this process's own, opened for overlapped
  // reads, and only this process may connect to it.
  std::optional<std::string> Open() {
    static std::atomic<unsigned long> serial{0};
    const std::wstring name = L"\\\\.\\pipe\\vidloom-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++serial);
    read = CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        64 * 1024, 0, nullptr);
    if (read == INVALID_HANDLE_VALUE) return "pipe: " + unicode::ErrorText(GetLastError());
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    write = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    if (write == INVALID_HANDLE_VALUE) return "pipe: " + unicode::ErrorText(GetLastError());
    null_input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    if (null_input == INVALID_HANDLE_VALUE) return "NUL: " + unicode::ErrorText(GetLastError());
    return std::nullopt;
  }
};

// A job that ends its processes when its last handle closes, and lets no crash of theirs wait
// for a dialog. nullptr when the system refuses.
HANDLE MakeJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

void MarkProgramRunning() {
  // Held until the process ends: the system closes the handle then.
  static const HANDLE running = CreateMutexW(nullptr, FALSE, L"Global\\Vidloom.Running");
  (void)running;
}

std::wstring EndRequestEventName(ProcessId pid) {
  return L"Local\\vidloom-end-request-" + std::to_wstring(pid);
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& command_line,
                                                  const std::string& working_directory,
                                                  std::string* error) {
  auto fail = [&](const std::string& why) -> std::unique_ptr<ChildProcess> {
    if (error) *error = why;
    return nullptr;
  };
  const auto arguments = SplitCommandLine(command_line);
  if (!arguments) return fail("the command line is empty or has an unbalanced quote");
  if (command_line.find('\0') != std::string::npos) return fail("an argument contains a NUL byte");
  const auto program = ResolveProgram(arguments->front());
  if (!program) return fail("program not found: " + arguments->front());
  if (!working_directory.empty() && !DirectoryExists(working_directory)) {
    return fail("cannot enter the directory " + working_directory + ": " +
                unicode::ErrorText(ERROR_PATH_NOT_FOUND));
  }
  SweepOrphans();

  auto win = std::make_unique<Windows>();
  win->job = MakeJob();
  PROCESS_INFORMATION info{};
  {
    std::lock_guard lock(StartMutex());
    StartHandles handles;
    if (const auto why = handles.Open()) return fail(*why);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = handles.null_input;
    startup.hStdOutput = handles.write;
    startup.hStdError = handles.write;
    const std::wstring application = unicode::WidePath(*program);
    std::wstring line = unicode::Widen(command_line);
    const std::wstring directory = unicode::WidePath(working_directory);
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
      const DWORD code = GetLastError();
      Close(win->job);
      return fail("cannot execute " + *program + ": " + unicode::ErrorText(code));
    }
    win->pipe = std::exchange(handles.read, INVALID_HANDLE_VALUE);
  }
  // Still suspended: in its job before it can start anything, and its end-request event there
  // before it can look for it.
  if (win->job != nullptr && !AssignProcessToJobObject(win->job, info.hProcess)) {
    Close(win->job);
  }
  win->end_event =
      CreateEventW(nullptr, TRUE, FALSE, EndRequestEventName(info.dwProcessId).c_str());
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  win->process = info.hProcess;
  win->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  std::unique_ptr<ChildProcess> child(new ChildProcess);
  child->pid_ = info.dwProcessId;
  child->program_path_ = *program;
  child->win_ = std::move(win);
  return child;
}

ChildProcess::~ChildProcess() {
  CloseOutput();
  Windows& w = *win_;
  Close(w.overlapped.hEvent);
  if (WaitForSingleObject(w.process, 0) == WAIT_OBJECT_0) {
    Close(w.process);
    Close(w.job);
    Close(w.end_event);
    return;
  }
  std::lock_guard lock(OrphanMutex());
  Orphans().push_back({w.process, w.job, w.end_event});
}

long ChildProcess::Read(char* buffer, std::size_t size, int timeout_ms) {
  Windows& w = *win_;
  if (w.pipe == INVALID_HANDLE_VALUE || size == 0) return kReadError;
  if (w.chunk_begin == w.chunk_end) {
    if (w.ended) return 0;
    if (!w.pending) {
      ResetEvent(w.overlapped.hEvent);
      if (!ReadFile(w.pipe, w.chunk.data(), static_cast<DWORD>(w.chunk.size()), nullptr,
                    &w.overlapped)) {
        const DWORD code = GetLastError();
        if (code == ERROR_BROKEN_PIPE) {
          w.ended = true;
          return 0;
        }
        if (code != ERROR_IO_PENDING) return kReadError;
      }
      w.pending = true;
    }
    const DWORD wait = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
    if (WaitForSingleObject(w.overlapped.hEvent, wait) != WAIT_OBJECT_0) return kTimedOut;
    DWORD got = 0;
    const BOOL ok = GetOverlappedResult(w.pipe, &w.overlapped, &got, FALSE);
    w.pending = false;
    if (!ok) {
      if (GetLastError() == ERROR_BROKEN_PIPE) {
        w.ended = true;
        return 0;
      }
      return kReadError;
    }
    w.chunk_begin = 0;
    w.chunk_end = got;
    if (got == 0) return kTimedOut;  // a write of no bytes: nothing to hand on yet
  }
  const std::size_t n = std::min(size, w.chunk_end - w.chunk_begin);
  std::copy_n(w.chunk.data() + w.chunk_begin, n, buffer);
  w.chunk_begin += n;
  return static_cast<long>(n);
}

void ChildProcess::CloseOutput() {
  Windows& w = *win_;
  if (w.pipe == INVALID_HANDLE_VALUE) return;
  if (w.pending) {
    // The read must be over before its buffer and its OVERLAPPED may go.
    CancelIoEx(w.pipe, &w.overlapped);
    DWORD got = 0;
    GetOverlappedResult(w.pipe, &w.overlapped, &got, TRUE);
    w.pending = false;
  }
  CloseHandle(w.pipe);
  w.pipe = INVALID_HANDLE_VALUE;
}

int ChildProcess::Wait() {
  Windows& w = *win_;
  std::call_once(w.exit_once, [&w] {
    WaitForSingleObject(w.process, INFINITE);
    DWORD code = 0;
    w.exit_code = GetExitCodeProcess(w.process, &code) ? static_cast<int>(code) : -1;
  });
  return w.exit_code;
}

bool ChildProcess::HasExited() {
  return WaitForSingleObject(win_->process, 0) == WAIT_OBJECT_0;
}

bool ChildProcess::WaitFor(int timeout_ms) {
  return WaitForSingleObject(win_->process, static_cast<DWORD>(std::max(timeout_ms, 0))) ==
         WAIT_OBJECT_0;
}

bool ChildProcess::Terminate() {
  Windows& w = *win_;
  if (HasExited()) return false;
  if (w.job != nullptr) return TerminateJobObject(w.job, kTerminatedExitCode) != 0;
  return TerminateProcess(w.process, kTerminatedExitCode) != 0;
}

bool ChildProcess::RequestEnd() {
  Windows& w = *win_;
  if (HasExited() || w.end_event == nullptr) return false;
  return SetEvent(w.end_event) != 0;
}

}  // namespace vidloom::platform
