#include "profiles/option_values.h"

#include "profiles/text_rules.h"
#include "texts/language.h"

namespace vidloom {

using text::FirstChars;
using text::LowerAscii;
using text::Pos;
using text::Trim;

namespace {

// The item of the frame rate and sampling rate lists that leaves the value to the encoder.
constexpr std::string_view kAutoItem = N_("Auto");

// The number in front of " Kbps": the first k - 2 characters, k the position of the first "K".
std::string KbpsValue(std::string_view s) {
  return std::string(FirstChars(s, Pos(s, 'K') - 2));
}

std::optional<std::string> SizeValue(std::string_view text) {
  const std::string lower = LowerAscii(text);
  std::string_view size = Trim(lower);
  // "176 x 144 (QCIF)": drop the bracketed note and the blank in front of it.
  if (const long long p = Pos(size, '('); p > 0) size = FirstChars(size, p - 2);
  std::string compact = text::WithoutBlanks(size);
  const long long x = Pos(compact, 'x');
  const std::string_view whole = compact;
  if (FirstChars(whole, x - 1) == "0" || whole.substr(static_cast<std::size_t>(x)) == "0") {
    compact = kFallbackFrameSize;
  }
  if (compact.empty()) return std::nullopt;
  return compact;
}

const SelectorFill& FillOf(const FormatProfile& profile, OptionList list) {
  switch (list) {
    case OptionList::kVideoCodec:
      return profile.VideoCodecs;
    case OptionList::kVideoSize:
      return profile.Sizes;
    case OptionList::kVideoBitrate:
      return profile.VideoBitrates;
    case OptionList::kFrameRate:
      return profile.FrameRates;
    case OptionList::kAudioBitrate:
      return profile.AudioBitrates;
    case OptionList::kSamplingRate:
      break;
  }
  return profile.SamplingRates;
}

}  // namespace

std::optional<std::string> OptionValue(OptionList list, std::string_view text) {
  switch (list) {
    case OptionList::kVideoCodec:
      return std::string(Trim(LowerAscii(text)));
    case OptionList::kVideoSize:
      return SizeValue(text);
    case OptionList::kVideoBitrate:
      if (Trim(text).empty()) return std::nullopt;
      return KbpsValue(Trim(text));
    case OptionList::kFrameRate: {
      const std::string_view rate = Trim(text);
      if (rate == kAutoItem) return std::nullopt;
      return std::string(FirstChars(rate, Pos(rate, " fps") - 1));
    }
    case OptionList::kAudioBitrate:
      if (text.empty()) return std::nullopt;
      return KbpsValue(text);
    case OptionList::kSamplingRate:
      if (text == kAutoItem) return std::nullopt;
      return std::string(FirstChars(text, Pos(text, 'H') - 2));
  }
  return std::nullopt;
}

std::vector<OptionItem> OptionItemsOf(const OutputFormat& format, OptionList list) {
  std::vector<OptionItem> items;
  const SelectorFill& fill = FillOf(format.Profile, list);
  if (fill.KeepItemsSelectRow) return items;
  for (std::string& text : ListItems(fill.Items)) {
    std::optional<std::string> value = OptionValue(list, text);
    items.push_back({std::move(text), std::move(value)});
  }
  return items;
}

std::vector<std::string> ListItems(std::string_view items) {
  std::vector<std::string> texts;
  for (std::string_view rest = items; !rest.empty();) {
    const std::size_t bar = rest.find('|');
    texts.emplace_back(rest.substr(0, bar));
    rest.remove_prefix(bar == std::string_view::npos ? rest.size() : bar + 1);
  }
  return texts;
}

}  // namespace vidloom
