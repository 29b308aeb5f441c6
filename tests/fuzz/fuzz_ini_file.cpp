// The INI module on arbitrary bytes: the input is the file's text, then edits, each after a
// 0x1E byte: "R" (remove) or any other byte (set), then section, key and value separated by 0x1F.
// Any text parses; the keys set read back as set once the document is written out and parsed
// again, and every key that had a value keeps it. A name the format cannot hold (a section with
// "]", a key that is empty, holds "=" or starts with "[" or ";", a line break in either) is
// written as the profile functions write it and reads back as something else: only its writing
// is exercised.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/check.h"
#include "platform/text.h"
#include "settings/ini_file.h"

namespace {

using vidloom::settings::IniDocument;
using vidloom::text::LowerAscii;
using vidloom::text::Trim;

constexpr std::size_t kMaxNames = 12;

// A name as the module compares it: trimmed, ASCII case folded.
std::string Folded(std::string_view name) {
  return LowerAscii(Trim(name));
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool HoldableSection(std::string_view name) {
  return !HasLineBreak(name) && Trim(name).find(']') == std::string_view::npos;
}

bool HoldableKey(std::string_view name) {
  const std::string_view key = Trim(name);
  return !HasLineBreak(name) && !key.empty() && key.find('=') == std::string_view::npos &&
         key.front() != '[' && key.front() != ';';
}

// What Get returns for a value written by Set.
std::string ReadBack(std::string_view value) {
  std::string text(value);
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return std::string(Trim(text));
}

void AddName(std::vector<std::string>& names, std::string_view name) {
  if (names.size() >= kMaxNames) return;
  for (const auto& known : names) {
    if (Folded(known) == Folded(name)) return;
  }
  names.emplace_back(name);
}

// The section and key names that the text's lines look like they hold.
void NamesIn(std::string_view text, std::vector<std::string>& sections,
             std::vector<std::string>& keys) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.front() == '[') {
      AddName(sections, line.substr(1, line.find(']') - 1));
    } else if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
      AddName(keys, line.substr(0, eq));
    }
  }
}

using Pair = std::pair<std::string, std::string>;  // folded section and key

std::map<Pair, std::string> Values(const IniDocument& doc, const std::vector<std::string>& sections,
                                   const std::vector<std::string>& keys) {
  std::map<Pair, std::string> values;
  for (const auto& section : sections) {
    for (const auto& key : keys) {
      if (auto value = doc.Get(section, key)) {
        values.emplace(Pair{Folded(section), Folded(key)}, std::move(*value));
      }
    }
  }
  return values;
}

struct Edit {
  bool remove = false;
  std::string section, key, value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view text = input.substr(0, input.find('\x1E'));
  std::vector<std::string> sections, keys;
  NamesIn(text, sections, keys);
  std::vector<Edit> edits;
  for (std::size_t at = text.size(); at < input.size();) {
    const std::size_t end = std::min(input.find('\x1E', at + 1), input.size());
    std::string_view fields = input.substr(at + 1, end - at - 1);
    at = end;
    Edit& edit = edits.emplace_back();
    edit.remove = !fields.empty() && fields.front() == 'R';
    if (!fields.empty()) fields.remove_prefix(1);
    for (std::string* field : {&edit.section, &edit.key, &edit.value}) {
      const std::size_t unit = fields.find('\x1F');
      *field = fields.substr(0, unit);
      fields = unit == std::string_view::npos ? std::string_view() : fields.substr(unit + 1);
    }
    AddName(sections, edit.section);
    AddName(keys, edit.key);
  }

  IniDocument doc = IniDocument::Parse(text);
  const std::map<Pair, std::string> before = Values(doc, sections, keys);

  // What each edited pair must read afterwards (nullopt: no expectation, after a removal a later
  // duplicate of the key may show).
  std::map<Pair, std::optional<std::string>> edited;
  bool holdable = true;
  for (const Edit& edit : edits) {
    const Pair pair{Folded(ReadBack(edit.section)), Folded(ReadBack(edit.key))};
    if (edit.remove) {
      doc.Remove(edit.section, edit.key);
      edited[pair] = std::nullopt;
    } else {
      doc.Set(edit.section, edit.key, edit.value);
      holdable = holdable && HoldableSection(edit.section) && HoldableKey(edit.key);
      edited[pair] = ReadBack(edit.value);
    }
  }

  const std::string written = doc.Text();
  const IniDocument reread = IniDocument::Parse(written);
  // Written once, the text is stable: parsing and writing it again changes nothing.
  FUZZ_CHECK(IniDocument::Parse(reread.Text()).Text() == reread.Text());
  if (!holdable) return 0;

  const std::map<Pair, std::string> after = Values(reread, sections, keys);
  for (const auto& [pair, value] : before) {
    if (edited.contains(pair)) continue;
    const auto now = after.find(pair);
    FUZZ_CHECK(now != after.end() && now->second == value);
  }
  for (const Edit& edit : edits) {
    const Pair pair{Folded(ReadBack(edit.section)), Folded(ReadBack(edit.key))};
    const std::optional<std::string>& expected = edited[pair];
    if (!expected) continue;
    FUZZ_CHECK(reread.Get(edit.section, edit.key) == expected);
  }
  return 0;
}
