// The text slots from which an encoder command line is joined, and what a format's command
// template makes of them.
#pragma once

#include <string>

namespace vidloom {

// The complete command line of one encoder run.
using EncoderCommand = std::string;

// Filled completely by every BuildEncoderCommand. Every non-empty option fragment begins with a
// blank, so a template joins slots without separators.
struct CommandSlots {
  std::string CommandHead;  // `"<dir>raziz2u" -@ -y  -i "` (+ `DS:\\`), ends inside a quote
  std::string InputPart;    // quoted input path body and the closing quote
  std::string VideoCodecOption;
  std::string SizeOption;  // size fragment or its letterbox replacement
  std::string VideoBitrateOption;
  std::string FrameRateOption;
  std::string AudioBitrateOption;
  std::string ChannelsOption;  // channels fragment + mute option + volume option
  std::string SampleRateOption;
  std::string OutputPart;  // ` "<output path>"`
};

// The result of a format's command template.
struct FormatCommand {
  EncoderCommand command;
  bool thumbnail_wanted = false;  // the PSP templates ask for a thumbnail run after the video run
};

}  // namespace vidloom
