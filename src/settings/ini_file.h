// A small INI (profile) file module with the semantics of the Windows profile functions:
// sections and keys are matched without regard to case (ASCII), the first match wins, writing a
// key keeps every other line of the file, and a missing file reads as empty and is created by the
// first write. Unlike the Windows functions, a file is always replaced whole and atomically
// (temporary file in the same directory, fsync, rename), so a failed write leaves the old file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/whole_file.h"

namespace vidloom::settings {

// Reads an integer the way GetPrivateProfileInt does: blanks are skipped, then an optional sign
// and decimal digits are read and the rest of the value is ignored ("12 px" reads 12). A value
// that starts with no digit, or whose number lies outside the 32-bit signed range, is not a
// number: nullopt.
std::optional<int> ParseProfileInt(std::string_view value);

// ASCII case-insensitive equality, as the profile functions compare names.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The lines of one INI file, kept as read so that a write changes only the key it writes.
class IniDocument {
 public:
  IniDocument() = default;

  // Parses `text`. Lines end at "\n"; the "\r"s before it are dropped and the file's line ending
  // ("\r\n" when its first line uses it, "\n" otherwise) is used for every line when written.
  // Any byte sequence parses: lines that are neither a section header nor "key=value" are kept
  // and otherwise ignored.
  static IniDocument Parse(std::string_view text);

  // The value of `key` in `section` (first matching section, first matching key), with the
  // blanks around it removed; nullopt when absent.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // GetPrivateProfileString: the value, or `fallback` when the key is absent.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback) const;

  // The value read by ParseProfileInt, or `fallback` when the key is absent or no number.
  int GetInt(std::string_view section, std::string_view key, int fallback) const;

  // WritePrivateProfileString: replaces the key's line in place, or adds it after the section's
  // last key, or adds the section with the key at the end of the file. Line breaks inside
  // `section`, `key` or `value` would break the file's structure and are replaced by blanks.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // WritePrivateProfileString with no value: removes the key's line; nothing when absent.
  void Remove(std::string_view section, std::string_view key);

  // The file's text.
  std::string Text() const;

 private:
  // Index of the header line of the first section called `section`, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index of the first line of `key` after header `header`, before the next section, or npos.
  std::size_t FindKey(std::size_t header, std::string_view key) const;

  std::vector<std::string> lines_;
  std::string line_end_ = "\n";
  bool final_line_end_ = true;  // the last line was terminated
};

// The whole file read, and replaced atomically, as platform/whole_file.h does it.
using platform::ReadWholeFile;
using platform::WriteFileAtomically;

// One INI file on disk, opened for a series of reads and writes.
class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // Reads the file. A missing file reads as empty and returns true; an unreadable one returns
  // false (the document is then empty).
  bool Load(std::string* error = nullptr);

  // Writes the document atomically (WriteFileAtomically).
  bool Save(std::string* error = nullptr) const;

  IniDocument& document() { return document_; }
  const IniDocument& document() const { return document_; }

 private:
  std::string path_;
  IniDocument document_;
};

// One-call forms of the profile functions on a file path.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback);
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int fallback);
// Reads the file, sets the key and replaces the file atomically. False when the file exists
// but cannot be read (it is then left alone) or cannot be written.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string* error = nullptr);

}  // namespace vidloom::settings
