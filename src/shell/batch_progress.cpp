#include "shell/batch_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vidloom {

void BatchProgress::Start(std::vector<double> durations, std::int64_t now_ms, int lanes) {
  durations_ = std::move(durations);
  active_ = true;
  lanes_ = std::max(lanes, 1);
  file_ = -1;
  batch_start_ms_ = now_ms;
  file_start_ms_ = now_ms;
  seconds_.clear();
  ended_.clear();
}

int BatchProgress::NextFile(std::int64_t now_ms) {
  if (lanes_ == 1 && file_ >= 0) ended_[static_cast<std::size_t>(file_)] = true;
  ++file_;
  file_start_ms_ = now_ms;
  seconds_.push_back(0);
  ended_.push_back(false);
  return file_;
}

void BatchProgress::FileTime(double seconds) {
  FileTime(file_, seconds);
}

void BatchProgress::FileTime(int file, double seconds) {
  if (file < 0 || file > file_) return;
  if (std::isfinite(seconds) && seconds >= 0) seconds_[static_cast<std::size_t>(file)] = seconds;
}

void BatchProgress::FileEnded(int file) {
  // With one lane a file counts whole once the next one starts.
  if (lanes_ > 1 && file >= 0 && file <= file_) ended_[static_cast<std::size_t>(file)] = true;
}

double BatchProgress::Known(std::size_t file) const {
  return file < durations_.size() && durations_[file] > 0 ? durations_[file] : 0;
}

double BatchProgress::Converted(std::size_t file) const {
  return ended_[file] ? Known(file) : std::min(seconds_[file], Known(file));
}

double BatchProgress::DoneSeconds() const {
  double done = 0;
  for (std::size_t i = 0; i < seconds_.size(); ++i) done += Converted(i);
  return done;
}

std::string BatchProgress::PanelText() const {
  const int total = static_cast<int>(durations_.size());
  return "Converting " + std::to_string(std::clamp(file_ + 1, 1, std::max(total, 1))) + " of " +
         std::to_string(total);
}

std::optional<int> BatchProgress::BatchPercent() const {
  if (!active_ || durations_.empty() || file_ < 0) return std::nullopt;
  const double total = [&] {
    double sum = 0;
    for (std::size_t i = 0; i < durations_.size(); ++i) sum += Known(i);
    return sum;
  }();
  double fraction;
  if (total > 0) {
    fraction = DoneSeconds() / total;
  } else {
    // No durations known: the files count alike.
    const auto ended = std::count(ended_.begin(), ended_.end(), true);
    fraction = static_cast<double>(ended) / static_cast<double>(durations_.size());
  }
  return static_cast<int>(std::clamp(std::floor(fraction * 100), 0.0, 100.0));
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
  const double file_elapsed = static_cast<double>(now_ms - file_start_ms_) / 1000;
  const double batch_elapsed = static_cast<double>(now_ms - batch_start_ms_) / 1000;
  // What is left, at the speed seen so far (media seconds per second of the clock).
  double file_left = -1;
  const double duration = Known(static_cast<std::size_t>(file_));
  const double file_seconds = seconds_[static_cast<std::size_t>(file_)];
  if (duration > 0 && file_seconds > 0 && file_elapsed > 0) {
    file_left = std::max(0.0, duration - file_seconds) * file_elapsed / file_seconds;
  }
  double batch_left = -1;
  const double done = DoneSeconds();
  double total = 0;
  bool all_known = true;
  for (std::size_t i = 0; i < durations_.size(); ++i) {
    total += Known(i);
    if (Known(i) == 0) all_known = false;
  }
  if (all_known && done > 0 && batch_elapsed > 0) {
    batch_left = std::max(0.0, total - done) * batch_elapsed / done;
  }
  return FormatTime(file_elapsed) + " elapsed, " + FormatTime(file_left) + " left  |  batch " +
         FormatTime(batch_elapsed) + " elapsed, " + FormatTime(batch_left) + " left";
}

std::string SummaryText(const BatchCounts& counts, bool stopped) {
  std::string text = std::to_string(counts.converted);
  if (!stopped) {
    text += " of " + std::to_string(counts.converted + counts.failed + counts.stopped);
  }
  text += " converted";
  if (counts.failed > 0) text += ", " + std::to_string(counts.failed) + " failed";
  if (stopped) text += ", " + std::to_string(counts.stopped) + " stopped";
  return text;
}

}  // namespace vidloom
