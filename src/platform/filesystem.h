// File-system queries on local paths, as the conversion needs them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vidloom::platform {

// The separator between directory and file name on this platform.
inline constexpr char kPathSeparator = '/';

bool FileExists(const std::string& path);  // a file, not a directory
bool PathExists(const std::string& path);  // anything: a file, a directory, a pipe, ...
bool DirectoryExists(const std::string& path);
bool CreateDirectoryLevel(const std::string& path);  // one level; the parent must exist
// Whether CreateDirectoryLevel(path) would succeed as far as can be told without creating it:
// nothing stands at the path and its parent is a directory this process may write to.
bool CouldCreateDirectoryLevel(const std::string& path);
bool DeleteFile(const std::string& path);
// Size in bytes of the file at `path`; nullopt when there is none or it cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);
// A regular file of 0 bytes (a pipe or a device is never empty in this sense).
bool IsEmptyFile(const std::string& path);
// True when both paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// The path's file name: what follows its last separator (the whole path when it has none).
std::string_view FileNamePart(std::string_view path);
// The file name's extension with its dot, lower-cased (A-Z only); empty when the file name has no
// dot.
std::string LowerExtension(const std::string& path);
// The path without its last separator and file name; empty when it has no separator.
std::string ParentDirectory(const std::string& path);

// The input file a list row's caption names. Names may end (or begin) with a blank on this
// platform: the caption is used exactly when something exists at that path; otherwise the
// caption without surrounding blanks and control characters (the old habit of trimming it),
// which is also what is returned when neither exists.
std::string CaptionPath(const std::string& caption);

// Directory of the running executable, with a trailing separator.
const std::string& ProgramDirectory();

// The user's home directory: $HOME, or the password database's when $HOME is unset or empty.
std::string HomeDirectory();

}  // namespace vidloom::platform
