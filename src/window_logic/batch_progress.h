// Where a batch stands, for the window: "Converting 2 of 5", the elapsed and the remaining time
// of the file in hand and of the whole batch, and the batch's percentage. Pure arithmetic over
// what the batch reports (its files' durations, the encoder's progress time) and the clock's
// milliseconds: no window, no thread.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vidloom {

// One file of a batch, as the batch begins.
struct BatchFile {
  double duration = 0;    // media seconds; 0 or less: unknown
  std::string name = {};  // shown when several files convert at once
};

class BatchProgress {
 public:
  // A batch begins with `files` in order, converted `lanes` at a time.
  void Start(std::vector<BatchFile> files, std::int64_t now_ms, int lanes = 1);
  // The next file's turn has come (the first call: the first file); returns its number. With
  // one lane, the file before it has ended.
  int NextFile(std::int64_t now_ms);
  // The encoder has converted `seconds` of file `file` by `now_ms` (a retry starts again at 0).
  void FileTime(int file, double seconds, std::int64_t now_ms);
  // File `file` has ended, whatever way: it counts whole (with one lane, once the next starts).
  void FileEnded(int file);

  bool active() const { return active_; }
  bool side_by_side() const { return lanes_ > 1; }
  void Stop() { active_ = false; }

  // "Converting 2 of 5".
  std::string PanelText() const;
  // "0:12 elapsed, 0:16 left  |  batch 1:10 elapsed, 3:20 left" ("--:--" while not yet known);
  // with several files at once the file half names its file: "clip.avi 0:12 elapsed, ...".
  std::string TimesText(std::int64_t now_ms) const;
  // 0..100, or nullopt before anything is known.
  std::optional<int> BatchPercent() const;

  // The seconds left of file `file` (the latest to start when -1) and of the batch, at the
  // speed seen so far: a file's own speed, smoothed over the last seconds, from its first
  // progress on; the batch's media seconds per second of all its lanes together, taking each
  // file of unknown length as long as the known ones on average. The batch cannot end before
  // the files that convert now. nullopt while not known.
  std::optional<double> FileLeft(int file, std::int64_t now_ms) const;
  std::optional<double> BatchLeft(std::int64_t now_ms) const;

  // "m:ss" below an hour, "h:mm:ss" from there; "--:--" for a negative or unknown time.
  static std::string FormatTime(double seconds);

 private:
  struct Reading {
    std::int64_t ms;
    double seconds;
  };
  struct FileState {
    std::int64_t start_ms = 0;
    double seconds = 0;  // media seconds converted
    // The readings of the last kWindowMs (and the one before them): the speed is taken over
    // them, so that it follows the encoder without jumping with each reading.
    std::deque<Reading> readings = {};
    bool ended = false;
  };
  // The file's media seconds per second over its recent readings; nullopt before two.
  static std::optional<double> Speed(const FileState& f);
  double Known(std::size_t file) const;
  // A file's length for the batch's sums: known, else the known ones' average (0 without any).
  double Expected(std::size_t file) const;
  double Converted(std::size_t file) const;
  // The media seconds converted in the batch so far.
  double DoneSeconds() const;

  std::vector<BatchFile> files_;
  bool active_ = false;
  int lanes_ = 1;
  int file_ = -1;  // the latest file to start
  std::int64_t batch_start_ms_ = 0;
  double mean_known_ = 0;
  std::vector<FileState> started_;  // by file, up to the latest to start
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
