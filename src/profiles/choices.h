// The window's choices that a row's encoder command is made of, as one value. The window gives
// them when a row's turn comes (window_choices.h); the command assembly reads nothing else of
// the window, so it runs on any thread.
#pragma once

#include <optional>
#include <string>

namespace vidloom {

// One selector's choice: its selected row (-1: none), that row's text (empty for none) and the
// value the encoder is given for it (option_values.h; none: no option).
struct Choice {
  int row = -1;
  std::string text = {};
  std::optional<std::string> value = {};
};

struct ConversionChoices {
  std::string format = {};  // ComboOutputFormat's text: the catalogue entry, looked up exactly
  Choice video_codec = {};
  Choice video_size = {};
  Choice video_bitrate = {};
  Choice frame_rate = {};
  Choice audio_bitrate = {};
  Choice audio_channel = {};
  Choice sampling_rate = {};
  Choice letterbox = {};
  std::string profile_tag = {};       // "psp" while a PSP or PS3 entry is applied
  std::string volume_factor = "50";   // "50" leaves the volume as it is
  std::string output_directory = {};  // OutputFolder's text, as shown
  bool overwrite = false;             // CheckBoxOverWrite
  bool keep_folders = false;          // CheckBoxKeepFolders
};

}  // namespace vidloom
