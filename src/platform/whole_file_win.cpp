#include <windows.h>
#undef DeleteFile

#include <algorithm>
#include <string>

#include "platform/filesystem.h"
#include "platform/whole_file.h"
#include "unicode/utf16.h"

namespace vidloom::platform {
namespace {

std::string ErrorText(const char* what, const std::string& path, DWORD code) {
  return std::string(what) + " " + path + ": " + unicode::ErrorText(code);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, bool* missing, std::string* error,
                                         std::size_t max_bytes) {
  if (missing) *missing = false;
  const std::wstring wide = unicode::WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      if (missing) *missing = true;
      return std::string();
    }
    if (error) *error = ErrorText("cannot open", path, code);
    return std::nullopt;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (error) *error = path + " is not a regular file";
    return std::nullopt;
  }
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) *error = ErrorText("cannot open", path, GetLastError());
    return std::nullopt;
  }
  std::string text;
  std::optional<std::string> result;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    if (error) *error = path + " is not a regular file";
  } else {
    char buffer[64 * 1024];
    for (;;) {
      DWORD n = 0;
      if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
        if (error) *error = ErrorText("cannot read", path, GetLastError());
        break;
      }
      if (n == 0) {
        result = std::move(text);
        break;
      }
      if (text.size() + n > max_bytes) {
        if (error) *error = path + " is too large";
        break;
      }
      text.append(buffer, n);
    }
  }
  CloseHandle(file);
  return result;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string* error) {
  const std::string directory = ParentDirectory(path);
  const std::string base(FileNamePart(path));
  const std::string temp = (directory.empty() ? std::string() : directory + kPathSeparator) + "." +
                           base + "." + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64()) + ".tmp";
  const std::wstring wide_temp = unicode::WidePath(temp);
  const HANDLE file = CreateFileW(wide_temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) *error = ErrorText("cannot create a temporary file for", path, GetLastError());
    return false;
  }
  auto fail = [&](const char* what, DWORD code, bool open) {
    if (error) *error = ErrorText(what, path, code);
    if (open) CloseHandle(file);
    DeleteFileW(wide_temp.c_str());
    return false;
  };
  std::size_t written = 0;
  while (written < text.size()) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(text.size() - written, 1u << 20));
    if (!WriteFile(file, text.data() + written, want, &n, nullptr)) {
      return fail("cannot write", GetLastError(), true);
    }
    written += n;
  }
  if (!FlushFileBuffers(file)) return fail("cannot flush", GetLastError(), true);
  if (!CloseHandle(file)) return fail("cannot close", GetLastError(), false);
  if (!MoveFileExW(wide_temp.c_str(), unicode::WidePath(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return fail("cannot replace", GetLastError(), false);
  }
  return true;
}

}  // namespace vidloom::platform
