#include <windows.h>

#include <cstdio>

extern "C" {
#include <libavutil/error.h>
}

#include "media/regular_file.h"
#include "unicode/utf16.h"

namespace vidloom::media {
namespace {

std::string NotRegular(const std::string& kind) {
  return "the input is " + kind + ", not a regular file";
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != Upper(prefix[i])) return false;
  }
  return true;
}

// What the path names before anything is opened: a device by its namespace ("\\.\pipe\x",
// "\\.\PhysicalDrive0") or by one of the names every folder holds as a device ("CON", "NUL",
// "COM1.txt"). Opening one would connect to a pipe's server, read a console or act on a port.
std::optional<std::string> DeviceReason(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (StartsWithNoCase(path, "\\\\.\\")) {
    if (StartsWithNoCase(path.substr(4), "pipe\\")) return NotRegular("a named pipe");
    return NotRegular("a device (" + path + ")");
  }
  if (StartsWithNoCase(path, "\\\\?\\")) {
    const std::string rest = path.substr(4);
    const bool drive = rest.size() >= 2 && rest[1] == ':';
    if (!drive && !StartsWithNoCase(rest, "UNC\\") && !StartsWithNoCase(rest, "Volume{")) {
      return NotRegular("a device (" + path + ")");
    }
  }
  const std::size_t slash = path.find_last_of("\\:");
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = Upper(c);
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  bool device = false;
  for (const char* name : kNames) device = device || base == name;
  if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
      base[3] <= '9') {
    device = true;
  }
  if (device) return NotRegular("a device (" + base + ")");
  return std::nullopt;
}

const char* KindOfType(DWORD type) {
  switch (type) {
    case FILE_TYPE_PIPE:
      return "a named pipe";
    case FILE_TYPE_CHAR:
      return "a character device";
    default:
      return "not a regular file";
  }
}

HANDLE Handle(void* handle) {
  return static_cast<HANDLE>(handle);
}

}  // namespace

std::optional<std::string> NotRegularFileReason(const std::string& path) {
  if (auto device = DeviceReason(path)) return device;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(unicode::WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return NotRegular("a directory");
  return std::nullopt;
}

RegularFile::Refusal RegularFile::Open(const std::string& path, std::string& reason) {
  Close();
  if (auto why = NotRegularFileReason(path)) {
    reason = *why;
    return Refusal::kNotRegular;
  }
  const HANDLE file = CreateFileW(unicode::WidePath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = unicode::ErrorText(GetLastError());
    return Refusal::kNotFound;
  }
  const DWORD type = GetFileType(file);
  if (type != FILE_TYPE_DISK) {
    CloseHandle(file);
    reason = NotRegular(KindOfType(type));
    return Refusal::kNotRegular;
  }
  handle_ = file;
  if (Size() == 0) {
    Close();
    reason = "the file is empty";
    return Refusal::kEmpty;
  }
  return Refusal::kNone;
}

bool RegularFile::IsOpen() const {
  return handle_ != nullptr;
}

int RegularFile::Read(std::uint8_t* buffer, int size) {
  DWORD got = 0;
  if (!ReadFile(Handle(handle_), buffer, static_cast<DWORD>(size), &got, nullptr)) {
    return AVERROR(EIO);
  }
  return static_cast<int>(got);
}

std::int64_t RegularFile::Seek(std::int64_t offset, int whence) {
  const DWORD method = whence == SEEK_END   ? FILE_END
                       : whence == SEEK_CUR ? FILE_CURRENT
                                            : FILE_BEGIN;
  LARGE_INTEGER distance, at;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(Handle(handle_), distance, &at, method)) return AVERROR(EINVAL);
  return at.QuadPart;
}

std::int64_t RegularFile::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Handle(handle_), &size)) return AVERROR(EIO);
  return size.QuadPart;
}

void RegularFile::Close() {
  if (handle_ != nullptr) CloseHandle(Handle(handle_));
  handle_ = nullptr;
}

}  // namespace vidloom::media
