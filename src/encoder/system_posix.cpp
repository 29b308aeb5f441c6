#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "system.h"
#include "transcoder.h"

namespace raziz2u::system {
namespace {

void OnStopSignal(int signal) {
  g_stop_signal.store(signal);
}

class PosixPatchFile : public PatchFile {
 public:
  explicit PosixPatchFile(int fd) : fd_(fd) {}
  ~PosixPatchFile() override {
    if (fd_ >= 0) close(fd_);
  }

  std::uint64_t Size() override {
    const off_t size = lseek(fd_, 0, SEEK_END);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
  }

  bool ReadAt(std::string& out, std::uint64_t offset, std::uint64_t size) override {
    out.resize(size);
    std::uint64_t done = 0;
    while (done < size) {
      const ssize_t n =
          pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        return false;
      }
      done += static_cast<std::uint64_t>(n);
    }
    return true;
  }

  bool WriteAt(const std::string& data, std::uint64_t offset) override {
    std::uint64_t done = 0;
    while (done < data.size()) {
      const ssize_t n =
          pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        return false;
      }
      done += static_cast<std::uint64_t>(n);
    }
    return true;
  }

  bool Close() override {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void InstallStopRequests() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  // A reader that closed the pipe must not end the conversion: the output file is what counts.
  std::signal(SIGPIPE, SIG_IGN);
}

void Write(Stream stream, const std::string& text) {
  const int fd = stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO;
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    left -= static_cast<size_t>(n);
  }
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

PathKind KindOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return PathKind::kNothing;
  return S_ISDIR(info.st_mode) ? PathKind::kDirectory : PathKind::kFile;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat ia {
  }, ib{};
  return stat(a.c_str(), &ia) == 0 && stat(b.c_str(), &ib) == 0 && ia.st_dev == ib.st_dev &&
         ia.st_ino == ib.st_ino;
}

bool RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

std::unique_ptr<PatchFile> OpenForPatching(const std::string& path, std::string* why) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (why != nullptr) *why = LastError();
    return nullptr;
  }
  return std::make_unique<PosixPatchFile>(fd);
}

std::string LastError() {
  return std::strerror(errno);
}

}  // namespace raziz2u::system
