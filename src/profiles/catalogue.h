// The output format catalogue: the twelve entries of the format list, looked up by the exact
// text of the selected row, each one table row: its extension, video flag, the lists and
// defaults of its profile and its command line; and the format list with its separator rows.
// (The window's selectors are filled from it in format_selectors.h.)
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/command_slots.h"
#include "profiles/window_state.h"

namespace vidloom {

// What a profile does to one option selector. By default it sets the items (separated by '|';
// none leaves the selector empty) and selects `Selected` by its text, then `ThenSelected` when
// that is not empty (an entry's own choice over its family's default). With `KeepItemsSelectRow`
// the items stay as the previous entry left them and that row is selected (none when the list
// is shorter).
struct SelectorFill {
  std::string_view Items = {};
  std::string_view Selected = {};
  std::string_view ThenSelected = {};
  std::optional<int> KeepItemsSelectRow = {};
};

// The lists and defaults an entry gives the option selectors, applied in this order.
struct FormatProfile {
  std::string_view ProfileTag = {};  // written to WindowState::ProfileTag when not empty
  SelectorFill VideoCodecs = {};
  SelectorFill AudioCodecs = {};
  SelectorFill Sizes = {};
  SelectorFill VideoBitrates = {};
  SelectorFill FrameRates = {};
  SelectorFill AudioBitrates = {};
  SelectorFill SamplingRates = {};
  std::optional<int> LetterBoxRow = {};  // selected when set, else left alone
  std::optional<int> ChannelRow = {};
};

// An entry of ComboOutputFormat. `Command` is the encoder command line with the slots named in
// braces: {head} {input} {vcodec} {size} {vbitrate} {rate} {abitrate} {channels} {srate}
// {output}, and {title} for the quoted title; everything else is copied as it stands.
struct OutputFormat {
  std::string_view DisplayName = {};  // exact text in ComboOutputFormat; the lookup key
  std::string_view ShortName = {};    // lower case, unique: how vidloom-cli also names it
  std::string_view Extension = {};    // upper case, without the dot
  bool IsVideo = true;
  FormatProfile Profile = {};
  std::string_view Command = {};
  bool ThumbnailWanted = false;  // a thumbnail run follows the video run
};

inline constexpr std::size_t kFormatCount = 12;
extern const std::array<OutputFormat, kFormatCount> FormatCatalogue;

// 14 blanks and 53 hyphens. A row whose first two characters are blanks is a separator.
inline constexpr std::string_view kSeparatorRow =
    "              -----------------------------------------------------";
bool IsSeparatorRow(std::string_view text);

// The 16 rows of the format list: the entries in catalogue order with four separators.
inline constexpr std::size_t kFormatListRows = 16;
const std::array<std::string_view, kFormatListRows>& FormatListRows();

// The entry whose DisplayName equals `text` exactly (case and blanks count), or null.
const OutputFormat* FindFormat(std::string_view text);
// The entries `name` stands for, ASCII case ignored: the one of that short name, otherwise every
// entry of that extension (several for "mp4"); none when it names neither.
std::vector<const OutputFormat*> FormatsNamed(std::string_view name);
// The command template of the entry whose text is `format` applied to `slots`; nullopt when
// no entry has that text.
std::optional<FormatCommand> BuildFormatCommand(std::string_view format, const CommandSlots& slots,
                                                std::string_view title);

}  // namespace vidloom
