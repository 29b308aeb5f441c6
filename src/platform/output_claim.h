// An output file held by one conversion, so that no other conversion writes it meanwhile: not
// another lane of the batch, not another window, not vidloom-cli. The claim holds across
// programs: a new name is made by an exclusive create in the file system, and the file (new, or
// existing and to be replaced) is then locked, the encoder writing it freely. On POSIX systems
// the lock covers one byte of the file far beyond the end of any media file; on Windows it is a
// named system object of the path. It lasts until Release() or until the program ends, however
// it ends.
#pragma once

#include <string>

namespace vidloom::platform {

class OutputClaim {
 public:
  enum class Outcome {
    kClaimed,  // the file is this claim's until Release()
    kExists,   // something lies at the path, and `replace` was not given
    kBusy,     // another conversion holds the file
    kFailed,   // it could not be made or opened (`why` says why)
  };

  OutputClaim() = default;
  ~OutputClaim() { Release(); }
  OutputClaim(const OutputClaim&) = delete;
  OutputClaim& operator=(const OutputClaim&) = delete;

  // Claims `path` after releasing what this claim held: a new file, or with `replace` also an
  // existing regular file (its content stays until the encoder replaces it).
  Outcome Claim(const std::string& path, bool replace, std::string* why = nullptr);

  bool held() const { return !path_.empty(); }
  // The claimed path; empty when nothing is held.
  const std::string& path() const { return path_; }

  // Empties the claimed file, keeping the claim: a failed run's output goes before the retry
  // writes its own. False when nothing is held or it could not be done.
  bool Truncate();

  // Gives the file up. A file this claim created that is still empty is removed: a conversion
  // that never wrote leaves nothing behind.
  void Release();

 private:
  std::string path_;
  bool created_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace vidloom::platform
