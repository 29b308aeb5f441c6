// File-system queries on local paths, as the conversion needs them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vidloom::platform {

// The separator between directory and file name on this platform.
inline constexpr char kPathSeparator = '/';

bool FileExists(const std::string& path);  // a file, not a directory
bool DirectoryExists(const std::string& path);
bool CreateDirectoryLevel(const std::string& path);  // one level; the parent must exist
bool DeleteFile(const std::string& path);
// Size in bytes of the file at `path`; nullopt when there is none or it cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);
// True when both paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// Directory of the running executable, with a trailing separator.
const std::string& ProgramDirectory();

// The user's home directory (from the password database, then $HOME).
std::string HomeDirectory();

}  // namespace vidloom::platform
