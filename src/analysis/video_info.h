// The media-information reader: frame size, frame rate and duration of a local media file, read
// with libavformat. It reports no error of its own: whatever it cannot find reads as unknown
// (0, 0, 0 and "0").
#pragma once

#include <atomic>
#include <string>

namespace vidloom::analysis {

struct VideoInfoValues {
  int width = 0;          // frame width of the video, 0 when unknown
  int height = 0;         // frame height of the video, 0 when unknown
  double frame_rate = 0;  // frames per second of the video, 0 when unknown
  // "MM:SS" below one hour, "HH:MM:SS" from one hour on (two digits each, whole seconds);
  // "0" when unknown.
  std::string duration = "0";
  // The size the video is shown at (turned upright, its pixel aspect applied); 0 when unknown.
  int display_width = 0;
  int display_height = 0;
  // For a file without a video stream, opened as the encoder opens it: the description the
  // encoder's probe would print (media::DescribeInput), so that no encoder need be started to
  // learn it. Empty otherwise: for a video, for a file the reader could not open, and for the
  // containers whose streams the encoder looks for longer (FLV, MPEG program and transport
  // streams).
  std::string encoder_description = {};
};

// Bounds of one analysis. Reading stops at whichever comes first.
struct VideoInfoLimits {
  int timeout_ms = 10'000;                    // wall-clock deadline of the whole analysis
  long long probe_size = 5'000'000;           // bytes read to find the streams
  long long analyze_duration_us = 5'000'000;  // media time read to find the streams
  const std::atomic<bool>* cancel = nullptr;  // set (from any thread): the analysis ends now
};

// The duration text for `seconds`: "MM:SS" below one hour, "HH:MM:SS" otherwise; "0" for a
// negative, non-finite or unknown duration. Fractions of a second are dropped.
std::string FormatReaderDuration(double seconds);

// Reads the values of the file at `path`. Only a local regular file in a real media container is
// read (the path is always taken as a file name, never as a URL or another protocol; pipes,
// devices, playlists, text and image sequences read as unknown). FFmpeg's log is silenced.
VideoInfoValues ReadVideoInfo(const std::string& path, const VideoInfoLimits& limits = {});

// The reader as the file list uses it: set FileName, run Analyze(), read the values.
class VideoInfo {
 public:
  std::string FileName;
  VideoInfoLimits limits;

  void Analyze() { values_ = ReadVideoInfo(FileName, limits); }

  int VideoWidth() const { return values_.width; }
  int VideoHeight() const { return values_.height; }
  double VideoFrameRate() const { return values_.frame_rate; }
  const std::string& VideoDuration() const { return values_.duration; }
  const VideoInfoValues& values() const { return values_; }

 private:
  VideoInfoValues values_;
};

}  // namespace vidloom::analysis
