#include <windows.h>

#include "platform/owner_locks.h"
#include "unicode/utf16.h"

namespace vidloom::platform {
namespace {

OVERLAPPED At(std::uint64_t owner) {
  OVERLAPPED place{};
  place.Offset = static_cast<DWORD>(owner & 0xFFFFFFFFu);
  place.OffsetHigh = static_cast<DWORD>(owner >> 32);
  return place;
}

}  // namespace

bool OwnerLocks::Open(const std::string& path, std::string* why) {
  Close();
  // Byte-range locks belong to the handle: another handle, in this program too, is refused.
  const HANDLE file = CreateFileW(unicode::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (why) *why = unicode::ErrorText(GetLastError());
    return false;
  }
  handle_ = file;
  return true;
}

bool OwnerLocks::TryLock(std::uint64_t owner) {
  if (handle_ == nullptr) return false;
  OVERLAPPED place = At(owner);
  return LockFileEx(static_cast<HANDLE>(handle_),
                    LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &place) != 0;
}

void OwnerLocks::Unlock(std::uint64_t owner) {
  if (handle_ == nullptr) return;
  OVERLAPPED place = At(owner);
  UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &place);
}

void OwnerLocks::Close() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

}  // namespace vidloom::platform
