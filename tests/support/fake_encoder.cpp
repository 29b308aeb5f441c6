// A scripted stand-in for the encoder, for process and pipeline tests. It runs the script named
// by $FAKE_ENCODER_SCRIPT, or "fake_script.txt" in its working directory, one command a line:
//
//   print TEXT      write TEXT and a line feed to stdout      (TEXT takes C escapes:
//   write TEXT      write TEXT to stdout                        \r \n \t \0 \\ \xNN)
//   eprint TEXT     write TEXT and a line feed to stderr
//   sleep MS        pause MS milliseconds
//   output BYTES    create the output file (the last argument) with BYTES bytes
//   empty-output    create the output file empty
//   no-output       leave the output file alone (the default)
//   hang            sleep until killed
//   ignore-term MS  ignore SIGTERM while pausing MS milliseconds
//   catch-term      from now on SIGTERM only sets a flag (an encoder that finishes on a stop
//                   request)
//   await-term      wait until that flag is set, then go on with the script
//   crash           abort() (on Windows: the exit code 0xC0000409 of a fail-fast abort)
//   exit CODE       end with CODE
//   args FILE       write every argv element to FILE, each followed by a NUL byte
//   flood BYTES     write BYTES bytes of progress records ending in CR, as fast as possible
//   pidfile FILE    write the own pid to FILE
//   describe FILE   write "cwd=", "stdin=", "pid=", "pgid=", "ppid=" and "fds=" lines to FILE
//   await FILE      wait until FILE exists; exit with 97 when it has not appeared within 10 s
//
// With $FAKE_ENCODER_SEQUENCE set, each start runs its own script of a numbered sequence (see
// SequenceScript). Blank lines and lines starting with '#' are skipped. An unknown command exits
// with 99, a missing script with 98. Output is written unbuffered so that its timing is exact.
//
// On Windows a stop request is the end-request event the parent made for this process (see
// platform/process.h), not SIGTERM: a watcher thread ends the fake with 0xC000013A when it is
// set, as SIGTERM's default action ends it on POSIX, unless catch-term or ignore-term say
// otherwise. "describe" writes the lines Windows has (cwd, stdin, pid).
#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "unicode/utf16.h"
#endif

namespace {

#ifdef _WIN32
// What a set end-request event does: end the fake (the default), set g_term_requested
// (catch-term), or nothing but being consumed (ignore-term).
enum class TermMode { kEnd, kCatch, kIgnore };
std::atomic<TermMode> g_term_mode{TermMode::kEnd};
std::atomic<int> g_term_requested{0};
constexpr UINT kEndedByRequest = 0xC000013A;

std::wstring WidenAscii(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

void WatchEndRequests() {
  const std::wstring name = L"Local\\vidloom-end-request-" + std::to_wstring(GetCurrentProcessId());
  HANDLE event = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name.c_str());
  if (event == nullptr) return;  // started by something else than ChildProcess
  std::thread([event] {
    while (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) {
      ResetEvent(event);
      switch (g_term_mode.load()) {
        case TermMode::kEnd:
          ExitProcess(kEndedByRequest);
        case TermMode::kCatch:
          g_term_requested = 1;
          break;
        case TermMode::kIgnore:
          break;
      }
    }
  }).detach();
}

void WriteAll(int fd, const std::string& data) {
  HANDLE handle = GetStdHandle(fd == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD n = 0;
    if (!WriteFile(handle, data.data() + done, static_cast<DWORD>(data.size() - done), &n,
                   nullptr)) {
      ExitProcess(97);  // the pipe is gone
    }
    done += n;
  }
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(WidenAscii(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
#else
volatile sig_atomic_t g_term_requested = 0;

bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

void WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      _exit(97);  // the pipe is gone
    }
    done += static_cast<std::size_t>(n);
  }
}
#endif

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char c = text[++i];
    switch (c) {
      case 'r':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '0':
        out.push_back('\0');
        break;
      case '\\':
        out.push_back('\\');
        break;
      case 'x':
        if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
          out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
          i += 2;
          break;
        }
        [[fallthrough]];
      default:
        out.push_back('\\');
        out.push_back(c);
    }
  }
  return out;
}

// A UTF-8 path for the standard streams (a narrow string is the system's code page on Windows).
std::filesystem::path Utf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

void SleepMs(long long ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool WriteFileBytes(const std::string& path, const std::string& data) {
  std::ofstream file(Utf8(path), std::ios::binary | std::ios::trunc);
  file.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(file);
}

#ifdef _WIN32
std::string Describe() {
  std::string text;
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  text += "cwd=" + vidloom::unicode::Narrow(cwd) + "\n";
  const DWORD type = GetFileType(GetStdHandle(STD_INPUT_HANDLE));
  text += std::string("stdin=") +
          (type == FILE_TYPE_CHAR   ? "char"
           : type == FILE_TYPE_DISK ? "disk"
           : type == FILE_TYPE_PIPE ? "pipe"
                                    : "?") +
          "\n";
  text += "pid=" + std::to_string(GetCurrentProcessId()) + "\n";
  return text;
}
#else
std::string Describe() {
  std::string text;
  char cwd[4096] = {};
  text += std::string("cwd=") + (getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
  char target[4096] = {};
  const ssize_t n = readlink("/proc/self/fd/0", target, sizeof target - 1);
  text += std::string("stdin=") + (n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?") +
          "\n";
  text += "pid=" + std::to_string(getpid()) + "\n";
  text += "pgid=" + std::to_string(getpgrp()) + "\n";
  text += "ppid=" + std::to_string(getppid()) + "\n";
  std::vector<int> fds;
  if (DIR* dir = opendir("/proc/self/fd")) {
    const int own = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      const int fd = std::atoi(entry->d_name);
      if (fd != own) fds.push_back(fd);
    }
    closedir(dir);
  }
  std::sort(fds.begin(), fds.end());
  text += "fds=";
  for (std::size_t i = 0; i < fds.size(); ++i) text += (i ? "," : "") + std::to_string(fds[i]);
  text += "\n";
  return text;
}
#endif

std::string Flood(long long bytes) {
  std::string data;
  for (long long frame = 1; static_cast<long long>(data.size()) < bytes; ++frame) {
    data += "frame=" + std::to_string(frame) + " q=2.0 size=" + std::to_string(frame * 3) +
            "kB time=" + std::to_string(frame / 25) + ".00 bitrate=512.0kbits/s\r";
  }
  data.resize(static_cast<std::size_t>(bytes));
  return data;
}

}  // namespace

// The script key of a start: the last argument's file name (a probe's input, a conversion's
// output), "prefixed-" before it when an argument carries the alternate-input prefix.
std::string InputKey(int argc, char** argv) {
  if (argc < 2) return "";
  std::string input = argv[argc - 1];
  bool prefixed = false;
  for (int i = 1; i < argc; ++i)
    prefixed = prefixed || std::string(argv[i]).rfind("DS:\\\\", 0) == 0;
  const auto slash = input.find_last_of("/\\");
  if (slash != std::string::npos) input = input.substr(slash + 1);
  return (prefixed ? "prefixed-" : "") + input;
}

// With $FAKE_ENCODER_SEQUENCE naming a directory, every start takes the next run number N from
// DIR/counter (under a lock), records its arguments in DIR/args-N (each followed by a NUL byte)
// and runs DIR/run-N.txt, else DIR/for-KEY.txt (KEY from InputKey: for starts running at once,
// whose order is not fixed), else DIR/default.txt. Returns the script's path.
std::string SequenceScript(const std::string& dir, int argc, char** argv) {
  const std::string counter = dir + "/counter";
#ifdef _WIN32
  // One start at a time takes a number: a named mutex stands for the POSIX flock.
  HANDLE lock = CreateMutexW(nullptr, FALSE, L"Local\\vidloom-fake-encoder-sequence");
  WaitForSingleObject(lock, INFINITE);
  int run = 0;
  {
    std::ifstream in(counter);
    in >> run;
  }
  std::ofstream(counter, std::ios::trunc) << run + 1;
  ReleaseMutex(lock);
  CloseHandle(lock);
#else
  const int fd = open(counter.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return dir + "/default.txt";
  flock(fd, LOCK_EX);
  char buffer[32] = {};
  const ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
  const int run = n > 0 ? std::atoi(buffer) : 0;
  const std::string next = std::to_string(run + 1);
  if (ftruncate(fd, 0) == 0 && pwrite(fd, next.data(), next.size(), 0) < 0) _exit(96);
  flock(fd, LOCK_UN);
  close(fd);
#endif

  std::string args;
  for (int i = 0; i < argc; ++i) args.append(argv[i], std::char_traits<char>::length(argv[i]) + 1);
  std::ofstream(dir + "/args-" + std::to_string(run), std::ios::binary) << args;

  const std::string own = dir + "/run-" + std::to_string(run) + ".txt";
  if (Exists(own)) return own;
  const std::string by_input = dir + "/for-" + InputKey(argc, argv) + ".txt";
  return Exists(by_input) ? by_input : dir + "/default.txt";
}

int main(int argc, char** argv) {
#ifdef _WIN32
  WatchEndRequests();
  // The arguments as UTF-8, from the wide command line (a narrow argv is in the system's code
  // page); the program's own name as it came.
  std::vector<std::string> utf8 = vidloom::unicode::CommandLineArguments();
  utf8.insert(utf8.begin(), argv[0]);
  std::vector<char*> utf8_argv;
  for (std::string& argument : utf8) utf8_argv.push_back(argument.data());
  utf8_argv.push_back(nullptr);
  argc = static_cast<int>(utf8.size());
  argv = utf8_argv.data();
#endif
  const char* script_env = std::getenv("FAKE_ENCODER_SCRIPT");
  const char* sequence_env = std::getenv("FAKE_ENCODER_SEQUENCE");
  const std::string script_path = sequence_env ? SequenceScript(sequence_env, argc, argv)
                                  : script_env ? script_env
                                               : "fake_script.txt";
  std::istringstream script;
  {
    // Read whole and closed at once, so that no descriptor of the fake's own shows.
    std::ifstream file(Utf8(script_path), std::ios::binary);
    if (!file) {
      WriteAll(2, "fake encoder: no script\n");
      return 98;
    }
    std::ostringstream text;
    text << file.rdbuf();
    script.str(text.str());
  }
  const std::string output_path = argc > 1 ? argv[argc - 1] : "";
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto blank = line.find(' ');
    const std::string command = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    const long long number = std::atoll(value.c_str());
    if (command == "print") {
      WriteAll(1, Unescape(value) + "\n");
    } else if (command == "write") {
      WriteAll(1, Unescape(value));
    } else if (command == "eprint") {
      WriteAll(2, Unescape(value) + "\n");
    } else if (command == "sleep") {
      SleepMs(number);
    } else if (command == "output") {
      if (!WriteFileBytes(output_path, std::string(static_cast<std::size_t>(number), 'v')))
        return 96;
    } else if (command == "empty-output") {
      if (!WriteFileBytes(output_path, "")) return 96;
    } else if (command == "no-output") {
#ifdef _WIN32
    } else if (command == "hang") {
      for (;;) Sleep(INFINITE);
    } else if (command == "catch-term") {
      g_term_mode = TermMode::kCatch;
    } else if (command == "await-term") {
      while (!g_term_requested) SleepMs(1);
    } else if (command == "ignore-term") {
      g_term_mode = TermMode::kIgnore;
      SleepMs(number);
      g_term_mode = TermMode::kEnd;
    } else if (command == "pidfile") {
      if (!WriteFileBytes(value, std::to_string(GetCurrentProcessId()) + "\n")) return 96;
#else
    } else if (command == "hang") {
      for (;;) pause();
    } else if (command == "catch-term") {
      struct sigaction action {};
      action.sa_handler = [](int) { g_term_requested = 1; };
      sigemptyset(&action.sa_mask);
      sigaction(SIGTERM, &action, nullptr);
    } else if (command == "await-term") {
      while (!g_term_requested) SleepMs(1);
    } else if (command == "ignore-term") {
      signal(SIGTERM, SIG_IGN);
      SleepMs(number);
      signal(SIGTERM, SIG_DFL);
    } else if (command == "pidfile") {
      if (!WriteFileBytes(value, std::to_string(getpid()) + "\n")) return 96;
#endif
    } else if (command == "crash") {
#ifdef _WIN32
      // What a fail-fast abort leaves; a real fault would wake Wine's debugger.
      TerminateProcess(GetCurrentProcess(), 0xC0000409);
#endif
      std::abort();
    } else if (command == "exit") {
      return static_cast<int>(number);
    } else if (command == "args") {
      std::string data;
      for (int i = 0; i < argc; ++i)
        data.append(argv[i], std::char_traits<char>::length(argv[i]) + 1);
      if (!WriteFileBytes(value, data)) return 96;
    } else if (command == "flood") {
      WriteAll(1, Flood(number));
    } else if (command == "await") {
      int waited_ms = 0;
      for (; !Exists(value); waited_ms += 5) {
        if (waited_ms >= 10'000) return 97;
        SleepMs(5);
      }
    } else if (command == "describe") {
      if (!WriteFileBytes(value, Describe())) return 96;
    } else {
      WriteAll(2, "fake encoder: unknown command: " + line + "\n");
      return 99;
    }
  }
  return 0;
}
