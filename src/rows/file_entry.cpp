#include "rows/file_entry.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <tuple>

namespace vidloom {
namespace {

// "640 x 480" (blanks optional): its two sides; 0 and 0 when it is not two numbers.
std::pair<int, int> Sides(std::string_view text) {
  int width = 0;
  int height = 0;
  char tail = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%d x %d%c", &width, &height, &tail) != 2 || width < 0 ||
      height < 0) {
    return {0, 0};
  }
  return {width, height};
}

double Rate(std::string_view text) {
  double rate = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, rate);
  return ec == std::errc() && ptr == end && rate > 0 ? rate : 0;
}

// "hh:mm:ss" as seconds; none for "0", an empty text or anything else.
std::optional<double> Seconds(std::string_view text) {
  int h = 0, m = 0, s = 0;
  char tail = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail) != 3 || h < 0 || m < 0 || s < 0) {
    return std::nullopt;
  }
  return h * 3600.0 + m * 60.0 + s;
}

}  // namespace

std::string_view RowStateName(RowState state) {
  switch (state) {
    case RowState::kWaiting:
      return "waiting";
    case RowState::kConverting:
      return "converting";
    case RowState::kRetrying:
      return "retrying";
    case RowState::kThumbnail:
      return "thumbnail";
    case RowState::kDone:
      return "done";
    case RowState::kFailed:
      return "failed";
    case RowState::kAborted:
      return "aborted";
    case RowState::kSkipped:
      return "skipped";
  }
  return "waiting";
}

bool IsFinal(RowState state) {
  return state == RowState::kDone || state == RowState::kFailed || state == RowState::kAborted ||
         state == RowState::kSkipped;
}

MediaFacts MediaFacts::Of(std::string size, std::string rate, std::string duration,
                          std::string display_size) {
  MediaFacts facts;
  std::tie(facts.width, facts.height) = Sides(size);
  std::tie(facts.shown_width, facts.shown_height) =
      display_size.empty() ? std::pair{facts.width, facts.height} : Sides(display_size);
  facts.frame_rate = Rate(rate);
  facts.size_text = std::move(size);
  facts.rate_text = std::move(rate);
  facts.display_size = std::move(display_size);
  facts.SetDuration(std::move(duration));
  return facts;
}

void MediaFacts::SetDuration(std::string text) {
  duration_seconds = Seconds(text);
  duration_text = std::move(text);
}

std::string ProgressText(const FileEntry& entry) {
  auto percent = [&] {
    return std::to_string(std::clamp<std::int64_t>(*entry.percent, 0, 100)) + "%";
  };
  switch (entry.state) {
    case RowState::kWaiting:
    case RowState::kSkipped:
      return {};
    case RowState::kConverting:
      return entry.percent ? percent() : std::string();
    case RowState::kRetrying:
      return entry.percent ? percent() : N_("Re-scan");
    case RowState::kThumbnail:
      return N_("THM");
    case RowState::kDone:
      return N_("Done");
    case RowState::kFailed:
      return N_("Failed");
    case RowState::kAborted:
      return entry.output_written ? N_("Aborted") : N_("Failed");
  }
  return {};
}

std::optional<std::int64_t> FrameCount(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  std::int64_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (error != std::errc() || end != text.data() + text.size() || count < 0) return std::nullopt;
  return count;
}

void RenderCells(FileEntry& entry) {
  entry.cells[kCellVideoSize] = entry.media.size_text;
  entry.cells[kCellFrameRate] = entry.media.rate_text;
  entry.cells[kCellDuration] = entry.media.duration_text;
  entry.cells[kCellOutput] = entry.output_extension;
  entry.cells[kCellProgress] = ProgressText(entry);
  entry.cells[kCellFrames] = entry.frames ? std::to_string(*entry.frames) : std::string();
}

std::string OutputSizeText(const FileEntry& entry) {
  if (!entry.output_kb) return {};
  return texts::Fill(texts::Tr(kOutputSizeText), {std::to_string(*entry.output_kb)});
}

std::vector<std::string> OutputLines(const FileEntry& entry) {
  std::vector<std::string> lines;
  if (entry.output_written && !entry.output_path.empty()) {
    lines.push_back(texts::Fill(texts::Tr("Output: %s"), {entry.output_path}));
  }
  if (!entry.thumbnail_path.empty()) {
    lines.push_back(texts::Fill(texts::Tr("Thumbnail: %s"), {entry.thumbnail_path}));
  }
  lines.insert(lines.end(), entry.notes.begin(), entry.notes.end());
  return lines;
}

void AppendDetails(FileEntry& entry, const std::vector<std::string>& lines) {
  auto& details = entry.details;
  details.insert(details.end(), lines.begin(), lines.end());
  if (details.size() > kMaxDetailLines) {
    details.erase(details.begin(),
                  details.begin() + static_cast<std::ptrdiff_t>(details.size() - kMaxDetailLines));
  }
}

}  // namespace vidloom
