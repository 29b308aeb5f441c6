#include <windows.h>

#include <algorithm>
#include <thread>

#include "system.h"
#include "transcoder.h"
#include "unicode/utf16.h"

namespace raziz2u::system {
namespace {

// The numbers g_stop_signal gets, as the POSIX signals of the same meaning would give it.
constexpr int kInterrupt = 2;   // Ctrl-C, Ctrl-Break
constexpr int kHangUp = 1;      // the console closes, the user logs off, the system shuts down
constexpr int kTerminate = 15;  // the program that started this one asks it to end

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      g_stop_signal.store(kInterrupt);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this returns: the conversion gets the few seconds the system
      // allows to finish its output.
      g_stop_signal.store(kHangUp);
      Sleep(4000);
      return TRUE;
    default:
      return FALSE;
  }
}

HANDLE Handle(Stream stream) {
  return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

class WindowsPatchFile : public PatchFile {
 public:
  explicit WindowsPatchFile(HANDLE file) : file_(file) {}
  ~WindowsPatchFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size;
    return GetFileSizeEx(file_, &size) && size.QuadPart > 0
               ? static_cast<std::uint64_t>(size.QuadPart)
               : 0;
  }

  bool ReadAt(std::string& out, std::uint64_t offset, std::uint64_t size) override {
    out.resize(size);
    std::uint64_t done = 0;
    while (done < size) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(size - done, 1u << 30));
      if (!ReadFile(file_, out.data() + done, want, &n, &at) || n == 0) return false;
      done += n;
    }
    return true;
  }

  bool WriteAt(const std::string& data, std::uint64_t offset) override {
    std::uint64_t done = 0;
    while (done < data.size()) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(data.size() - done, 1u << 30));
      if (!WriteFile(file_, data.data() + done, want, &n, &at) || n == 0) return false;
      done += n;
    }
    return true;
  }

  bool Close() override {
    const HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    return CloseHandle(file) != 0;
  }

 private:
  // A synchronous handle reads and writes at the offset an OVERLAPPED names.
  static OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
  }
  HANDLE file_;
};

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return GetFileAttributesExW(vidloom::unicode::WidePath(path).c_str(), GetFileExInfoStandard,
                              &data) != 0;
}

}  // namespace

std::vector<std::string> Arguments(int, char**) {
  return vidloom::unicode::CommandLineArguments();
}

void InstallStopRequests() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  const std::wstring name = L"Local\\vidloom-end-request-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
  if (event == nullptr) return;  // started by another program: its stop is Ctrl-C or Ctrl-Break
  std::thread([event] {
    if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) g_stop_signal.store(kTerminate);
  }).detach();
}

void Write(Stream stream, const std::string& text) {
  const HANDLE handle = Handle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // A console shows UTF-16 whole, whatever its code page.
    const std::wstring wide = vidloom::unicode::Widen(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    DWORD n = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(left), &n, nullptr) || n == 0) return;
    data += n;
    left -= n;
  }
}

std::string Environment(const char* name) {
  const std::wstring wide_name = vidloom::unicode::Widen(name);
  const DWORD n = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  value.resize(GetEnvironmentVariableW(wide_name.c_str(), value.data(), n));
  return vidloom::unicode::Narrow(value);
}

PathKind KindOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data)) return PathKind::kNothing;
  return data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::kDirectory : PathKind::kFile;
}

bool SameFile(const std::string& a, const std::string& b) {
  auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = CreateFileW(vidloom::unicode::WidePath(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return identity(a, ia) && identity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool RemoveFile(const std::string& path) {
  return DeleteFileW(vidloom::unicode::WidePath(path).c_str()) != 0;
}

std::unique_ptr<PatchFile> OpenForPatching(const std::string& path, std::string* why) {
  const HANDLE file =
      CreateFileW(vidloom::unicode::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (why != nullptr) *why = LastError();
    return nullptr;
  }
  return std::make_unique<WindowsPatchFile>(file);
}

std::string LastError() {
  return vidloom::unicode::ErrorText(GetLastError());
}

}  // namespace raziz2u::system
