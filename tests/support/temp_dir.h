// A fresh directory under the system's temporary directory, removed with its contents at the end
// of the scope; and small file helpers for tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "platform/filesystem.h"

namespace vidloom::testing {

class TempDir {
 public:
  TempDir() {
    const auto made = platform::MakeTemporaryDirectory("vidloom-test-");
    if (!made) throw std::runtime_error("cannot make a temporary directory");
    path_ = *made;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(platform::FsPath(path_), ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(platform::FsPath(path), std::ios::binary | std::ios::trunc);
  file << text;
}

inline std::string ReadTextFile(const std::string& path) {
  std::ifstream file(platform::FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace vidloom::testing
