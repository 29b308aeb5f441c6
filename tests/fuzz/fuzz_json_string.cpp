// vidloom-cli's JSON string writer on arbitrary bytes. What it writes is one strict JSON string
// (RFC 8259, in valid UTF-8, no raw control character or DEL), and it decodes to the input: each
// valid UTF-8 sequence to its own character, each other byte to the character of its value
// (written as \u00XX). The checker below is written from the RFCs, apart from the writer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_lines.h"
#include "fuzz/check.h"

namespace {

struct Decoded {
  char32_t code_point;
  std::size_t length;
};

// The UTF-8 sequence at `at` (RFC 3629: shortest form, no surrogate, at most U+10FFFF).
std::optional<Decoded> Utf8At(std::string_view s, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return Decoded{lead, 1};
  std::size_t length = 0;
  char32_t c = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    c = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (s.size() - at < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
    c = c << 6 | (byte(i) & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  return Decoded{c, length};
}

std::optional<char32_t> Hex4(std::string_view s, std::size_t at) {
  if (s.size() - at < 4) return std::nullopt;
  char32_t value = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const char c = s[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<char32_t>(digit);
  }
  return value;
}

// The characters of `json` when it is exactly one JSON string; nullopt otherwise.
std::optional<std::u32string> DecodeJsonString(std::string_view json) {
  if (json.size() < 2 || json.front() != '"') return std::nullopt;
  std::u32string out;
  std::size_t i = 1;
  while (i < json.size()) {
    const auto c = static_cast<unsigned char>(json[i]);
    if (c == '"') return i + 1 == json.size() ? std::optional(out) : std::nullopt;
    if (c < 0x20) return std::nullopt;
    if (c != '\\') {
      const auto decoded = Utf8At(json, i);
      if (!decoded) return std::nullopt;
      out += decoded->code_point;
      i += decoded->length;
      continue;
    }
    if (++i == json.size()) return std::nullopt;
    const std::u32string_view simple_from = U"\"\\/bfnrt";
    const std::u32string_view simple_to = U"\"\\/\b\f\n\r\t";
    if (const auto k = simple_from.find(static_cast<char32_t>(json[i])); k != simple_from.npos) {
      out += simple_to[k];
      ++i;
      continue;
    }
    if (json[i] != 'u') return std::nullopt;
    auto unit = Hex4(json, i + 1);
    if (!unit) return std::nullopt;
    i += 5;
    if (*unit >= 0xD800 && *unit <= 0xDBFF) {
      const auto low = json.substr(i, 2) == "\\u" ? Hex4(json, i + 2) : std::nullopt;
      if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
      unit = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
      i += 6;
    } else if (*unit >= 0xDC00 && *unit <= 0xDFFF) {
      return std::nullopt;
    }
    out += *unit;
  }
  return std::nullopt;  // no closing quote
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string json = vidloom::cli::JsonString(text);

  FUZZ_CHECK(json.find('\x7F') == std::string::npos);
  const auto decoded = DecodeJsonString(json);
  FUZZ_CHECK(decoded.has_value());

  std::u32string expected;
  for (std::size_t i = 0; i < text.size();) {
    const auto sequence = Utf8At(text, i);
    expected += sequence ? sequence->code_point : static_cast<unsigned char>(text[i]);
    i += sequence ? sequence->length : 1;
  }
  FUZZ_CHECK(*decoded == expected);
  return 0;
}
