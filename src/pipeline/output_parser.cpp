#include "pipeline/output_parser.h"

#include "platform/text.h"
#include "rows/file_entry.h"
#include "texts/language.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace vidloom {
namespace {

constexpr std::string_view kInputHeader = "Input #0,";
constexpr std::string_view kOutputHeader = "Output #0,";
constexpr std::string_view kUnsupportedCodec = "Unsupported codec";
constexpr std::string_view kAdjusted = "Adjusted: ";

using text::Trim;

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A field of the duration: digits only, at most 9 of them.
std::optional<std::int64_t> Field(std::string_view text) {
  if (!AllDigits(text) || text.size() > 9) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

bool Contains(std::string_view line, std::string_view what) {
  return line.find(what) != std::string_view::npos;
}

}  // namespace

// --- Display ---

void Display::Merge(const Display& newer) {
  if (newer.frames) frames = newer.frames;
  if (newer.size_panel) size_panel = newer.size_panel;
  if (newer.size_kb) size_kb = newer.size_kb;
  if (newer.bar) bar = newer.bar;
  if (newer.progress) progress = newer.progress;
  if (newer.duration) duration = newer.duration;
  if (newer.seconds) seconds = newer.seconds;
}

// --- helpers ---

const std::vector<std::string>& ErrorMarkers() {
  static const std::vector<std::string> markers = {
      "xpxframe",
      "clntcore.dll",
      "failed",
      "Unexpected",
      "error:",
      "Error while opening file",
      "exception encounter",
      "Unknown format",
      std::string(kUnsupportedCodec),
  };
  return markers;
}

bool MayHoldMoreThanProgress(std::string_view text) {
  // One pass of plain comparisons, in fixed-size steps that the compiler turns into vector code.
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  auto wanted = [](unsigned char c) -> unsigned char {
    return static_cast<unsigned char>((c == 'o') | (c == 'p') | (c == 'd') | (c == 0));
  };
  constexpr std::size_t kStep = 64;
  std::size_t i = 0;
  for (; i + kStep <= n; i += kStep) {
    unsigned char hit = 0;
    for (std::size_t k = 0; k < kStep; ++k) hit |= wanted(p[i + k]);
    if (hit) return true;
  }
  for (; i < n; ++i) {
    if (wanted(p[i])) return true;
  }
  return false;
}

bool IsCdaInput(std::string_view input_path) {
  const std::size_t dot = input_path.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::size_t slash = input_path.find_last_of("/\\");
  if (slash != std::string_view::npos && slash > dot) return false;
  std::string ext(input_path.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".cda";
}

namespace {

// A plain decimal: digits, optionally "." and more digits; at least one digit.
std::optional<double> PlainSeconds(std::string_view seconds_text) {
  const std::size_t dot = seconds_text.find('.');
  const std::string_view whole = seconds_text.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : seconds_text.substr(dot + 1);
  const bool whole_ok = whole.empty() || AllDigits(whole);
  const bool fraction_ok = fraction.empty() || AllDigits(fraction);
  if (!whole_ok || !fraction_ok || (whole.empty() && fraction.empty())) return std::nullopt;
  double seconds = 0;
  const char* const end = seconds_text.data() + seconds_text.size();
  if (std::from_chars(seconds_text.data(), end, seconds, std::chars_format::fixed).ptr != end) {
    return std::nullopt;
  }
  return seconds;
}

// The size reading of a line: nullopt without "size="; else the number before "kB", read whole
// (empty when there is none).
std::optional<std::string_view> SizeReading(std::string_view line) {
  constexpr std::string_view kSize = "size=";
  const std::size_t at = line.find(kSize);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view rest = line.substr(at + kSize.size());
  const std::size_t kb = rest.find("kB");
  if (kb == std::string_view::npos) return std::string_view();
  const std::string_view value = Trim(rest.substr(0, kb));
  const bool number = !value.empty() && std::all_of(value.begin(), value.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '.';
  });
  return number ? value : std::string_view();
}

// A size reading as a whole number of kB, when it is one.
std::optional<std::int64_t> WholeKb(std::string_view value) {
  std::int64_t whole = 0;
  const char* end = value.data() + value.size();
  if (const auto [ptr, ec] = std::from_chars(value.data(), end, whole);
      !value.empty() && ec == std::errc() && ptr == end) {
    return whole;
  }
  return std::nullopt;
}

// The time reading of a line: after "time" and one separator character up to the next blank;
// nullopt when there is none.
std::optional<std::string_view> TimeReading(std::string_view line) {
  const std::size_t at = line.find("time");
  if (at == std::string_view::npos || at + 5 > line.size()) return std::nullopt;
  const std::string_view rest = line.substr(at + 5);
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  return rest.substr(0, blank);
}

}  // namespace

std::optional<std::int64_t> PercentOf(std::string_view seconds_text,
                                      std::int32_t duration_seconds) {
  if (duration_seconds <= 0) return std::nullopt;
  const auto parsed = PlainSeconds(seconds_text);
  if (!parsed) return std::nullopt;
  const double seconds = *parsed;
  // Multiplying first keeps exact halves exact, so they round to the even neighbour.
  const double percent = seconds * 100.0 / duration_seconds;
  // Far beyond what the bar or the cell can show; held so that the conversion stays defined.
  constexpr double kLimit = 1e15;
  return static_cast<std::int64_t>(std::nearbyint(std::min(percent, kLimit)));
}

// --- OutputParser ---

Verdict OutputParser::Feed(std::string_view data) {
  if (data.empty()) return Verdict::kContinue;
  if (first_line_ == FirstLine::kWaiting) first_line_ = FirstLine::kArmed;
  Verdict verdict = Verdict::kContinue;
  splitter_.FeedBlock(
      data,
      [&](std::string_view line) {
        verdict = ParseLine(line);
        return verdict == Verdict::kContinue;
      },
      [&](std::string_view block) { return ExamineBlock(block, verdict); });
  return verdict;
}

Verdict OutputParser::Finish() {
  Verdict verdict = Verdict::kContinue;
  splitter_.Finish([&](std::string_view line) {
    verdict = ParseLine(line);
    return verdict == Verdict::kContinue;
  });
  return verdict;
}

Verdict OutputParser::ParseLine(std::string_view line) {
  Keep(line);
  if (keep_only_) return Verdict::kContinue;
  if (!options_.thumbnail_run) ReadProgress(line);

  if (first_line_ == FirstLine::kArmed) {
    first_line_ = FirstLine::kDone;
    if (line.substr(0, kInputHeader.size()) != kInputHeader) {
      // The input could not be opened: the other way of opening it may succeed.
      error_seen_ = true;
      error_line_ = std::string(Trim(line.substr(0, kTranscriptLineLength)));
      return Verdict::kEnd;
    }
  }

  if (line.substr(0, kOutputHeader.size()) == kOutputHeader) {
    output_header_seen_ = true;
  } else if (output_header_seen_ && output_audio_codec_.empty()) {
    ReadOutputAudio(line);
  }

  if (line.substr(0, kAdjusted.size()) == kAdjusted && adjustments_.size() < 16) {
    adjustments_.emplace_back(Trim(line.substr(kAdjusted.size(), kTranscriptLineLength)));
  }

  // Header lines carry file paths, which may hold any of the marker words.
  if (!Contains(line, kInputHeader) && !Contains(line, kOutputHeader)) {
    for (const auto& marker : ErrorMarkers()) {
      if (!Contains(line, marker)) continue;
      if (!error_seen_) error_line_ = std::string(Trim(line.substr(0, kTranscriptLineLength)));
      error_seen_ = true;
    }
  }
  return error_seen_ ? Verdict::kEnd : Verdict::kContinue;
}

void OutputParser::ReadProgress(std::string_view line) {
  ReadFrames(line);
  ReadSize(line);
  ReadDuration(line);
  ReadTime(line);
}

void OutputParser::ReadOutputAudio(std::string_view line) {
  constexpr std::string_view kStream = "Stream #";
  constexpr std::string_view kAudio = ": Audio: ";
  constexpr std::string_view kKbps = " kb/s";
  const std::string_view stream = Trim(line);
  const std::size_t audio = stream.find(kAudio);
  if (stream.substr(0, kStream.size()) != kStream || audio == std::string_view::npos) return;
  std::string_view rest = stream.substr(audio + kAudio.size());
  const std::string_view codec = Trim(rest.substr(0, rest.find(',')));
  if (codec.empty()) return;
  output_audio_codec_ = std::string(codec.substr(0, 64));
  if (rest.size() < kKbps.size() || rest.substr(rest.size() - kKbps.size()) != kKbps) return;
  rest.remove_suffix(kKbps.size());
  const std::size_t comma = rest.rfind(", ");
  if (comma == std::string_view::npos) return;
  const std::string_view number = rest.substr(comma + 2);
  double kbps = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), kbps);
  if (error == std::errc() && end == number.data() + number.size() && kbps > 0 && kbps < 1e6) {
    output_audio_kbps_ = kbps;
  }
}

void OutputParser::ReadFrames(std::string_view line) {
  constexpr std::string_view kFrame = "frame=";
  const std::size_t at = line.find(kFrame);
  if (at == std::string_view::npos) return;
  const std::string_view rest = line.substr(at + kFrame.size());
  const std::size_t blank = rest.find(' ');
  const std::string_view value =
      blank == std::string_view::npos ? std::string_view() : rest.substr(0, blank);
  pending_.frames = std::string(value);
  current_frames_ = std::string(Trim(value));
}

void OutputParser::ReadSize(std::string_view line) {
  const auto value = SizeReading(line);
  if (!value) return;
  pending_.size_panel = texts::Fill(texts::Tr(kOutputSizeText), {*value});
  if (const auto kb = WholeKb(*value)) pending_.size_kb = kb;
  last_size_ = std::string(*value);
}

void OutputParser::ReadDuration(std::string_view line) {
  constexpr std::string_view kDuration = "Duration: ";
  const std::size_t at = line.find(kDuration);
  if (at == std::string_view::npos) return;
  const std::string_view rest = line.substr(at + kDuration.size());
  if (rest.substr(0, 3) == "N/A") {
    // Unknown length: every reading then shows as complete.
    duration_seconds_ = 1;
    return;
  }
  std::string_view field = rest.substr(0, 20);
  field = field.substr(0, field.find(','));
  field = field.substr(0, field.find('.'));
  const std::size_t colon1 = field.find(':');
  if (colon1 == std::string_view::npos) return;
  const std::size_t colon2 = field.find(':', colon1 + 1);
  if (colon2 == std::string_view::npos) return;
  std::string_view hours = field.substr(0, colon1);
  const std::string_view minutes = field.substr(colon1 + 1, colon2 - colon1 - 1);
  const std::string_view seconds = field.substr(colon2 + 1, minutes.size());
  if (hours.size() > 2) hours = "0";
  const auto h = Field(hours);
  const auto m = Field(minutes);
  const auto s = Field(seconds);
  // A field that is not a number leaves the duration as it was.
  if (!h || !m || !s) return;
  const std::int64_t total = *h * 3600 + *m * 60 + *s;
  if (total > std::numeric_limits<std::int32_t>::max()) return;
  duration_seconds_ = static_cast<std::int32_t>(total);
  if (options_.cda_input && duration_seconds_ != 0) {
    pending_.duration =
        std::string(hours) + ":" + std::string(minutes) + ":" + std::string(seconds);
  }
  if (duration_seconds_ == 0) duration_seconds_ = 1;
}

void OutputParser::ReadTime(std::string_view line) {
  const auto text = TimeReading(line);
  if (!text) return;
  progress_mark_ = last_size_ + "|" + std::string(*text);
  if (const auto seconds = PlainSeconds(Trim(*text))) pending_.seconds = seconds;
  const auto percent = PercentOf(Trim(*text), duration_seconds_);
  if (!percent) return;  // not a number, or no duration yet: nothing to show
  pending_.bar = *percent;
  pending_.progress = std::to_string(std::min<std::int64_t>(*percent, 100)) + "%";
}

void OutputParser::ReadLatestProgress(std::string_view block) {
  // Later readings replace earlier ones. From the last line back, find the earliest line that
  // gives a reading no later line gives (the time's mark also takes the size read last before
  // it), then read forward from there, so that the result is that of reading every line.
  bool need_frames = true, need_size = true, need_kb = true, need_time = true;
  bool need_seconds = true, need_size_before_time = false;
  std::size_t from = block.size();
  std::size_t end = block.size();
  while (end > 0 && (need_frames || need_size || need_kb || need_time || need_seconds ||
                     need_size_before_time)) {
    while (end > 0 && (block[end - 1] == '\r' || block[end - 1] == '\n')) --end;
    std::size_t start = end;
    while (start > 0 && block[start - 1] != '\r' && block[start - 1] != '\n') --start;
    const std::string_view line = block.substr(start, end - start);
    bool needed = false;
    if (need_frames && line.find("frame=") != std::string_view::npos) {
      need_frames = false;
      needed = true;
    }
    if (const auto time = TimeReading(line)) {
      if (need_time) {
        need_time = false;
        need_size_before_time = true;
        needed = true;
      }
      if (need_seconds && PlainSeconds(Trim(*time))) {
        need_seconds = false;
        needed = true;
      }
    }
    if (const auto size = SizeReading(line)) {
      if (need_size || need_size_before_time) {
        need_size = need_size_before_time = false;
        needed = true;
      }
      if (need_kb && WholeKb(*size)) {
        need_kb = false;
        needed = true;
      }
    }
    if (needed) from = start;
    end = start;
  }
  LineSplitter::SplitLines(block.substr(from), [&](std::string_view line) {
    ReadFrames(line);
    ReadSize(line);
    ReadTime(line);
    return true;
  });
}

bool OutputParser::ExamineBlock(std::string_view block, Verdict& verdict) {
  auto examine = [&](std::string_view line) {
    verdict = ParseLine(line);
    return verdict == Verdict::kContinue;
  };
  // Progress records alone change nothing but the display: only their latest readings count.
  if (first_line_ != FirstLine::kDone || keep_only_ || MayHoldMoreThanProgress(block)) {
    return LineSplitter::SplitLines(block, examine);
  }
  if (!options_.thumbnail_run) ReadLatestProgress(block);
  // Every line goes to the transcript, which keeps the last of a run of progress records.
  return LineSplitter::SplitLines(block, [&](std::string_view line) {
    Keep(line);
    return true;
  });
}

void OutputParser::Keep(std::string_view line) {
  line = line.substr(0, kTranscriptLineLength);
  if (line.substr(0, 6) == "frame=" || line.substr(0, 5) == "size=") {
    last_progress_.assign(line);
    return;
  }
  if (!last_progress_.empty()) KeepLine(std::move(last_progress_));
  last_progress_.clear();
  KeepLine(std::string(line));
}

void OutputParser::KeepLine(std::string line) {
  if (transcript_.size() == kTranscriptLines) transcript_.pop_front();
  transcript_.push_back(std::move(line));
}

std::vector<std::string> OutputParser::TakeTranscript() {
  if (!last_progress_.empty()) KeepLine(std::move(last_progress_));
  last_progress_.clear();
  std::vector<std::string> lines(std::make_move_iterator(transcript_.begin()),
                                 std::make_move_iterator(transcript_.end()));
  transcript_.clear();
  return lines;
}

std::optional<std::string> OutputParser::TakeProgressMark() {
  auto taken = std::move(progress_mark_);
  progress_mark_.reset();
  return taken;
}

Display OutputParser::TakeDisplay() {
  Display taken = std::move(pending_);
  pending_ = Display();
  return taken;
}

std::optional<std::string> OutputParser::TakeCurrentFrames() {
  auto taken = std::move(current_frames_);
  current_frames_.reset();
  return taken;
}

}  // namespace vidloom
