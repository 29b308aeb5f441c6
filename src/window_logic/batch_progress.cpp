#include "window_logic/batch_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/main_window_layout.h"
#include "texts/language.h"

namespace vidloom {

namespace {

// The time over which a file's speed is taken: long enough to smooth the readings, short enough
// to follow a change of pace.
constexpr std::int64_t kWindowMs = 5000;

}  // namespace

void BatchProgress::Start(std::vector<BatchFile> files, std::int64_t now_ms, int lanes) {
  files_ = std::move(files);
  active_ = true;
  lanes_ = std::max(lanes, 1);
  file_ = -1;
  batch_start_ms_ = now_ms;
  started_.clear();
  double sum = 0;
  int known = 0;
  for (const BatchFile& f : files_) {
    if (f.duration > 0) {
      sum += f.duration;
      ++known;
    }
  }
  mean_known_ = known > 0 ? sum / known : 0;
}

int BatchProgress::NextFile(std::int64_t now_ms) {
  if (lanes_ == 1 && file_ >= 0) started_[static_cast<std::size_t>(file_)].ended = true;
  ++file_;
  started_.push_back(FileState{.start_ms = now_ms});
  return file_;
}

void BatchProgress::FileTime(int file, double seconds, std::int64_t now_ms) {
  if (file < 0 || file > file_ || !std::isfinite(seconds) || seconds < 0) return;
  FileState& f = started_[static_cast<std::size_t>(file)];
  if (seconds < f.seconds) {
    // A retry starts again: so does its speed.
    f.readings.clear();
  }
  f.seconds = seconds;
  f.readings.push_back({now_ms, seconds});
  // Keep one reading older than the window, so that the window is always spanned.
  while (f.readings.size() > 2 && now_ms - f.readings[1].ms >= kWindowMs) {
    f.readings.pop_front();
  }
}

std::optional<double> BatchProgress::Speed(const FileState& f) {
  if (f.readings.size() < 2) return std::nullopt;
  const Reading& first = f.readings.front();
  const Reading& last = f.readings.back();
  if (last.ms <= first.ms || last.seconds <= first.seconds) return std::nullopt;
  return (last.seconds - first.seconds) * 1000 / static_cast<double>(last.ms - first.ms);
}

void BatchProgress::FileEnded(int file) {
  // With one lane a file counts whole once the next one starts.
  if (lanes_ > 1 && file >= 0 && file <= file_)
    started_[static_cast<std::size_t>(file)].ended = true;
}

double BatchProgress::Known(std::size_t file) const {
  return file < files_.size() && files_[file].duration > 0 ? files_[file].duration : 0;
}

double BatchProgress::Expected(std::size_t file) const {
  const double known = Known(file);
  return known > 0 ? known : mean_known_;
}

double BatchProgress::Converted(std::size_t file) const {
  const FileState& f = started_[file];
  return f.ended ? Expected(file) : std::min(f.seconds, Expected(file));
}

double BatchProgress::DoneSeconds() const {
  double done = 0;
  for (std::size_t i = 0; i < started_.size(); ++i) done += Converted(i);
  return done;
}

std::string BatchProgress::PanelText() const {
  const int total = static_cast<int>(files_.size());
  return texts::Fill(
      texts::Tr(kConvertingText),
      {std::to_string(std::clamp(file_ + 1, 1, std::max(total, 1))), std::to_string(total)});
}

std::optional<int> BatchProgress::BatchPercent() const {
  if (!active_ || files_.empty() || file_ < 0) return std::nullopt;
  double total = 0;
  for (std::size_t i = 0; i < files_.size(); ++i) total += Known(i);
  double fraction;
  if (total > 0) {
    double done = 0;
    for (std::size_t i = 0; i < started_.size(); ++i) {
      done += started_[i].ended ? Known(i) : std::min(started_[i].seconds, Known(i));
    }
    fraction = done / total;
  } else {
    // No durations known: the files count alike.
    const auto ended =
        std::count_if(started_.begin(), started_.end(), [](const FileState& f) { return f.ended; });
    fraction = static_cast<double>(ended) / static_cast<double>(files_.size());
  }
  return static_cast<int>(std::clamp(std::floor(fraction * 100), 0.0, 100.0));
}

std::optional<double> BatchProgress::FileLeft(int file, std::int64_t now_ms) const {
  if (file < 0) file = file_;
  if (file < 0 || file > file_) return std::nullopt;
  const FileState& f = started_[static_cast<std::size_t>(file)];
  const double duration = Known(static_cast<std::size_t>(file));
  if (f.ended) return 0.0;
  if (duration <= 0 || f.seconds <= 0) return std::nullopt;
  const double to_go = std::max(0.0, duration - f.seconds);
  if (const auto speed = Speed(f)) {
    // Less the time that has passed since the last reading.
    const double since = static_cast<double>(now_ms - f.readings.back().ms) / 1000;
    return std::max(0.0, to_go / *speed - since);
  }
  // One reading only: the speed since the file began.
  const double elapsed = static_cast<double>(now_ms - f.start_ms) / 1000;
  if (elapsed <= 0) return std::nullopt;
  return to_go * elapsed / f.seconds;
}

std::optional<double> BatchProgress::BatchLeft(std::int64_t now_ms) const {
  if (!active_ || file_ < 0 || mean_known_ <= 0) return std::nullopt;
  const double elapsed = static_cast<double>(now_ms - batch_start_ms_) / 1000;
  const double done = DoneSeconds();
  if (elapsed <= 0 || done <= 0) return std::nullopt;
  // Each lane's pace: the media seconds of every lane together per second of the batch so far,
  // start-up and end of each file included, shared by the lanes.
  const double pace = done / elapsed / lanes_;
  // The files in hand end at their own speed; the others follow in list order on the lane that
  // frees first, so that the last lanes' idle end is counted.
  std::vector<double> lanes;
  for (int i = 0; i <= file_; ++i) {
    const auto file = static_cast<std::size_t>(i);
    const FileState& f = started_[file];
    if (f.ended) continue;
    const auto own = Speed(f) ? FileLeft(i, now_ms) : std::nullopt;
    lanes.push_back(own ? *own : std::max(0.0, Expected(file) - Converted(file)) / pace);
  }
  while (static_cast<int>(lanes.size()) < lanes_) lanes.push_back(0);
  for (std::size_t next = static_cast<std::size_t>(file_) + 1; next < files_.size(); ++next) {
    *std::min_element(lanes.begin(), lanes.end()) += Expected(next) / pace;
  }
  return *std::max_element(lanes.begin(), lanes.end());
}

std::string BatchProgress::FormatTime(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return "--:--";
  const long long whole = std::llround(seconds);
  char text[32];
  if (whole < 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  }
  return text;
}

std::string BatchProgress::TimesText(std::int64_t now_ms) const {
  if (!active_ || file_ < 0) return {};
  const double file_elapsed =
      static_cast<double>(now_ms - started_[static_cast<std::size_t>(file_)].start_ms) / 1000;
  const double batch_elapsed = static_cast<double>(now_ms - batch_start_ms_) / 1000;
  std::string text;
  if (lanes_ > 1) text = files_[static_cast<std::size_t>(file_)].name + " ";
  text += texts::Fill(texts::Tr("%s elapsed, %s left  |  batch %s elapsed, %s left"),
                      {FormatTime(file_elapsed), FormatTime(FileLeft(file_, now_ms).value_or(-1)),
                       FormatTime(batch_elapsed), FormatTime(BatchLeft(now_ms).value_or(-1))});
  return text;
}

std::string SummaryText(const BatchCounts& counts, bool stopped) {
  using texts::Fill;
  using texts::Tr;
  const std::string converted = std::to_string(counts.converted);
  const std::string failed = std::to_string(counts.failed);
  if (stopped) {
    const std::string stopped_count = std::to_string(counts.stopped);
    return counts.failed > 0
               ? Fill(Tr(kConvertedFailedStoppedText), {converted, failed, stopped_count})
               : Fill(Tr("%s converted, %s stopped"), {converted, stopped_count});
  }
  const std::string total = std::to_string(counts.converted + counts.failed + counts.stopped);
  return counts.failed > 0 ? Fill(Tr(kConvertedFailedText), {converted, total, failed})
                           : Fill(Tr("%s of %s converted"), {converted, total});
}

}  // namespace vidloom
