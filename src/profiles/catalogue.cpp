#include "profiles/catalogue.h"

#include <algorithm>
#include <utility>

#include "platform/command_line.h"
#include "profiles/volume.h"
#include "texts/language.h"

namespace vidloom {

static_assert(kSeparatorRow.size() == 67);
static_assert(kSeparatorRow.find_first_not_of(' ') == 14);

namespace {

// The braced names of a command and the slots they stand for; {title} is handled apart.
constexpr std::pair<std::string_view, std::string CommandSlots::*> kSlotNames[] = {
    {"head", &CommandSlots::CommandHead},
    {"input", &CommandSlots::InputPart},
    {"vcodec", &CommandSlots::VideoCodecOption},
    {"size", &CommandSlots::SizeOption},
    {"vbitrate", &CommandSlots::VideoBitrateOption},
    {"rate", &CommandSlots::FrameRateOption},
    {"abitrate", &CommandSlots::AudioBitrateOption},
    {"channels", &CommandSlots::ChannelsOption},
    {"srate", &CommandSlots::SampleRateOption},
    {"output", &CommandSlots::OutputPart},
};
constexpr std::string_view kTitleName = "title";

// Every brace opens a known name and is closed.
constexpr bool IsValidCommand(std::string_view command) {
  for (std::size_t open = command.find('{'); open != std::string_view::npos;
       open = command.find('{', open + 1)) {
    const std::size_t close = command.find('}', open);
    if (close == std::string_view::npos) return false;
    const std::string_view name = command.substr(open + 1, close - open - 1);
    if (name != kTitleName &&
        std::ranges::none_of(kSlotNames, [&](const auto& slot) { return slot.first == name; })) {
      return false;
    }
  }
  return true;
}

// Copies the row's command, each braced name replaced by its slot.
FormatCommand JoinCommand(const OutputFormat& format, const CommandSlots& slots,
                          std::string_view title) {
  FormatCommand out;
  out.thumbnail_wanted = format.ThumbnailWanted;
  std::string& c = out.command;
  c.reserve(320);
  std::string_view rest = format.Command;
  for (std::size_t open = rest.find('{'); open != std::string_view::npos; open = rest.find('{')) {
    const std::size_t close = rest.find('}', open);
    const std::string_view name = rest.substr(open + 1, close - open - 1);
    c += rest.substr(0, open);
    if (name == kTitleName) {
      // The title comes from the input's file name: quoted so that no name can add an argument.
      c += platform::QuoteArgumentBody(title);
    } else {
      for (const auto& [slot_name, slot] : kSlotNames) {
        if (slot_name == name) c += slots.*slot;
      }
    }
    rest.remove_prefix(close + 1);
  }
  c += rest;
  return out;
}

}  // namespace

namespace {

// Lists and commands that several entries share.
constexpr std::string_view kPspSizes = "160 x 112|320 x 240|368 x 208";
constexpr std::string_view kPspFrameRates = "14.985 fps|29.97 fps";
constexpr std::string_view kPspAudioBitrates = "32 Kbps|48 Kbps|64 Kbps|96 Kbps|128 Kbps|160 Kbps";
constexpr std::string_view kPs3VideoBitrates = "1200 Kbps|1500 Kbps|2000 Kbps|2500 Kbps|3000 Kbps";
constexpr std::string_view kAudioBitrates =
    "32 Kbps|40 Kbps|48 Kbps|64 Kbps|80 Kbps|96 Kbps|112 Kbps|128 Kbps|160 Kbps|192 Kbps|"
    "224 Kbps|256 Kbps|320 Kbps";
// "8000  Hz" carries two blanks before its unit in the PS3 and mobile lists, one in MP3's.
constexpr std::string_view kPs3SamplingRates =
    "8000  Hz|16000 Hz|22050 Hz|32000 Hz|44100 Hz|48000 Hz|54000 Hz|96000 Hz";
constexpr std::string_view kMp3SamplingRates =
    "8000 Hz|16000 Hz|22050 Hz|32000 Hz|44100 Hz|48000 Hz|54000 Hz|96000 Hz";
constexpr std::string_view kMobileSizes =
    "128 x 96 (SQCIF)|160 x 120 (QVGA)|176 x 144 (QCIF)|208 x 176|220 x 176|320 x 240 (VGA)|"
    "352 x 288 (CIF)";
constexpr std::string_view kMobileVideoBitrates =
    "48 Kbps|64 Kbps|96 Kbps|128 Kbps|256 Kbps|512 Kbps";

constexpr std::string_view kPspVideoCommand =
    R"({head}{input} -vcodec "xvid"{vbitrate}{rate} -acodec "mpeg4aac"{abitrate}{srate}{channels})"
    R"({size} -f psp{output})";
constexpr std::string_view kPspAvcCommand =
    R"({head}{input} -bitexact -title "{title}" -vcodec "h264" -b "400" -maxrate "1500")"
    R"( -bufsize "128" -r "29.97"  -acodec "mpeg4aac"{abitrate}{srate}{channels})"
    R"( -g "250" -qscale "25" -coder "1" {size} -f psp{output})";
constexpr std::string_view kPs3Command1200 =
    R"({head}{input} -bitexact -vcodec "h264" -b "1200" -maxrate "3500" -bufsize "1280")"
    R"(  -r "29.97" -acodec "mpeg4aac"{abitrate}{srate}{channels})"
    R"( -g "250"  -qscale "25"  -coder "1"{size}{output})";
constexpr std::string_view kPs3Command2000 =
    R"({head}{input} -bitexact -vcodec "h264" -b "2000" -maxrate "3500" -bufsize "1280")"
    R"(  -r "29.97" -acodec "mpeg4aac"{abitrate}{srate}{channels})"
    R"( -g "250"  -qscale "25"  -coder "1"{size}{output})";

}  // namespace

constexpr std::array<OutputFormat, kFormatCount> FormatCatalogue = {{
    {.DisplayName = N_("PSP Video (Good Quality) (*.mp4)"),
     .ShortName = "psp",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"XVID", "XVID"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {kPspSizes, "368 x 208"},
                 .VideoBitrates = {"768 Kbps", "768 Kbps"},
                 .FrameRates = {kPspFrameRates, "29.97 fps"},
                 .AudioBitrates = {kPspAudioBitrates, "64 Kbps"},
                 .SamplingRates = {"24000 Hz", "24000 Hz"},
                 .ChannelRow = 0},
     .Command = kPspVideoCommand,
     .ThumbnailWanted = true},
    {.DisplayName = N_("PSP Video (Normal Quality) (*.mp4)"),
     .ShortName = "psp-normal",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"XVID", "XVID"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {kPspSizes, "368 x 208"},
                 .VideoBitrates = {"512 Kbps", "512 Kbps"},
                 .FrameRates = {kPspFrameRates, "29.97 fps"},
                 .AudioBitrates = {kPspAudioBitrates, "64 Kbps"},
                 .SamplingRates = {"24000 Hz", "24000 Hz"},
                 .ChannelRow = 0},
     .Command = kPspVideoCommand,
     .ThumbnailWanted = true},
    {.DisplayName = N_("PSP Video (Small File Size) (*.mp4)"),
     .ShortName = "psp-small",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"XVID", "XVID"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {kPspSizes, "368 x 208", "160 x 112"},
                 .VideoBitrates = {"216 Kbps", "216 Kbps"},
                 .FrameRates = {kPspFrameRates, "29.97 fps"},
                 .AudioBitrates = {kPspAudioBitrates, "64 Kbps"},
                 .SamplingRates = {"24000 Hz", "24000 Hz"},
                 .ChannelRow = 0},
     .Command = kPspVideoCommand,
     .ThumbnailWanted = true},
    {.DisplayName = N_("PSP AVC Video (*.mp4)"),
     .ShortName = "psp-avc",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"H264", "H264"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {kPspSizes, "368 x 208"},
                 .VideoBitrates = {"216 Kbps|384 Kbps|400 Kbps|512 Kbps|768 Kbps", "512 Kbps",
                                   "400 Kbps"},
                 .FrameRates = {kPspFrameRates, "29.97 fps"},
                 .AudioBitrates = {kPspAudioBitrates, "64 Kbps"},
                 .SamplingRates = {"48000 Hz", "48000 Hz"},
                 .ChannelRow = 0},
     .Command = kPspAvcCommand,
     .ThumbnailWanted = true},
    {.DisplayName = N_("PSP AVC Video Format2 (*.mp4)"),
     .ShortName = "psp-avc2",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"H264", "H264"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {kPspSizes, "368 x 208"},
                 .VideoBitrates = {"256 Kbps", "256 Kbps"},
                 .FrameRates = {kPspFrameRates, "29.97 fps"},
                 .AudioBitrates = {kPspAudioBitrates, "64 Kbps"},
                 .SamplingRates = {"48000 Hz", "48000 Hz"},
                 .ChannelRow = 0},
     .Command = kPspAvcCommand,
     .ThumbnailWanted = true},
    {.DisplayName = N_("PS3 Video(480P) (*.mp4)"),
     .ShortName = "ps3-480p",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"H264", "H264"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {"640 x 480|720 x 480|720 x 576", "720 x 480"},
                 .VideoBitrates = {kPs3VideoBitrates, "1200 Kbps"},
                 .FrameRates = {"29.97 fps", "29.97 fps"},
                 .AudioBitrates = {kAudioBitrates, "80 Kbps"},
                 .SamplingRates = {kPs3SamplingRates, "44100 Hz"},
                 .ChannelRow = 0},
     .Command = kPs3Command1200},
    {.DisplayName = N_("PS3 Video(720P) (*.mp4)"),
     .ShortName = "ps3-720p",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"H264", "H264"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {"1280 x 720", "1280 x 720"},
                 .VideoBitrates = {kPs3VideoBitrates, "1200 Kbps", "2000 Kbps"},
                 .FrameRates = {"29.97 fps", "29.97 fps"},
                 .AudioBitrates = {kAudioBitrates, "80 Kbps", "256 Kbps"},
                 .SamplingRates = {kPs3SamplingRates, "44100 Hz"},
                 .ChannelRow = 0},
     .Command = kPs3Command2000},
    {.DisplayName = N_("PS3 Video(1080P) (*.mp4)"),
     .ShortName = "ps3-1080p",
     .Extension = "MP4",
     .Profile = {.ProfileTag = "psp",
                 .VideoCodecs = {"H264", "H264"},
                 .AudioCodecs = {"mpeg4aac", "mpeg4aac"},
                 .Sizes = {"1920 x 1072", "1920 x 1072"},
                 .VideoBitrates = {kPs3VideoBitrates, "1200 Kbps", "2000 Kbps"},
                 .FrameRates = {"29.97 fps", "29.97 fps"},
                 .AudioBitrates = {kAudioBitrates, "80 Kbps", "256 Kbps"},
                 .SamplingRates = {kPs3SamplingRates, "44100 Hz"},
                 .ChannelRow = 0},
     .Command = kPs3Command2000},
    // AAC selects by position in the lists the previous entry left, as the entry always has:
    // after MP3 that is "128 Kbps" and "48000 Hz".
    {.DisplayName = N_("AAC - Advance Audio Coding (*.aac)"),
     .ShortName = "aac",
     .Extension = "AAC",
     .IsVideo = false,
     .Profile = {.AudioCodecs = {"aac", "aac"},
                 .AudioBitrates = {.KeepItemsSelectRow = 7},
                 .SamplingRates = {.KeepItemsSelectRow = 5},
                 .ChannelRow = 0},
     .Command = R"({head}{input} -acodec "aac"{abitrate}{srate}{channels} -vn {output})"},
    {.DisplayName = N_("MP3 - Mpeg Layer3 Audio (*.mp3)"),
     .ShortName = "mp3",
     .Extension = "MP3",
     .IsVideo = false,
     .Profile = {.AudioCodecs = {"mp3", "mp3"},
                 .AudioBitrates = {kAudioBitrates, "192 Kbps"},
                 .SamplingRates = {kMp3SamplingRates, "48000 Hz"}},
     .Command = R"({head}{input} -id3v1 -id3v2 -acodec "mp3"{abitrate}{srate}{channels}{output})"},
    // The mobile audio is always requested as "amr_nb", whatever the 3G2 codec selector shows.
    {.DisplayName = N_("3GP - 3rd Generation Partnership Project (*.3gp)"),
     .ShortName = "3gp",
     .Extension = "3GP",
     .Profile = {.VideoCodecs = {"MPEG4|H263|XVID", "MPEG4"},
                 .AudioCodecs = {"amr_nb", "amr_nb"},
                 .Sizes = {kMobileSizes, "176 x 144 (QCIF)"},
                 .VideoBitrates = {kMobileVideoBitrates, "128 Kbps"},
                 .FrameRates = {"Auto|11 fps|14.985 fps|15 fps", "Auto"},
                 .AudioBitrates = {"32 Kbps|48 Kbps", "48 Kbps"},
                 .SamplingRates = {"8000  Hz|16000 Hz", "8000  Hz"},
                 .LetterBoxRow = 1,
                 .ChannelRow = 1},
     .Command = R"({head}{input}{vcodec}{vbitrate}{rate} -bt "60"  -acodec "amr_nb")"
                R"({abitrate}{srate}{channels}{size}{output})"},
    {.DisplayName = N_("3G2 - 3rd Generation Partnership Project 2 (*.3g2)"),
     .ShortName = "3g2",
     .Extension = "3G2",
     .Profile = {.VideoCodecs = {"MPEG4|H263|XVID", "MPEG4"},
                 .AudioCodecs = {"mpeg4aac|amr_nb", "mpeg4aac"},
                 .Sizes = {kMobileSizes, "176 x 144 (QCIF)"},
                 .VideoBitrates = {kMobileVideoBitrates, "128 Kbps"},
                 .FrameRates = {"Auto|11 fps|14.985 fps|15 fps", "Auto"},
                 .AudioBitrates = {"32 Kbps|48 Kbps", "48 Kbps"},
                 .SamplingRates = {"8000  Hz|16000 Hz", "8000  Hz"},
                 .LetterBoxRow = 1,
                 .ChannelRow = 1},
     .Command = R"({head}{input}{vcodec}{vbitrate}{rate} -bt "60"  -acodec "amr_nb")"
                R"({abitrate}{srate}{channels}{size} -f 3gp{output})"},
}};

static_assert(std::ranges::all_of(FormatCatalogue,
                                  [](const OutputFormat& f) { return IsValidCommand(f.Command); }));

namespace {

// Whether `a` equals `b` with ASCII case ignored; usable at compile time.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == (y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y);
  });
}

// A short name is lower case and names one entry only: no other entry has it as its short name
// or its extension.
constexpr bool ShortNamesAreUnambiguous() {
  for (const OutputFormat& format : FormatCatalogue) {
    if (format.ShortName.empty() ||
        std::ranges::any_of(format.ShortName, [](char c) { return c >= 'A' && c <= 'Z'; })) {
      return false;
    }
    for (const OutputFormat& other : FormatCatalogue) {
      if (&other == &format) continue;
      if (other.ShortName == format.ShortName) return false;
      if (EqualsIgnoringCase(other.Extension, format.ShortName)) return false;
    }
  }
  return true;
}

}  // namespace

static_assert(ShortNamesAreUnambiguous());

bool IsSeparatorRow(std::string_view text) {
  return text.substr(0, 2) == "  ";
}

const std::array<std::string_view, kFormatListRows>& FormatListRows() {
  static const std::array<std::string_view, kFormatListRows> rows = {
      FormatCatalogue[0].DisplayName,
      FormatCatalogue[1].DisplayName,
      FormatCatalogue[2].DisplayName,
      kSeparatorRow,
      FormatCatalogue[3].DisplayName,
      FormatCatalogue[4].DisplayName,
      kSeparatorRow,
      FormatCatalogue[5].DisplayName,
      FormatCatalogue[6].DisplayName,
      FormatCatalogue[7].DisplayName,
      kSeparatorRow,
      FormatCatalogue[8].DisplayName,
      FormatCatalogue[9].DisplayName,
      kSeparatorRow,
      FormatCatalogue[10].DisplayName,
      FormatCatalogue[11].DisplayName,
  };
  return rows;
}

const OutputFormat* FindFormat(std::string_view text) {
  for (const OutputFormat& format : FormatCatalogue) {
    if (format.DisplayName == text) return &format;
  }
  return nullptr;
}

std::vector<const OutputFormat*> FormatsNamed(std::string_view name) {
  for (const OutputFormat& format : FormatCatalogue) {
    if (EqualsIgnoringCase(format.ShortName, name)) return {&format};
  }
  std::vector<const OutputFormat*> found;
  for (const OutputFormat& format : FormatCatalogue) {
    if (EqualsIgnoringCase(format.Extension, name)) found.push_back(&format);
  }
  return found;
}

std::optional<FormatCommand> BuildFormatCommand(std::string_view format, const CommandSlots& slots,
                                                std::string_view title) {
  const OutputFormat* entry = FindFormat(format);
  if (entry == nullptr) return std::nullopt;
  return JoinCommand(*entry, slots, title);
}

}  // namespace vidloom
