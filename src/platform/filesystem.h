// File-system queries on local paths, as the conversion needs them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vidloom::platform {

// The separator between directory and file name on this platform. Windows also takes '/'.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool IsPathSeparator(char c) {
  return c == '/';
}
#endif

// Paths are UTF-8 inside the program. std::filesystem reads a narrow string in the system's code
// page on Windows: these two cross between the two without loss on every platform.
inline std::filesystem::path FsPath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
// An absolute path: as given when it is one already (or when it cannot be made one), otherwise
// against the current directory, normalised lexically.
std::string AbsolutePath(const std::string& path);

bool FileExists(const std::string& path);  // a file, not a directory
bool PathExists(const std::string& path);  // anything: a file, a directory, a pipe, ...
bool DirectoryExists(const std::string& path);
bool CreateDirectoryLevel(const std::string& path);  // one level; the parent must exist
// Whether CreateDirectoryLevel(path) would succeed as far as can be told without creating it:
// nothing stands at the path and its parent is a directory this process may write to.
bool CouldCreateDirectoryLevel(const std::string& path);
bool DeleteFile(const std::string& path);
// Whether this process may create files in the directory `path` (it is tried on Windows, where
// access rights cannot be told from attributes).
bool DirectoryWritable(const std::string& path);
// Size in bytes of the file at `path`; nullopt when there is none or it cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);
// A regular file of 0 bytes (a pipe or a device is never empty in this sense).
bool IsEmptyFile(const std::string& path);
// True when both paths name the same existing file (same device and inode; on Windows the same
// volume and file index).
bool SameFile(const std::string& a, const std::string& b);

// A path as a key for telling whether two output names are one: the path itself, and on Windows,
// whose file names ignore case, its lower-case form.
std::string PathKey(const std::string& path);

// The path's file name: what follows its last separator (the whole path when it has none).
std::string_view FileNamePart(std::string_view path);
// The file name's extension with its dot, lower-cased (A-Z only); empty when the file name has no
// dot.
std::string LowerExtension(const std::string& path);
// The path without its last separator and file name; empty when it has no separator.
std::string ParentDirectory(const std::string& path);

// The file a path given by the user names (chosen, dropped, on the command line), resolved once
// when it is added. Names may end (or begin) with a blank on this platform: the path is used
// exactly when something exists there; otherwise without surrounding blanks and control
// characters (the old habit of trimming it), which is also what is returned when neither exists.
std::string ResolveGivenPath(const std::string& given);

// Directory of the running executable, with a trailing separator.
const std::string& ProgramDirectory();

// The user's home directory: $HOME, or the password database's when $HOME is unset or empty;
// on Windows the profile folder (%USERPROFILE%).
std::string HomeDirectory();

// A new directory of this process's own in the system's temporary folder, named `prefix` and a
// unique ending; nullopt when none could be made.
std::optional<std::string> MakeTemporaryDirectory(const std::string& prefix);

// The value of an environment variable as UTF-8; nullopt when it is not set.
std::optional<std::string> Environment(const char* name);

}  // namespace vidloom::platform
