// A local file opened for reading only when it is a regular file: nothing that would block on
// open or act on being opened (a named pipe, a device, a socket) and no directory. POSIX in
// regular_file_posix.cpp, Windows in regular_file_win.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vidloom::media {

// Why what stands at `path` is no regular file ("the input is a named pipe, not a regular
// file"); nullopt for a regular file or nothing at all. Opens nothing that could act on it.
std::optional<std::string> NotRegularFileReason(const std::string& path);

class RegularFile {
 public:
  enum class Refusal { kNone, kNotFound, kNotRegular, kEmpty };

  RegularFile() = default;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile() { Close(); }

  // Opens `path` (UTF-8). On a refusal the file stays closed and `reason` says why: the system's
  // words for kNotFound, NotRegularFileReason's for kNotRegular, "the file is empty".
  Refusal Open(const std::string& path, std::string& reason);
  bool IsOpen() const;
  // Reads up to `size` bytes: their number, 0 at the end, or a negative AVERROR.
  int Read(std::uint8_t* buffer, int size);
  // lseek's meaning of `whence` (SEEK_SET, SEEK_CUR, SEEK_END); the new position or a negative
  // AVERROR.
  std::int64_t Seek(std::int64_t offset, int whence);
  // The file's size, or a negative AVERROR.
  std::int64_t Size();
  void Close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace vidloom::media
