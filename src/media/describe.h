// The description of an opened input that raziz2u prints before it converts, and that the
// program parses for a file's row: "Input #0, <container>, from '<path>':", the duration line and
// one line per stream. One writer, so that the encoder's probe and the reader's shortcut read
// the same words.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace vidloom::media {

// "HH:MM:SS.cc" for microseconds (hundredths truncated; a negative time counts as 0).
std::string FormatDuration(int64_t microseconds);
// "25.00" for a rate in frames per second (two decimals).
std::string FormatRate(double frames_per_second);
// The path with control characters as '?': a path is printed between quotes on one line, and a
// line break inside it would start a line that the reader examines for failure markers.
std::string PrintablePath(const std::string& path);
// "stereo", "5.1", ...; "unknown" when the layout has no name.
std::string ChannelLayoutName(const AVChannelLayout& layout);
// The stream's average frame rate, else its base rate; 0/1 when neither is known.
AVRational StreamRate(const AVStream* stream);

// Every line of the description, each ending with "\n". `path` is the input as named.
std::string DescribeInput(const AVFormatContext& input, const std::string& path);

}  // namespace vidloom::media
