#include <windows.h>
#undef DeleteFile  // platform::DeleteFile, not the Win32 macro

#include <cstdint>
#include <cstdio>

#include "platform/filesystem.h"
#include "platform/output_claim.h"
#include "unicode/utf16.h"

namespace vidloom::platform {
namespace {

// A named mutex stands for the claim on Windows, in the global namespace so that every program
// of every session meets it, named by the path (case ignored, as Windows names files). No
// handle on the file itself is kept: the encoder opens it as it would without the claim, and
// the folder stays as free to change as for any other program. The object goes when the last
// handle does, also when a program ends without releasing it.
std::wstring MutexName(const std::string& path) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const unsigned char c : PathKey(path)) {
    hash = (hash ^ c) * 1099511628211ULL;
  }
  wchar_t name[64];
  std::swprintf(name, 64, L"Global\\Vidloom.Output.%016llx", static_cast<unsigned long long>(hash));
  return name;
}

// The mutex of `path`, created by this call; null when another holds it (or may not be
// opened by us, which says the same).
HANDLE TakeMutex(const std::string& path) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(path).c_str());
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return nullptr;
  }
  return mutex;
}

}  // namespace

OutputClaim::Outcome OutputClaim::Claim(const std::string& path, bool replace, std::string* why) {
  Release();
  const std::wstring wide = unicode::WidePath(path);
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool created = file != INVALID_HANDLE_VALUE;
  if (created) {
    CloseHandle(file);
  } else {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      if (why) *why = unicode::ErrorText(error);
      return Outcome::kFailed;
    }
    if (!replace) return Outcome::kExists;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (why) *why = "not a regular file";
      return Outcome::kFailed;
    }
  }
  const HANDLE mutex = TakeMutex(path);
  if (mutex == nullptr) return Outcome::kBusy;
  handle_ = mutex;
  path_ = path;
  created_ = created;
  return Outcome::kClaimed;
}

bool OutputClaim::Truncate() {
  if (handle_ == nullptr) return false;
  const HANDLE file = CreateFileW(unicode::WidePath(path_).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

void OutputClaim::Release() {
  if (handle_ == nullptr) return;
  // Removed while still held, so that no other program claims the name in between.
  if (created_ && FileSize(path_) == std::uint64_t{0}) {
    ::DeleteFileW(unicode::WidePath(path_).c_str());
  }
  CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  path_.clear();
  created_ = false;
}

}  // namespace vidloom::platform
