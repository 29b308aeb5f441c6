#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/filesystem.h"

namespace vidloom::platform {

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectoryLevel(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0;
}

bool CouldCreateDirectoryLevel(const std::string& path) {
  struct stat st;
  if (path.empty() || lstat(path.c_str(), &st) == 0) return false;
  std::string parent = path;
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  const auto slash = parent.rfind('/');
  parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : parent.substr(0, slash));
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         access(parent.c_str(), W_OK | X_OK) == 0;
}

bool DeleteFile(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

bool DirectoryWritable(const std::string& path) {
  return access(path.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

bool IsEmptyFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

std::string PathKey(const std::string& path) {
  return path;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

const std::string& ProgramDirectory() {
  static const std::string directory = [] {
    std::string target(4096, '\0');
    for (;;) {
      const ssize_t n = readlink("/proc/self/exe", target.data(), target.size());
      if (n < 0) return std::string("./");
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    const auto slash = target.rfind('/');
    if (slash == std::string::npos) return std::string("./");
    return target.substr(0, slash + 1);
  }();
  return directory;
}

std::optional<std::string> MakeTemporaryDirectory(const std::string& prefix) {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return std::nullopt;
  std::string pattern = (base / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  return pattern;
}

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string HomeDirectory() {
  // $HOME first, as every XDG program does (a user may point it elsewhere); the password
  // database when it is unset or empty.
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  return found && found->pw_dir ? found->pw_dir : "";
}

}  // namespace vidloom::platform
