// The filter-graph descriptions of a conversion, as libavfilter parses them: the arguments of
// each path's source ("buffer", "abuffer", "anullsrc") and the chain between source and sink.
#pragma once

#include <optional>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

#include "media/display.h"
#include "stream_rules.h"

namespace raziz2u {

// "30000/1001".
std::string RationalText(AVRational r);

// The filters that turn the stored picture upright ("transpose=clock,", "hflip,vflip,"), each
// followed by a comma; empty when it is upright already.
std::string UprightFilters(const vidloom::media::Upright& upright);

// The video source: the decoded frames' size, pixel format name, time base and pixel aspect.
std::string VideoSourceArgs(int width, int height, const std::string& pixel_format,
                            AVRational time_base, AVRational pixel_aspect);
// Upright, the output rate (not for a thumbnail, which is one picture), scaled to the picture
// with the output's pixel aspect, the bars around it in black, in the encoder's pixel format.
std::string VideoChain(const VideoFrame& frame, const vidloom::media::Upright& upright,
                       bool thumbnail, const std::string& pixel_format);

// The audio source: the decoded samples' time base, rate, sample format and layout names.
std::string AudioSourceArgs(AVRational time_base, int sample_rate, const std::string& sample_format,
                            const std::string& layout);
// The gain of -vol_factor (factor / 50), then resampled to the encoder's rate, sample format
// and layout.
std::string AudioChain(std::optional<double> volume_factor, int sample_rate,
                       const std::string& sample_format, const std::string& layout);

// Generated silence in frames of `frame_samples`, in the encoder's sample format.
std::string SilenceSourceArgs(int sample_rate, const std::string& layout, int frame_samples);
std::string SilenceChain(const std::string& sample_format);

}  // namespace raziz2u
