#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/output_claim.h"

namespace vidloom::platform {
namespace {

// The locked byte: 2^62, beyond the end of any file that will ever be written.
constexpr off_t kLockOffset = off_t{1} << 62;

// An exclusive lock of the open file description (it is not shared with a child and goes when
// the descriptor is closed, or the process ends). False when another holds it.
bool Lock(int fd, int* error) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockOffset;
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
  *error = errno;
  return false;
}

}  // namespace

OutputClaim::Outcome OutputClaim::Claim(const std::string& path, bool replace, std::string* why) {
  Release();
  bool created = true;
  // Non-blocking, so that a pipe standing at the path cannot hold the open.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0 && errno == EEXIST) {
    if (!replace) return Outcome::kExists;
    created = false;
    fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st;
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      close(fd);
      if (why) *why = "not a regular file";
      return Outcome::kFailed;
    }
  }
  if (fd < 0) {
    if (why) *why = std::strerror(errno);
    return Outcome::kFailed;
  }
  int error = 0;
  if (!Lock(fd, &error)) {
    close(fd);
    if (error == EAGAIN || error == EACCES) return Outcome::kBusy;
    // A file system without such locks (some network shares): the exclusive create is the
    // claim there.
    if (!created) {
      if (why) *why = std::strerror(error);
      return Outcome::kFailed;
    }
    fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (why) *why = std::strerror(errno);
      return Outcome::kFailed;
    }
  }
  fd_ = fd;
  path_ = path;
  created_ = created;
  return Outcome::kClaimed;
}

bool OutputClaim::Truncate() {
  return fd_ >= 0 && ftruncate(fd_, 0) == 0;
}

void OutputClaim::Release() {
  if (fd_ < 0) return;
  struct stat st;
  const bool empty = fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
  // Removed while still locked, so that no other program claims the name in between.
  if (created_ && empty) unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
  path_.clear();
  created_ = false;
}

}  // namespace vidloom::platform
