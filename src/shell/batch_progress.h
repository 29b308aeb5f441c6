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
  // (0 or less: unknown).
  void Start(std::vector<double> durations, std::int64_t now_ms);
  // The next file's turn has come (the first call: the first file).
  void NextFile(std::int64_t now_ms);
  // The encoder has converted `seconds` of the file in hand (a retry starts again at 0).
  void FileTime(double seconds);

  bool active() const { return active_; }
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

  std::vector<double> durations_;
  bool active_ = false;
  int file_ = -1;  // the file in hand
  std::int64_t batch_start_ms_ = 0;
  std::int64_t file_start_ms_ = 0;
  double file_seconds_ = 0;
};

}  // namespace vidloom
