// vidloom-cli's --json output: a row's state as one JSON object a line, and the batch's summary.
// Pure functions over the file list's texts, so that the JSON is tested without a conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/list_view.h"

namespace vidloom::cli {

// `text` as a JSON string, quotes included (RFC 8259). Valid UTF-8 is copied; quote, backslash
// and the control characters (below 0x20, and 0x7F) are escaped; a byte that is not part of a
// valid UTF-8 sequence is written as \u00XX, XX its value, so the line stays valid UTF-8 and the
// byte can still be told.
std::string JsonString(std::string_view text);

// What a row shows, as --json reports it.
struct RowReport {
  std::string file;   // the row's caption: the input path
  std::string state;  // waiting, converting, retrying, thumbnail, done, failed, aborted
  std::optional<std::int64_t> percent = {};  // while converting
  std::optional<std::int64_t> frames = {};   // the "Frames" cell, when it holds a count
  std::optional<std::int64_t> size_kb = {};  // the output so far, while converting
  std::string reason = {};                   // why it did not end "done"
};

// The report of `entry`; `size_panel` is the status bar's size text ("Output File Size : 12 KB"),
// which belongs to the row being converted.
RowReport ReportRow(const FileEntry& entry, std::string_view size_panel);

// {"type":"row","file":...,"state":...,"percent":...,"frames":...,"size_kb":...,"reason":...}
std::string RowJson(const RowReport& row);

// {"type":"summary","converted":N,"total":M,"files":[{"file":...,"state":...,"reason":...},...]}
std::string SummaryJson(int converted, int total, const std::vector<RowReport>& files);

}  // namespace vidloom::cli
