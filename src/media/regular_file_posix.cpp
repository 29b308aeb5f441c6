#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

#include "media/regular_file.h"

namespace vidloom::media {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a directory";
  return "not a regular file";
}

std::string NotRegularReason(mode_t mode) {
  return std::string("the input is ") + KindOf(mode) + ", not a regular file";
}

}  // namespace

std::optional<std::string> NotRegularFileReason(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return std::nullopt;
  return NotRegularReason(info.st_mode);
}

RegularFile::Refusal RegularFile::Open(const std::string& path, std::string& reason) {
  Close();
  // Refused before it is opened: opening a pipe without a writer would block, and some devices
  // act on open.
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    reason = std::strerror(errno);
    return Refusal::kNotFound;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = NotRegularReason(info.st_mode);
    return Refusal::kNotRegular;
  }
  if (info.st_size == 0) {
    reason = "the file is empty";
    return Refusal::kEmpty;
  }
  // O_NONBLOCK: should the path have been replaced by a pipe meanwhile, open() still returns;
  // the check on the descriptor then refuses it.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return Refusal::kNotFound;
  }
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    reason = NotRegularReason(info.st_mode);
    return Refusal::kNotRegular;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  return Refusal::kNone;
}

bool RegularFile::IsOpen() const {
  return fd_ >= 0;
}

int RegularFile::Read(std::uint8_t* buffer, int size) {
  for (;;) {
    const ssize_t n = read(fd_, buffer, static_cast<size_t>(size));
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) return AVERROR(errno);
  }
}

std::int64_t RegularFile::Seek(std::int64_t offset, int whence) {
  const off_t at = lseek(fd_, static_cast<off_t>(offset), whence);
  return at < 0 ? AVERROR(errno) : static_cast<std::int64_t>(at);
}

std::int64_t RegularFile::Size() {
  struct stat info;
  return fstat(fd_, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : AVERROR(errno);
}

void RegularFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace vidloom::media
