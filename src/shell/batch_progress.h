// Where a batch stands, for the window: "Converting 2 of 5", the elapsed and the remaining time
// of the file in hand and of the whole batch, and the batch's percentage. Pure arithmetic over
// what the batch reports (its files' durations, the encoder's progress time) and the clock's
// milliseconds: no window, no thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vidloom {

class BatchProgress {
 public:
  // A batch begins with `durations`: the media seconds of each file it is to convert, in order
  // (0 or less: unknown), converted `lanes` at a time.
  void Start(std::vector<double> durations, std::int64_t now_ms, int lanes = 1);
  // The next file's turn has come (the first call: the first file); returns its number. With
  // one lane, the file before it has ended.
  int NextFile(std::int64_t now_ms);
  // The encoder has converted `seconds` of the file in hand, or of file `file` (a retry starts
  // again at 0).
  void FileTime(double seconds);
  void FileTime(int file, double seconds);
  // File `file` has ended, whatever way: it counts whole (with one lane, once the next starts).
  void FileEnded(int file);

  bool active() const { return active_; }
  bool side_by_side() const { return lanes_ > 1; }
  void Stop() { active_ = false; }

  // "Converting 2 of 5".
  std::string PanelText() const;
  // "0:12 elapsed, 0:16 left  |  batch 1:10 elapsed, 3:20 left" ("--:--" while not yet known).
  std::string TimesText(std::int64_t now_ms) const;
  // 0..100, or nullopt before anything is known.
  std::optional<int> BatchPercent() const;

  // "m:ss" below an hour, "h:mm:ss" from there; "--:--" for a negative or unknown time.
  static std::string FormatTime(double seconds);

 private:
  double Known(std::size_t file) const;
  // The media seconds converted in the batch so far.
  double DoneSeconds() const;

  double Converted(std::size_t file) const;

  std::vector<double> durations_;
  bool active_ = false;
  int lanes_ = 1;
  int file_ = -1;  // the file in hand: the latest to start
  std::int64_t batch_start_ms_ = 0;
  std::int64_t file_start_ms_ = 0;
  // By file, up to the file in hand: the media seconds converted, and whether it has ended.
  std::vector<double> seconds_;
  std::vector<bool> ended_;
};

// How a batch ended, counted over the rows it was to convert.
struct BatchCounts {
  int converted = 0;
  int failed = 0;
  int stopped = 0;  // aborted, or not reached, because of Stop
};

// What the status bar and the desktop notification say after a batch: "8 of 13 converted, 5
// failed", "13 of 13 converted"; after Stop "3 converted, 1 stopped" (", 2 failed" before the
// stopped count when some failed).
std::string SummaryText(const BatchCounts& counts, bool stopped);

}  // namespace vidloom
