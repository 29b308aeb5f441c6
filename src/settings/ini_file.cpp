#include "settings/ini_file.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "platform/text.h"

namespace vidloom::settings {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

using text::Trim;

// The name of a section header line ("[name]"), or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const auto close = line.find(']');
  if (close != std::string_view::npos) line = line.substr(0, close);
  return Trim(line);
}

// The key of a "key=value" line, or nullopt for comments and lines without "=".
std::optional<std::string_view> KeyName(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
  const auto eq = trimmed.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(trimmed.substr(0, eq));
  if (key.empty()) return std::nullopt;
  return key;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

}  // namespace

std::optional<int> ParseProfileInt(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
    negative = value[i] == '-';
    ++i;
  }
  if (i >= value.size() || value[i] < '0' || value[i] > '9') return std::nullopt;
  // Magnitude limit: 2^31 for a negative number, 2^31 - 1 otherwise.
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  std::int64_t magnitude = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (value[i] - '0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (text::LowerAscii(a[i]) != text::LowerAscii(b[i])) return false;
  }
  return true;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.empty()) return doc;
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    const bool terminated = end != std::string_view::npos;
    if (terminated && !line.empty() && line.back() == '\r') {
      // Every carriage return before the line end goes with it: one kept in the line would
      // become part of the line end when the file is written with "\n", and each write would
      // change the line again.
      while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (first) doc.line_end_ = "\r\n";
    }
    first = false;
    doc.lines_.emplace_back(line);
    doc.final_line_end_ = terminated;
    if (!terminated) break;
    start = end + 1;
  }
  return doc;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  const std::string_view wanted = Trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i]);
    if (name && EqualsIgnoreCase(*name, wanted)) return i;
  }
  return std::string::npos;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const {
  const std::string_view wanted = Trim(key);
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    if (SectionName(lines_[i])) break;
    const auto name = KeyName(lines_[i]);
    if (name && EqualsIgnoreCase(*name, wanted)) return i;
  }
  return std::string::npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  const std::size_t at = FindKey(header, key);
  if (at == std::string::npos) return std::nullopt;
  const std::string_view line = lines_[at];
  return std::string(Trim(line.substr(line.find('=') + 1)));
}

std::string IniDocument::GetString(std::string_view section, std::string_view key,
                                   std::string_view fallback) const {
  auto value = Get(section, key);
  return value ? std::move(*value) : std::string(fallback);
}

int IniDocument::GetInt(std::string_view section, std::string_view key, int fallback) const {
  const auto value = Get(section, key);
  if (!value) return fallback;
  return ParseProfileInt(*value).value_or(fallback);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string section_text = std::string(Trim(WithoutLineBreaks(section)));
  const std::string key_text = std::string(Trim(WithoutLineBreaks(key)));
  std::string line = key_text + "=" + WithoutLineBreaks(value);

  const std::size_t header = FindSection(section_text);
  if (header == std::string::npos) {
    lines_.push_back("[" + section_text + "]");
    lines_.push_back(std::move(line));
    final_line_end_ = true;
    return;
  }
  const std::size_t at = FindKey(header, key_text);
  if (at != std::string::npos) {
    // The key keeps the spelling it has in the file, as the profile functions keep it.
    lines_[at] = std::string(*KeyName(lines_[at])) + "=" + WithoutLineBreaks(value);
    return;
  }
  // After the section's last key, so that blank lines or comments before the next section stay
  // where they are.
  std::size_t insert_at = header + 1;
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    if (SectionName(lines_[i])) break;
    if (KeyName(lines_[i])) insert_at = i + 1;
  }
  if (insert_at == lines_.size()) final_line_end_ = true;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(line));
}

void IniDocument::Remove(std::string_view section, std::string_view key) {
  const std::size_t header = FindSection(std::string(Trim(WithoutLineBreaks(section))));
  if (header == std::string::npos) return;
  const std::size_t at = FindKey(header, std::string(Trim(WithoutLineBreaks(key))));
  if (at != std::string::npos) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string IniDocument::Text() const {
  std::string text;
  std::size_t size = 0;
  for (const auto& l : lines_) size += l.size() + line_end_.size();
  text.reserve(size);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i];
    if (i + 1 < lines_.size() || final_line_end_) text += line_end_;
  }
  return text;
}

bool IniFile::Load(std::string* error) {
  const auto text = ReadWholeFile(path_, nullptr, error);
  if (!text) {
    document_ = IniDocument();
    return false;
  }
  document_ = IniDocument::Parse(*text);
  return true;
}

bool IniFile::Save(std::string* error) const {
  return WriteFileAtomically(path_, document_.Text(), error);
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback) {
  IniFile file(path);
  file.Load();
  return file.document().GetString(section, key, fallback);
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int fallback) {
  IniFile file(path);
  file.Load();
  return file.document().GetInt(section, key, fallback);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string* error) {
  IniFile file(path);
  if (!file.Load(error)) return false;
  file.document().Set(section, key, value);
  return file.Save(error);
}

}  // namespace vidloom::settings
