#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/whole_file.h"

namespace vidloom::platform {
namespace {

std::string ErrnoText(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, bool* missing, std::string* error,
                                         std::size_t max_bytes) {
  if (missing) *missing = false;
  // O_NONBLOCK: opening a FIFO that stands at the path must not block.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {  // nothing there, or a file where a folder is
      if (missing) *missing = true;
      return std::string();
    }
    if (error) *error = ErrnoText("cannot open", path);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = path + " is not a regular file";
    ::close(fd);
    return std::nullopt;
  }
  std::string text;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = ErrnoText("cannot read", path);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    if (text.size() + static_cast<std::size_t>(n) > max_bytes) {
      if (error) *error = path + " is too large";
      ::close(fd);
      return std::nullopt;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

bool WriteFileAtomically(const std::string& path_in, std::string_view text, std::string* error) {
  // Replace the file a symbolic link points to, not the link.
  std::string path = path_in;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }

  const auto slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                     "." + base + ".XXXXXX";

  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = ErrnoText("cannot create a temporary file for", path);
    return false;
  }
  auto fail = [&](const char* what) {
    if (error) *error = ErrnoText(what, path);
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };

  struct stat st {};
  const mode_t mode =
      (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return fail("cannot set the mode of");

  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail("cannot write");
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) return fail("cannot flush");
  if (::close(fd) != 0) {
    if (error) *error = ErrnoText("cannot close", path);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    if (error) *error = ErrnoText("cannot replace", path);
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here no longer affects the file's content.
  const int dir_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
  return true;
}

}  // namespace vidloom::platform
