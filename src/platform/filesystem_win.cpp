#include <windows.h>
#undef DeleteFile

#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "unicode/utf16.h"

namespace vidloom::platform {
namespace {

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  if (path.empty()) return false;
  return GetFileAttributesExW(unicode::WidePath(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

bool IsDirectory(const WIN32_FILE_ATTRIBUTE_DATA& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The file or directory at `path`, opened for its attributes only; INVALID_HANDLE_VALUE when
// there is none.
HANDLE OpenForInformation(const std::string& path) {
  return CreateFileW(unicode::WidePath(path).c_str(), 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

bool FileExists(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data) && !IsDirectory(data);
}

bool PathExists(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data);
}

bool DirectoryExists(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data) && IsDirectory(data);
}

bool CreateDirectoryLevel(const std::string& path) {
  return !path.empty() && CreateDirectoryW(unicode::WidePath(path).c_str(), nullptr) != 0;
}

bool CouldCreateDirectoryLevel(const std::string& path) {
  if (path.empty() || PathExists(path)) return false;
  std::string parent = path;
  while (parent.size() > 1 && IsPathSeparator(parent.back())) parent.pop_back();
  parent = ParentDirectory(parent);
  if (parent.empty()) parent = ".";
  if (parent.size() == 2 && parent[1] == ':') parent += kPathSeparator;  // "C:" is a drive's root
  return DirectoryExists(parent) && DirectoryWritable(parent);
}

bool DeleteFile(const std::string& path) {
  return !path.empty() && DeleteFileW(unicode::WidePath(path).c_str()) != 0;
}

bool DirectoryWritable(const std::string& path) {
  if (!DirectoryExists(path)) return false;
  std::string probe = path;
  if (!IsPathSeparator(probe.back())) probe += kPathSeparator;
  probe += "vidloom-write-test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64()) + ".tmp";
  const HANDLE file =
      CreateFileW(unicode::WidePath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data) || IsDirectory(data)) return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsEmptyFile(const std::string& path) {
  const HANDLE file = OpenForInformation(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool empty = GetFileType(file) == FILE_TYPE_DISK &&
                     GetFileInformationByHandle(file, &info) != 0 &&
                     (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                     info.nFileSizeHigh == 0 && info.nFileSizeLow == 0;
  CloseHandle(file);
  return empty;
}

std::string PathKey(const std::string& path) {
  std::wstring wide = unicode::Widen(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return unicode::Narrow(wide);
}

bool SameFile(const std::string& a, const std::string& b) {
  auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = OpenForInformation(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!identity(a, ia) || !identity(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

const std::string& ProgramDirectory() {
  static const std::string directory = [] {
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
      if (n == 0) return std::string(".\\");
      if (n < module.size()) {
        module.resize(n);
        break;
      }
      module.resize(module.size() * 2);
    }
    if (module.starts_with(L"\\\\?\\UNC\\")) {
      module = L"\\\\" + module.substr(8);
    } else if (module.starts_with(L"\\\\?\\")) {
      module = module.substr(4);
    }
    const std::string path = unicode::Narrow(module);
    const std::string parent = ParentDirectory(path);
    return parent.empty() ? std::string(".\\") : parent + kPathSeparator;
  }();
  return directory;
}

std::optional<std::string> MakeTemporaryDirectory(const std::string& prefix) {
  wchar_t base[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) return std::nullopt;
  const std::string folder = unicode::Narrow(std::wstring_view(base, n));
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string path = folder + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount64()) + "-" + std::to_string(attempt);
    if (CreateDirectoryW(unicode::WidePath(path).c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> Environment(const char* name) {
  const std::wstring wide_name = unicode::Widen(name);
  DWORD n = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (n == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(wide_name.c_str(), value.data(), n);
  value.resize(n);
  return unicode::Narrow(value);
}

std::string HomeDirectory() {
  return Environment("USERPROFILE").value_or("");
}

}  // namespace vidloom::platform
