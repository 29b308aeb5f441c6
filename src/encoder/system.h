// What the encoder needs of the operating system beyond FFmpeg: its arguments, its console, the
// output file reopened to patch bytes in place, file identity, and the requests to stop. POSIX
// in system_posix.cpp, Windows in system_win.cpp. Paths and texts are UTF-8 on both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace raziz2u::system {

// The command line's arguments after the program's name (Windows: from the wide command line,
// so that names in any script arrive whole).
std::vector<std::string> Arguments(int argc, char** argv);

// Turns the system's requests to stop into g_stop_signal, so that the conversion finishes its
// output and ends: SIGTERM, SIGINT and SIGHUP on POSIX (and a closed reader is no reason to
// stop); on Windows Ctrl-C, Ctrl-Break, the closing of the console and the end-request event
// the program that started this one made for it ("Local\vidloom-end-request-<pid>").
void InstallStopRequests();

enum class Stream { kOut, kErr };
// Writes all of `text`; a reader that has gone is no error (the output file is what counts).
void Write(Stream stream, const std::string& text);

// The value of an environment variable; empty when unset.
std::string Environment(const char* name);

// What stands at a path, as far as the output check needs it.
enum class PathKind { kNothing, kFile, kDirectory };
PathKind KindOf(const std::string& path);
// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);
// Removes a file; false when it could not.
bool RemoveFile(const std::string& path);

// A written file opened again to read and change bytes at their places.
class PatchFile {
 public:
  virtual ~PatchFile() = default;
  virtual std::uint64_t Size() = 0;
  // Reads `size` bytes at `offset` into `out`; false when they cannot all be read.
  virtual bool ReadAt(std::string& out, std::uint64_t offset, std::uint64_t size) = 0;
  virtual bool WriteAt(const std::string& data, std::uint64_t offset) = 0;
  // Closes the file: false when what was written may not have reached it.
  virtual bool Close() = 0;
};
// nullptr when the file cannot be opened for reading and writing; *why then says why.
std::unique_ptr<PatchFile> OpenForPatching(const std::string& path, std::string* why);
// The last system error in words, for messages of the above.
std::string LastError();

}  // namespace raziz2u::system
