// The analysis of one file as "Add Files" does it: the media-information reader first, the
// encoder's probe when the reader finds no frame size.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "analysis/file_list.h"
#include "analysis/video_info.h"

namespace vidloom::analysis {

// The reader as the analysis uses it: the values of one file; unknown values as VideoInfo
// reports them.
using VideoInfoReader = std::function<VideoInfoValues(const std::string& path)>;

struct AnalyseOptions {
  // The encoder that probes files the reader cannot describe; empty: the program directory's.
  std::string encoder_path;
  // Empty: VideoInfo (libavformat).
  VideoInfoReader read_video_info = {};
  // Called while a probe waits for the encoder (the UI thread's pump).
  std::function<void()> pump = {};
  // Set from any thread: the reader stops and a probe still running ends its own encoder; the
  // file gets no row.
  const std::atomic<bool>* cancel = nullptr;
  // A file the reader opened without finding a video stream gets the probe's row from the
  // reader's description of it (the encoder's own words), without starting the encoder.
  bool probe_in_process = true;
};

// Analyses one file as "Add Files" does: the reader's size, rounded frame rate and duration (an
// empty duration for ".cda" files); when the reader finds no frame size (and the file is not a
// ".cda" file) the encoder's probe decides (in process when the reader could describe the file
// as the encoder does), plain first and prefixed after a rejection: its
// values, or "Unknown" with empty frame rate and duration when it rejected both times. Returns
// nullopt when the file gets no row because the encoder could not be started.
std::optional<RowTexts> AnalyseFile(const std::string& path, const AnalyseOptions& options);

}  // namespace vidloom::analysis
