// Locks that say which owners are alive: one byte of a lock file per owner number, held by the
// program that owns it for as long as it runs. The system drops a lock when its holder closes
// the file or ends, however it ends (a crash, a kill, a power cut), so a byte that can be locked
// belongs to no running program. Each OwnerLocks object holds its own locks, also against
// another object in the same program.
#pragma once

#include <cstdint>
#include <string>

namespace vidloom::platform {

class OwnerLocks {
 public:
  OwnerLocks() = default;
  ~OwnerLocks() { Close(); }
  OwnerLocks(const OwnerLocks&) = delete;
  OwnerLocks& operator=(const OwnerLocks&) = delete;

  // Opens the lock file at `path`, creating it when missing. False, with `why`, when it cannot.
  bool Open(const std::string& path, std::string* why = nullptr);
  // Locks the byte of `owner` without waiting: false when another holds it, or when the file
  // system has no locks (then nothing can be told alive or gone, and nobody takes it over).
  bool TryLock(std::uint64_t owner);
  void Unlock(std::uint64_t owner);
  // Drops every lock this object holds.
  void Close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace vidloom::platform
