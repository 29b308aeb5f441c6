// A whole file read at once, and replaced at once so that no reader ever sees half of it.
// POSIX in whole_file_posix.cpp, Windows in whole_file_win.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vidloom::platform {

// The whole content of the file at `path`. nullopt with *error set when it exists but cannot
// be read (a directory, no permission, larger than `max_bytes`). A missing file (also under a
// path whose folder is a file) gives an empty text and *missing = true.
std::optional<std::string> ReadWholeFile(const std::string& path, bool* missing = nullptr,
                                         std::string* error = nullptr,
                                         std::size_t max_bytes = std::size_t{256} << 20);

// Replaces the file at `path` with `text` atomically: the text goes to a temporary file in the
// same directory, which is flushed to disk (fsync) and renamed over `path`; the directory is
// then synced. An existing file's permission bits are kept; a new file gets 0644 before the
// umask; a symbolic link is followed: the file it points to is replaced. On Windows the
// temporary file is flushed (FlushFileBuffers) and moved over `path` (MoveFileExW, replacing,
// written through). On failure the temporary file is removed, the old file is untouched, and
// *error says why.
bool WriteFileAtomically(const std::string& path, std::string_view text,
                         std::string* error = nullptr);

}  // namespace vidloom::platform
