// vidloom-cli's --json output: a row's state as one JSON object a line, and the batch's summary.
// Pure functions over the rows' records, so that the JSON is tested without a conversion.
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
  std::string file;  // the row's caption: the input path
  // waiting, converting, retrying, thumbnail, done, failed, aborted, skipped
  std::string state;
  std::optional<std::int64_t> percent = {};  // 0..100, while converting or retrying
  std::optional<std::int64_t> frames = {};   // the encoder's frame count, when it gave one
  std::optional<std::int64_t> size_kb = {};  // the output so far, while converting or retrying
  std::string reason = {};                   // why it did not end "done"
  std::vector<std::string> notes = {};       // what the encoder made instead of what was asked
};

// The report of a row, from its record.
RowReport ReportRow(const FileEntry& entry);
// A path named on the command line that got no row (state "skipped").
RowReport SkippedPath(std::string path, std::string reason);

// {"type":"row","file":...,"state":...,"percent":...,"frames":...,"size_kb":...,"reason":...,
//  "notes":[...]}
std::string RowJson(const RowReport& row);

// {"type":"summary","converted":N,"total":M,"files":[{"file":...,"state":...,"reason":...,
//  "notes":[...]},...]}
std::string SummaryJson(int converted, int total, const std::vector<RowReport>& files);

}  // namespace vidloom::cli
