// The choices' values (option_values.h) as encoder option fragments. Each fragment that is not
// empty begins with one blank; the blanks and quotes are part of the command line's form. The
// operations read the values alone (and, for the size, the row's "Video Size").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "profiles/choices.h"

namespace vidloom {

// ` -vcodec "<codec>" ` from ComboVideoCodec, lower-cased and trimmed (ends in a blank).
std::string VideoCodecFragment(const ConversionChoices& choices);
// " -s WxH" from ComboVideoSize; " -s 176x144" when the row's "Video Size" (`video_size`) has no
// "x" or the item has a side "0"; empty for an empty size selector.
std::string SizeFragment(const ConversionChoices& choices, std::string_view video_size);
// The frame SizeFragment names, as numbers (width, height); none when it names none or its value
// is not two whole numbers.
std::optional<std::pair<int, int>> ChosenFrameSize(const ConversionChoices& choices,
                                                   std::string_view video_size);
// ` -b "<n>"` from ComboVideoBitrate ("768 Kbps" -> 768); empty for an empty selector.
std::string VideoBitrateFragment(const ConversionChoices& choices);
// ` -r "<n>" ` from ComboVideoFramerate; " " for "Auto"; empty without " fps".
std::string FrameRateFragment(const ConversionChoices& choices);
// ` -ab "<n>"` from ComboAudioBitrate; " " (no audio bitrate option) while the frame rate is
// "Auto"; empty for an empty selector.
std::string AudioBitrateFragment(const ConversionChoices& choices);
// The audio bit rate chosen in ComboAudioBitrate, in kbit/s ("48 Kbps" -> 48); none for an
// empty selector or an item without a number.
std::optional<double> ChosenAudioKbps(const ConversionChoices& choices);
// ` -ac "2 (stereo)"` for row 0 of ComboAudioChannel, ` -ac "1 (mono)"` for row 1, else empty.
std::string ChannelsFragment(const ConversionChoices& choices);
// ` -ar "<n>"` from ComboSamplingRate, keeping all but the last blank before "Hz"; empty for
// "Auto"; ` -ar ""` for an empty selector.
std::string SampleRateFragment(const ConversionChoices& choices);

}  // namespace vidloom
