#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/owner_locks.h"

namespace vidloom::platform {
namespace {

// Locks of the open file description: an object's locks conflict with every other descriptor's,
// in this program too, are not inherited by a child, and go when the descriptor is closed.
bool SetLock(int fd, std::uint64_t owner, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(owner & 0x3FFFFFFFFFFFFFFFull);
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

bool OwnerLocks::Open(const std::string& path, std::string* why) {
  Close();
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd_ < 0 && why) *why = std::strerror(errno);
  return fd_ >= 0;
}

bool OwnerLocks::TryLock(std::uint64_t owner) {
  return fd_ >= 0 && SetLock(fd_, owner, F_WRLCK);
}

void OwnerLocks::Unlock(std::uint64_t owner) {
  if (fd_ >= 0) SetLock(fd_, owner, F_UNLCK);
}

void OwnerLocks::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace vidloom::platform
