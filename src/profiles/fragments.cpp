#include "profiles/fragments.h"

#include <charconv>

#include "profiles/option_values.h"
#include "profiles/text_rules.h"

namespace vidloom {

using text::LowerAscii;
using text::Pos;
using text::Trim;

namespace {

// The frame the size option names: the fallback while the row's "Video Size" has no "x" (a file
// that was not understood), else the chosen size's value; none for an empty selector.
std::optional<std::string_view> ChosenSizeValue(const ConversionChoices& choices,
                                                std::string_view video_size) {
  const std::string cell = LowerAscii(video_size);
  if (Pos(Trim(cell), 'x') == 0) return kFallbackFrameSize;
  if (!choices.video_size.value) return std::nullopt;
  return *choices.video_size.value;
}

}  // namespace

std::string VideoCodecFragment(const ConversionChoices& choices) {
  return " -vcodec \"" + choices.video_codec.value.value_or("") + "\" ";
}

std::string SizeFragment(const ConversionChoices& choices, std::string_view video_size) {
  const auto value = ChosenSizeValue(choices, video_size);
  if (!value) return {};
  return std::string(" -s ") += *value;
}

std::optional<std::pair<int, int>> ChosenFrameSize(const ConversionChoices& choices,
                                                   std::string_view video_size) {
  const auto chosen = ChosenSizeValue(choices, video_size);
  if (!chosen) return std::nullopt;
  const std::string_view value = *chosen;
  const std::size_t x = value.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  int width = 0;
  int height = 0;
  const char* end = value.data() + value.size();
  const auto [width_end, width_error] = std::from_chars(value.data(), value.data() + x, width);
  const auto [height_end, height_error] = std::from_chars(value.data() + x + 1, end, height);
  if (width_error != std::errc() || width_end != value.data() + x || height_error != std::errc() ||
      height_end != end) {
    return std::nullopt;
  }
  return std::pair{width, height};
}

std::string VideoBitrateFragment(const ConversionChoices& choices) {
  if (!choices.video_bitrate.value) return {};
  return " -b \"" + *choices.video_bitrate.value + '"';
}

std::string FrameRateFragment(const ConversionChoices& choices) {
  if (!choices.frame_rate.value) return " ";  // "Auto"
  if (choices.frame_rate.value->empty()) return {};
  return " -r \"" + *choices.frame_rate.value + "\" ";
}

std::string AudioBitrateFragment(const ConversionChoices& choices) {
  if (!choices.frame_rate.value) return " ";  // no audio bitrate option while the rate is "Auto"
  if (!choices.audio_bitrate.value) return {};
  return " -ab \"" + *choices.audio_bitrate.value + '"';
}

std::optional<double> ChosenAudioKbps(const ConversionChoices& choices) {
  if (!choices.audio_bitrate.value) return std::nullopt;
  const std::string_view value = Trim(*choices.audio_bitrate.value);
  double kbps = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), kbps);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || kbps <= 0) {
    return std::nullopt;
  }
  return kbps;
}

std::string ChannelsFragment(const ConversionChoices& choices) {
  switch (choices.audio_channel.row) {
    case 0:
      return " -ac \"2 (stereo)\"";
    case 1:
      return " -ac \"1 (mono)\"";
    default:
      return {};
  }
}

std::string SampleRateFragment(const ConversionChoices& choices) {
  if (!choices.sampling_rate.value) return {};  // "Auto"
  return " -ar \"" + *choices.sampling_rate.value + '"';
}

}  // namespace vidloom
