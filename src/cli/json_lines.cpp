#include "cli/json_lines.h"

#include <algorithm>
#include <charconv>

#include "platform/text.h"

namespace vidloom::cli {
namespace {

void AppendEscapedByte(std::string& out, unsigned char byte) {
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\u00";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// The length of the valid UTF-8 sequence at the start of `s` (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when it does not start with one.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the byte after the lead
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length || at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (at(i) < 0x80 || at(i) > 0xBF) return 0;
  }
  return length;
}

// The whole of `text` as a number, or nothing.
void AppendNumber(std::string& out, const std::optional<std::int64_t>& value) {
  out += value ? std::to_string(*value) : "null";
}

}  // namespace

std::string JsonString(std::string_view text);

namespace {

// ["a","b"].
std::string JsonStrings(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += ',';
    out += JsonString(texts[i]);
  }
  return out + "]";
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.front());
    std::size_t used = 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          AppendEscapedByte(out, c);
        } else if (c < 0x80) {
          out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8SequenceLength(text); length > 0) {
          out += text.substr(0, length);
          used = length;
        } else {
          AppendEscapedByte(out, c);
        }
    }
    text.remove_prefix(used);
  }
  out += '"';
  return out;
}

RowReport ReportRow(const FileEntry& entry) {
  RowReport report;
  report.file = entry.input_path;
  report.state = std::string(RowStateName(entry.state));
  report.reason = entry.reason;
  report.notes = entry.notes;
  report.frames = entry.frames;
  if (entry.state == RowState::kConverting || entry.state == RowState::kRetrying) {
    if (entry.percent) report.percent = std::clamp<std::int64_t>(*entry.percent, 0, 100);
    report.size_kb = entry.output_kb;
  }
  return report;
}

RowReport SkippedPath(std::string path, std::string reason) {
  return RowReport{.file = std::move(path), .state = "skipped", .reason = std::move(reason)};
}

std::string RowJson(const RowReport& row) {
  std::string out = "{\"type\":\"row\",\"file\":" + JsonString(row.file) +
                    ",\"state\":" + JsonString(row.state) + ",\"percent\":";
  AppendNumber(out, row.percent);
  out += ",\"frames\":";
  AppendNumber(out, row.frames);
  out += ",\"size_kb\":";
  AppendNumber(out, row.size_kb);
  out += ",\"reason\":" + JsonString(row.reason) + ",\"notes\":" + JsonStrings(row.notes) + "}";
  return out;
}

std::string SummaryJson(int converted, int total, const std::vector<RowReport>& files) {
  std::string out = "{\"type\":\"summary\",\"converted\":" + std::to_string(converted) +
                    ",\"total\":" + std::to_string(total) + ",\"files\":[";
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i > 0) out += ',';
    out += "{\"file\":" + JsonString(files[i].file) + ",\"state\":" + JsonString(files[i].state) +
           ",\"reason\":" + JsonString(files[i].reason) +
           ",\"notes\":" + JsonStrings(files[i].notes) + "}";
  }
  out += "]}";
  return out;
}

}  // namespace vidloom::cli
