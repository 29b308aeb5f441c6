#include "profiles/fragments.h"

#include <charconv>

#include "profiles/text_rules.h"

namespace vidloom {

using text::FirstChars;
using text::LowerAscii;
using text::Pos;
using text::Trim;

namespace {

constexpr std::string_view kFallbackSize = "176x144";

// The number in front of " Kbps": the first k - 2 characters, k the position of the first "K".
std::string_view KbpsValue(std::string_view s) {
  return FirstChars(s, Pos(s, 'K') - 2);
}

}  // namespace

std::string VideoCodecFragment(const ConversionChoices& choices) {
  const std::string lower = LowerAscii(choices.video_codec.text);
  std::string out = " -vcodec \"";
  out += Trim(lower);
  out += "\" ";
  return out;
}

std::string SizeFragment(const ConversionChoices& choices, std::string_view video_size) {
  const std::string cell = LowerAscii(video_size);
  if (Pos(Trim(cell), 'x') == 0) return std::string(" -s ") += kFallbackSize;

  const std::string lower = LowerAscii(choices.video_size.text);
  std::string_view size = Trim(lower);
  // "176 x 144 (QCIF)": drop the bracketed note and the blank in front of it.
  if (const long long p = Pos(size, '('); p > 0) size = FirstChars(size, p - 2);
  std::string compact = text::WithoutBlanks(size);

  const long long x = Pos(compact, 'x');
  const std::string_view whole = compact;
  const std::string_view before = FirstChars(whole, x - 1);
  const std::string_view after = whole.substr(static_cast<std::size_t>(x));
  if (before == "0" || after == "0") compact = kFallbackSize;

  if (compact.empty()) return {};
  return " -s " + compact;
}

std::string VideoBitrateFragment(const ConversionChoices& choices) {
  const std::string_view rate = Trim(choices.video_bitrate.text);
  if (rate.empty()) return {};
  std::string out = " -b \"";
  out += KbpsValue(rate);
  out += '"';
  return out;
}

std::string FrameRateFragment(const ConversionChoices& choices) {
  const std::string_view rate = Trim(choices.frame_rate.text);
  if (rate == "Auto") return " ";
  const std::string_view value = FirstChars(rate, Pos(rate, " fps") - 1);
  if (value.empty()) return {};
  std::string out = " -r \"";
  out += value;
  out += "\" ";
  return out;
}

std::string AudioBitrateFragment(const ConversionChoices& choices) {
  if (Trim(choices.frame_rate.text) == "Auto") return " ";
  const std::string& rate = choices.audio_bitrate.text;
  if (rate.empty()) return {};
  std::string out = " -ab \"";
  out += KbpsValue(rate);
  out += '"';
  return out;
}

std::optional<double> ChosenAudioKbps(const ConversionChoices& choices) {
  const std::string_view value = Trim(KbpsValue(choices.audio_bitrate.text));
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
  const std::string& rate = choices.sampling_rate.text;
  if (rate == "Auto") return {};
  std::string out = " -ar \"";
  out += FirstChars(rate, Pos(rate, 'H') - 2);
  out += '"';
  return out;
}

}  // namespace vidloom
