// The option lists as data: each item a selector shows, with the value the encoder is given for
// it. The values follow the text rules once, when an item is chosen ("768 Kbps" -> "768",
// "8000  Hz" -> "8000 ", "176 x 144 (QCIF)" -> "176x144", "Auto" -> no option); the command is
// then assembled from values alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/catalogue.h"

namespace vidloom {

// The frame a size option falls back to: for a side "0", and for a row whose size is not known.
inline constexpr std::string_view kFallbackFrameSize = "176x144";

// The option selectors whose items carry a value (the channels are chosen by row).
enum class OptionList {
  kVideoCodec,
  kVideoSize,
  kVideoBitrate,
  kFrameRate,
  kAudioBitrate,
  kSamplingRate
};

// The value the encoder is given for item `text` of `list`; none when the item gives no option:
//   video codec    lower case, without surrounding blanks ("XVID" -> "xvid"; always a value);
//   video size     "W x H (NOTE)" without the note and the blanks ("176x144"), "176x144" for a
//                  side "0"; none for an empty item;
//   video bitrate  the number in front of " Kbps"; none for an empty item;
//   frame rate     the text before " fps" (empty when there is none); none for "Auto", which
//                  leaves the input's rate and gives no audio bitrate either;
//   audio bitrate  the number in front of " Kbps"; none for an empty item;
//   sampling rate  the text before the last blank in front of "Hz" ("8000  Hz" -> "8000 ");
//                  none for "Auto".
std::optional<std::string> OptionValue(OptionList list, std::string_view text);

struct OptionItem {
  std::string text;
  std::optional<std::string> value;
  bool operator==(const OptionItem&) const = default;
};

// The items a format's profile puts in the selector of `list`, with their values; empty when
// the profile leaves that selector as the previous format left it.
std::vector<OptionItem> OptionItemsOf(const OutputFormat& format, OptionList list);

// The items of a list as a profile writes them ("a|b|c").
std::vector<std::string> ListItems(std::string_view items);

}  // namespace vidloom
