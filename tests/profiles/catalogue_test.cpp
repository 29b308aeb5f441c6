// The format list, the catalogue lookup, the profiles each entry applies and the refresh rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "profiles/format_selectors.h"
#include "profiles/option_values.h"
#include "profiles/window_fixture.h"

namespace vidloom {
namespace {

using testing::Window;
using Items = std::vector<std::string>;

const std::string kSeparator = std::string(14, ' ') + std::string(53, '-');

TEST(FormatList, HoldsTheTwelveEntriesAndFourSeparatorsInOrder) {
  const Items expected = {
      "PSP Video (Good Quality) (*.mp4)",
      "PSP Video (Normal Quality) (*.mp4)",
      "PSP Video (Small File Size) (*.mp4)",
      kSeparator,
      "PSP AVC Video (*.mp4)",
      "PSP AVC Video Format2 (*.mp4)",
      kSeparator,
      "PS3 Video(480P) (*.mp4)",
      "PS3 Video(720P) (*.mp4)",
      "PS3 Video(1080P) (*.mp4)",
      kSeparator,
      "AAC - Advance Audio Coding (*.aac)",
      "MP3 - Mpeg Layer3 Audio (*.mp3)",
      kSeparator,
      "3GP - 3rd Generation Partnership Project (*.3gp)",
      "3G2 - 3rd Generation Partnership Project 2 (*.3g2)",
  };
  MainForm form;
  form.ComboOutputFormat.SetItems({"left over"});
  FillFormatList(form);
  EXPECT_EQ(form.ComboOutputFormat.items(), expected);
  EXPECT_EQ(form.ComboOutputFormat.drop_down_count(), 16);
  EXPECT_EQ(form.ComboOutputFormat.selected(), 0);
  EXPECT_EQ(kSeparator.size(), 67u);
  for (const std::string& row : expected) EXPECT_EQ(IsSeparatorRow(row), row == kSeparator) << row;
}

TEST(FormatCatalogue, EntriesCarryTheirExtensionAndVideoFlag) {
  struct Row {
    const char* name;
    const char* short_name;
    const char* extension;
    bool video;
  };
  const Row expected[] = {
      {"PSP Video (Good Quality) (*.mp4)", "psp", "MP4", true},
      {"PSP Video (Normal Quality) (*.mp4)", "psp-normal", "MP4", true},
      {"PSP Video (Small File Size) (*.mp4)", "psp-small", "MP4", true},
      {"PSP AVC Video (*.mp4)", "psp-avc", "MP4", true},
      {"PSP AVC Video Format2 (*.mp4)", "psp-avc2", "MP4", true},
      {"PS3 Video(480P) (*.mp4)", "ps3-480p", "MP4", true},
      {"PS3 Video(720P) (*.mp4)", "ps3-720p", "MP4", true},
      {"PS3 Video(1080P) (*.mp4)", "ps3-1080p", "MP4", true},
      {"AAC - Advance Audio Coding (*.aac)", "aac", "AAC", false},
      {"MP3 - Mpeg Layer3 Audio (*.mp3)", "mp3", "MP3", false},
      {"3GP - 3rd Generation Partnership Project (*.3gp)", "3gp", "3GP", true},
      {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", "3g2", "3G2", true},
  };
  ASSERT_EQ(FormatCatalogue.size(), std::size(expected));
  Window w;
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(FormatCatalogue[i].DisplayName, expected[i].name);
    EXPECT_EQ(FindFormat(expected[i].name), &FormatCatalogue[i]);
    EXPECT_EQ(FormatCatalogue[i].ShortName, expected[i].short_name);
    EXPECT_EQ(FormatsNamed(expected[i].short_name),
              std::vector<const OutputFormat*>{&FormatCatalogue[i]});
    w.Choose(expected[i].name);
    std::string extension = "unchanged";
    FormatExtension(w.form, extension);
    EXPECT_EQ(extension, expected[i].extension);
    EXPECT_EQ(IsVideoFormat(w.form), expected[i].video);
    EXPECT_EQ(w.form.ComboAspectRatio.enabled(), expected[i].video);
  }
}

// A short name or an extension, in any case; an extension several entries share names them all.
TEST(FormatCatalogue, ShortNamesAndExtensionsIgnoreCase) {
  struct Case {
    const char* name;
    std::vector<std::size_t> entries;
  };
  const Case cases[] = {
      {"PSP", {0}},
      {"Psp-Avc2", {4}},
      {"PS3-1080P", {7}},
      {"MP3", {9}},
      {"3G2", {11}},
      {"mp4", {0, 1, 2, 3, 4, 5, 6, 7}},
      {"MP4", {0, 1, 2, 3, 4, 5, 6, 7}},
      {"psp ", {}},
      {".mp3", {}},
      {"PSP Video (Good Quality) (*.mp4)", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<const OutputFormat*> expected;
    for (std::size_t i : c.entries) expected.push_back(&FormatCatalogue[i]);
    EXPECT_EQ(FormatsNamed(c.name), expected);
  }
}

TEST(FormatCatalogue, LookupIsByExactText) {
  const char* near_misses[] = {
      "PSP Video (Good Quality) (*.mp4) ",
      " PSP Video (Good Quality) (*.mp4)",
      "psp video (good quality) (*.mp4)",
      "PSP Video (Good Quality)  (*.mp4)",
      "PS3 Video (480P) (*.mp4)",
      "MP3 - MPEG Layer3 Audio (*.mp3)",
      "3GP - 3rd Generation Partnership Project (*.3GP)",
      "",
  };
  MainForm form;
  for (const char* text : near_misses) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FindFormat(text), nullptr);
    form.ComboOutputFormat.SetItems({text});
    form.ComboOutputFormat.Select(0);
    std::string extension = "kept";
    FormatExtension(form, extension);
    EXPECT_EQ(extension, "kept");
    EXPECT_TRUE(IsVideoFormat(form));
    EXPECT_FALSE(
        BuildFormatCommand(form.ComboOutputFormat.text(), CommandSlots{}, "t").has_value());
    form.ComboVideoSize.SetItems({"untouched"});
    WindowState state;
    ApplyFormatProfile(form, state);
    EXPECT_EQ(form.ComboVideoSize.items(), Items{"untouched"});
  }
}

// What each entry's profile leaves in the selectors, chosen right after start-up.
struct ProfileCase {
  const char* entry;
  Items video_codec;
  Items audio_codec;
  Items sizes;
  Items video_bitrates;
  Items frame_rates;
  Items audio_bitrates;
  Items sampling_rates;
  // Selected texts: video codec, audio codec, size, video bitrate, frame rate, audio bitrate,
  // sampling rate, channels, letterbox.
  std::vector<std::string> selected;
  const char* tag;
};

const Items kPspSizes = {"160 x 112", "320 x 240", "368 x 208"};
const Items kPspRates = {"14.985 fps", "29.97 fps"};
const Items kPspAudio = {"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"};
const Items kPs3Video = {"1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"};
const Items kPs3Audio = {"32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",
                         "96 Kbps",  "112 Kbps", "128 Kbps", "160 Kbps", "192 Kbps",
                         "224 Kbps", "256 Kbps", "320 Kbps"};
const Items kPs3Sampling = {"8000  Hz", "16000 Hz", "22050 Hz", "32000 Hz",
                            "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const Items kMp3Sampling = {"8000 Hz",  "16000 Hz", "22050 Hz", "32000 Hz",
                            "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
const Items kMobileSizes = {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)", "208 x 176",
                            "220 x 176",        "320 x 240 (VGA)",  "352 x 288 (CIF)"};
const Items kMobileBitrates = {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"};
const Items kMobileRates = {"Auto", "11 fps", "14.985 fps", "15 fps"};

const ProfileCase kProfileCases[] = {
    {"PSP Video (Good Quality) (*.mp4)",
     {"XVID"},
     {"mpeg4aac"},
     kPspSizes,
     {"768 Kbps"},
     kPspRates,
     kPspAudio,
     {"24000 Hz"},
     {"XVID", "mpeg4aac", "368 x 208", "768 Kbps", "29.97 fps", "64 Kbps", "24000 Hz", "Stereo",
      "None"},
     "psp"},
    {"PSP Video (Normal Quality) (*.mp4)",
     {"XVID"},
     {"mpeg4aac"},
     kPspSizes,
     {"512 Kbps"},
     kPspRates,
     kPspAudio,
     {"24000 Hz"},
     {"XVID", "mpeg4aac", "368 x 208", "512 Kbps", "29.97 fps", "64 Kbps", "24000 Hz", "Stereo",
      "None"},
     "psp"},
    {"PSP Video (Small File Size) (*.mp4)",
     {"XVID"},
     {"mpeg4aac"},
     kPspSizes,
     {"216 Kbps"},
     kPspRates,
     kPspAudio,
     {"24000 Hz"},
     {"XVID", "mpeg4aac", "160 x 112", "216 Kbps", "29.97 fps", "64 Kbps", "24000 Hz", "Stereo",
      "None"},
     "psp"},
    {"PSP AVC Video (*.mp4)",
     {"H264"},
     {"mpeg4aac"},
     kPspSizes,
     {"216 Kbps", "384 Kbps", "400 Kbps", "512 Kbps", "768 Kbps"},
     kPspRates,
     kPspAudio,
     {"48000 Hz"},
     {"H264", "mpeg4aac", "368 x 208", "400 Kbps", "29.97 fps", "64 Kbps", "48000 Hz", "Stereo",
      "None"},
     "psp"},
    {"PSP AVC Video Format2 (*.mp4)",
     {"H264"},
     {"mpeg4aac"},
     kPspSizes,
     {"256 Kbps"},
     kPspRates,
     kPspAudio,
     {"48000 Hz"},
     {"H264", "mpeg4aac", "368 x 208", "256 Kbps", "29.97 fps", "64 Kbps", "48000 Hz", "Stereo",
      "None"},
     "psp"},
    {"PS3 Video(480P) (*.mp4)",
     {"H264"},
     {"mpeg4aac"},
     {"640 x 480", "720 x 480", "720 x 576"},
     kPs3Video,
     {"29.97 fps"},
     kPs3Audio,
     kPs3Sampling,
     {"H264", "mpeg4aac", "720 x 480", "1200 Kbps", "29.97 fps", "80 Kbps", "44100 Hz", "Stereo",
      "None"},
     "psp"},
    {"PS3 Video(720P) (*.mp4)",
     {"H264"},
     {"mpeg4aac"},
     {"1280 x 720"},
     kPs3Video,
     {"29.97 fps"},
     kPs3Audio,
     kPs3Sampling,
     {"H264", "mpeg4aac", "1280 x 720", "2000 Kbps", "29.97 fps", "256 Kbps", "44100 Hz", "Stereo",
      "None"},
     "psp"},
    {"PS3 Video(1080P) (*.mp4)",
     {"H264"},
     {"mpeg4aac"},
     {"1920 x 1072"},
     kPs3Video,
     {"29.97 fps"},
     kPs3Audio,
     kPs3Sampling,
     {"H264", "mpeg4aac", "1920 x 1072", "2000 Kbps", "29.97 fps", "256 Kbps", "44100 Hz", "Stereo",
      "None"},
     "psp"},
    // AAC right after start-up: the positions 8 and 6 fall beyond the PSP lists.
    {"AAC - Advance Audio Coding (*.aac)",
     {},
     {"aac"},
     {},
     {},
     {},
     kPspAudio,
     {"24000 Hz"},
     {"", "aac", "", "", "", "", "", "Stereo", "None"},
     ""},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)",
     {},
     {"mp3"},
     {},
     {},
     {},
     kPs3Audio,
     kMp3Sampling,
     {"", "mp3", "", "", "", "192 Kbps", "48000 Hz", "Stereo", "None"},
     ""},
    {"3GP - 3rd Generation Partnership Project (*.3gp)",
     {"MPEG4", "H263", "XVID"},
     {"amr_nb"},
     kMobileSizes,
     kMobileBitrates,
     kMobileRates,
     {"32 Kbps", "48 Kbps"},
     {"8000  Hz", "16000 Hz"},
     {"MPEG4", "amr_nb", "176 x 144 (QCIF)", "128 Kbps", "Auto", "48 Kbps", "8000  Hz", "Mono",
      "LetterBox"},
     ""},
    {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)",
     {"MPEG4", "H263", "XVID"},
     {"mpeg4aac", "amr_nb"},
     kMobileSizes,
     kMobileBitrates,
     kMobileRates,
     {"32 Kbps", "48 Kbps"},
     {"8000  Hz", "16000 Hz"},
     {"MPEG4", "mpeg4aac", "176 x 144 (QCIF)", "128 Kbps", "Auto", "48 Kbps", "8000  Hz", "Mono",
      "LetterBox"},
     ""},
};

TEST(FormatProfiles, EachEntryFillsItsListsAndDefaults) {
  for (const ProfileCase& c : kProfileCases) {
    SCOPED_TRACE(c.entry);
    Window w;
    // Disturb what the refresh or the profile must set; the letterbox is the mobile entries' own.
    w.form.ComboLetterBox.Select(0);
    w.form.ComboAudioChannel.Select(1);
    w.Choose(c.entry);
    const MainForm& f = w.form;
    EXPECT_EQ(f.ComboVideoCodec.items(), c.video_codec);
    EXPECT_EQ(f.ComboAudioCodec.items(), c.audio_codec);
    EXPECT_EQ(f.ComboVideoSize.items(), c.sizes);
    EXPECT_EQ(f.ComboVideoBitrate.items(), c.video_bitrates);
    EXPECT_EQ(f.ComboVideoFramerate.items(), c.frame_rates);
    EXPECT_EQ(f.ComboAudioBitrate.items(), c.audio_bitrates);
    EXPECT_EQ(f.ComboSamplingRate.items(), c.sampling_rates);
    const std::vector<std::string> selected = {
        f.ComboVideoCodec.text(),   f.ComboAudioCodec.text(),     f.ComboVideoSize.text(),
        f.ComboVideoBitrate.text(), f.ComboVideoFramerate.text(), f.ComboAudioBitrate.text(),
        f.ComboSamplingRate.text(), f.ComboAudioChannel.text(),   f.ComboLetterBox.text()};
    EXPECT_EQ(selected, c.selected);
    EXPECT_EQ(w.state.ProfileTag, c.tag);
  }
}

// Every item a row names as a default is in its list, so choosing the entry selects it.
TEST(FormatCatalogue, EveryNamedDefaultIsInItsList) {
  const std::pair<SelectorFill FormatProfile::*, Selector MainForm::*> selectors[] = {
      {&FormatProfile::VideoCodecs, &MainForm::ComboVideoCodec},
      {&FormatProfile::AudioCodecs, &MainForm::ComboAudioCodec},
      {&FormatProfile::Sizes, &MainForm::ComboVideoSize},
      {&FormatProfile::VideoBitrates, &MainForm::ComboVideoBitrate},
      {&FormatProfile::FrameRates, &MainForm::ComboVideoFramerate},
      {&FormatProfile::AudioBitrates, &MainForm::ComboAudioBitrate},
      {&FormatProfile::SamplingRates, &MainForm::ComboSamplingRate},
  };
  for (const OutputFormat& format : FormatCatalogue) {
    Window w;
    w.Choose(format.DisplayName);
    for (const auto& [fill_of, selector_of] : selectors) {
      const SelectorFill& fill = format.Profile.*fill_of;
      const Selector& selector = w.form.*selector_of;
      SCOPED_TRACE(std::string(format.DisplayName) + ": " + std::string(fill.Selected));
      if (fill.KeepItemsSelectRow) continue;
      EXPECT_EQ(fill.Selected.empty(), selector.items().empty());
      if (!fill.Selected.empty()) {
        EXPECT_EQ(std::ranges::count(selector.items(), fill.Selected), 1);
      }
      EXPECT_EQ(selector.text(), fill.ThenSelected.empty() ? fill.Selected : fill.ThenSelected);
    }
  }
}

// AAC selects by position in the lists the previous entry left.
// Every item of every option list with the value the encoder is given for it, both ways: each
// item a format offers is in the table with that value, and the table holds nothing no format
// offers.
TEST(OptionValues, EveryItemOfEveryListGivesItsWrittenValue) {
  using L = OptionList;
  const std::vector<std::pair<L, std::vector<std::pair<std::string, std::string>>>> table = {
      {L::kVideoCodec, {{"H263", "h263"}, {"H264", "h264"}, {"MPEG4", "mpeg4"}, {"XVID", "xvid"}}},
      {L::kVideoSize,
       {{"128 x 96 (SQCIF)", "128x96"},
        {"160 x 120 (QVGA)", "160x120"},
        {"176 x 144 (QCIF)", "176x144"},
        {"320 x 240 (VGA)", "320x240"},
        {"352 x 288 (CIF)", "352x288"},
        {"160 x 112", "160x112"},
        {"208 x 176", "208x176"},
        {"220 x 176", "220x176"},
        {"320 x 240", "320x240"},
        {"368 x 208", "368x208"},
        {"640 x 480", "640x480"},
        {"720 x 480", "720x480"},
        {"720 x 576", "720x576"},
        {"1280 x 720", "1280x720"},
        {"1920 x 1072", "1920x1072"}}},
      {L::kVideoBitrate,
       {{"48 Kbps", "48"},
        {"64 Kbps", "64"},
        {"96 Kbps", "96"},
        {"128 Kbps", "128"},
        {"216 Kbps", "216"},
        {"256 Kbps", "256"},
        {"384 Kbps", "384"},
        {"400 Kbps", "400"},
        {"512 Kbps", "512"},
        {"768 Kbps", "768"},
        {"1200 Kbps", "1200"},
        {"1500 Kbps", "1500"},
        {"2000 Kbps", "2000"},
        {"2500 Kbps", "2500"},
        {"3000 Kbps", "3000"}}},
      {L::kFrameRate,
       {{"11 fps", "11"}, {"14.985 fps", "14.985"}, {"15 fps", "15"}, {"29.97 fps", "29.97"}}},
      {L::kAudioBitrate,
       {{"32 Kbps", "32"},
        {"40 Kbps", "40"},
        {"48 Kbps", "48"},
        {"64 Kbps", "64"},
        {"80 Kbps", "80"},
        {"96 Kbps", "96"},
        {"112 Kbps", "112"},
        {"128 Kbps", "128"},
        {"160 Kbps", "160"},
        {"192 Kbps", "192"},
        {"224 Kbps", "224"},
        {"256 Kbps", "256"},
        {"320 Kbps", "320"}}},
      {L::kSamplingRate,
       {{"8000  Hz", "8000 "},
        {"8000 Hz", "8000"},
        {"16000 Hz", "16000"},
        {"22050 Hz", "22050"},
        {"24000 Hz", "24000"},
        {"32000 Hz", "32000"},
        {"44100 Hz", "44100"},
        {"48000 Hz", "48000"},
        {"54000 Hz", "54000"},
        {"96000 Hz", "96000"}}},
  };
  for (const auto& [list, items] : table) {
    std::vector<std::string> offered;
    for (const OutputFormat& format : FormatCatalogue) {
      for (const OptionItem& item : OptionItemsOf(format, list)) {
        offered.push_back(item.text);
        if (list == L::kFrameRate && item.text == "Auto") {
          EXPECT_EQ(item.value, std::nullopt) << "Auto gives no option";
          continue;
        }
        const auto known = std::find_if(items.begin(), items.end(),
                                        [&](const auto& row) { return row.first == item.text; });
        ASSERT_NE(known, items.end()) << format.DisplayName << ": '" << item.text << "'";
        EXPECT_EQ(item.value, known->second) << format.DisplayName << ": '" << item.text << "'";
      }
    }
    for (const auto& [text, value] : items) {
      EXPECT_NE(std::find(offered.begin(), offered.end(), text), offered.end()) << text;
    }
  }
  // What an empty selector and "Auto" give.
  EXPECT_EQ(OptionValue(L::kVideoCodec, ""), "");
  EXPECT_EQ(OptionValue(L::kVideoSize, ""), std::nullopt);
  EXPECT_EQ(OptionValue(L::kVideoSize, "0 x 144"), "176x144");
  EXPECT_EQ(OptionValue(L::kVideoBitrate, " "), std::nullopt);
  EXPECT_EQ(OptionValue(L::kFrameRate, ""), "");
  EXPECT_EQ(OptionValue(L::kAudioBitrate, ""), std::nullopt);
  EXPECT_EQ(OptionValue(L::kSamplingRate, "Auto"), std::nullopt);
  EXPECT_EQ(OptionValue(L::kSamplingRate, ""), "");
}

TEST(FormatProfiles, AacSelectsByPositionInThePreviousLists) {
  struct Case {
    const char* previous;
    const char* audio_bitrate;
    const char* sampling_rate;
  };
  const Case cases[] = {
      {"MP3 - Mpeg Layer3 Audio (*.mp3)", "128 Kbps", "48000 Hz"},
      {"PS3 Video(480P) (*.mp4)", "128 Kbps", "48000 Hz"},
      {"3GP - 3rd Generation Partnership Project (*.3gp)", "", ""},
      {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", "", ""},
      {"PSP AVC Video (*.mp4)", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.previous);
    Window w;
    w.Choose(c.previous);
    const Items bitrates = w.form.ComboAudioBitrate.items();
    const Items sampling = w.form.ComboSamplingRate.items();
    w.Choose("AAC - Advance Audio Coding (*.aac)");
    EXPECT_EQ(w.form.ComboAudioCodec.text(), "aac");
    EXPECT_EQ(w.form.ComboAudioBitrate.items(), bitrates);
    EXPECT_EQ(w.form.ComboSamplingRate.items(), sampling);
    EXPECT_EQ(w.form.ComboAudioBitrate.text(), c.audio_bitrate);
    EXPECT_EQ(w.form.ComboSamplingRate.text(), c.sampling_rate);
    EXPECT_EQ(w.form.ComboAudioChannel.text(), "Stereo");
  }
}

TEST(RefreshFormatOptions, ResetsChannelsVolumeAndAspectRatio) {
  Window w;
  w.state.DropDownItemCount = 9;
  w.form.ComboAudioChannel.Select(1);
  w.form.VolumeSlider.SetPosition(8);
  ASSERT_EQ(w.state.VolumeFactor, "80");
  w.form.ComboAspectRatio.Select(2);
  w.Choose("MP3 - Mpeg Layer3 Audio (*.mp3)");
  EXPECT_EQ(w.form.ComboOutputFormat.drop_down_count(), 9);
  EXPECT_EQ(w.form.ComboAudioChannel.text(), "Stereo");
  EXPECT_EQ(w.form.VolumeSlider.position(), 5);
  EXPECT_EQ(w.form.VolumePercent.caption(), "100%");
  EXPECT_EQ(w.state.VolumeFactor, "50");
  EXPECT_EQ(w.form.ComboAspectRatio.selected(), 0);
  EXPECT_FALSE(w.form.ComboAspectRatio.enabled());
  w.Choose("PSP AVC Video (*.mp4)");
  EXPECT_TRUE(w.form.ComboAspectRatio.enabled());
}

TEST(RefreshFormatOptions, RewritesEveryOutputCell) {
  Window w;
  for (int i = 0; i < 3; ++i) w.AddRow("/in/" + std::to_string(i) + ".avi", "640 x 480");
  w.form.FileList.Update(w.form.FileList.row(1).id,
                         [](FileEntry& entry) { entry.state = RowState::kDone; });
  w.form.FileList.Update(w.form.FileList.row(2).id,
                         [](FileEntry& entry) { entry.output_extension = "XYZ"; });
  const std::pair<const char*, const char*> cases[] = {
      {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", "3G2"},
      {"AAC - Advance Audio Coding (*.aac)", "AAC"},
      {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3"},
      {"3GP - 3rd Generation Partnership Project (*.3gp)", "3GP"},
      {"PS3 Video(1080P) (*.mp4)", "MP4"},
  };
  for (const auto& [entry, extension] : cases) {
    w.Choose(entry);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w.form.FileList.cell(i, kCellOutput), extension);
  }
  EXPECT_EQ(w.form.FileList.cell(1, kCellProgress), "Done");
}

TEST(RefreshFormatOptions, SeparatorRestoresThePreviousEntryAndKeepsItsLists) {
  for (int separator : {3, 6, 10, 13}) {
    SCOPED_TRACE(separator);
    Window w;
    w.AddRow("/in/a.avi", "640 x 480");
    w.Choose("PS3 Video(720P) (*.mp4)");
    ASSERT_EQ(w.state.PreviousFormatIndex, 8);
    w.form.ComboAudioBitrate.SelectText("32 Kbps");
    w.form.FileList.Update(w.form.FileList.row(0).id,
                           [](FileEntry& entry) { entry.output_extension = "kept"; });
    w.form.ComboAudioChannel.Select(1);
    w.form.VolumeSlider.SetPosition(2);
    w.form.ComboAspectRatio.Select(1);
    const Items sizes = w.form.ComboVideoSize.items();

    w.form.ComboOutputFormat.UserSelect(separator);

    EXPECT_EQ(w.form.ComboOutputFormat.selected(), 8);
    EXPECT_EQ(w.form.ComboOutputFormat.text(), "PS3 Video(720P) (*.mp4)");
    EXPECT_EQ(w.state.PreviousFormatIndex, 8);
    EXPECT_EQ(w.form.ComboVideoSize.items(), sizes);
    EXPECT_EQ(w.form.ComboAudioBitrate.text(), "32 Kbps");
    EXPECT_EQ(w.form.FileList.cell(0, kCellOutput), "kept");
    EXPECT_EQ(w.form.ComboAudioChannel.text(), "Stereo");
    EXPECT_EQ(w.state.VolumeFactor, "50");
    EXPECT_EQ(w.form.VolumePercent.caption(), "100%");
    EXPECT_EQ(w.form.ComboAspectRatio.selected(), 0);
    // The profile tag is cleared before the separator is seen, and stays cleared.
    EXPECT_EQ(w.state.ProfileTag, "");
  }
}

TEST(RefreshFormatOptions, StoredSeparatorFallsBackToTheFirstEntryAtShow) {
  Window w;                             // creation accepted row 0
  w.form.ComboOutputFormat.Select(13);  // restored from the settings
  RefreshFormatOptions(w.form, w.state);
  EXPECT_EQ(w.form.ComboOutputFormat.selected(), 0);
}

TEST(RefreshFormatOptions, SelectionBeyondTheListAppliesNothing) {
  Window w;
  w.AddRow("/in/a.avi", "640 x 480");
  w.Choose("MP3 - Mpeg Layer3 Audio (*.mp3)");
  const Items bitrates = w.form.ComboAudioBitrate.items();
  w.form.ComboOutputFormat.Select(20);  // a stored index past the last row
  RefreshFormatOptions(w.form, w.state);
  EXPECT_EQ(w.form.ComboOutputFormat.selected(), -1);
  EXPECT_EQ(w.form.ComboOutputFormat.text(), "");
  EXPECT_EQ(w.state.PreviousFormatIndex, -1);
  EXPECT_EQ(w.form.FileList.cell(0, kCellOutput), "");
  EXPECT_EQ(w.form.ComboAudioBitrate.items(), bitrates);
  EXPECT_EQ(w.form.ComboAudioCodec.text(), "mp3");
  EXPECT_TRUE(w.form.ComboAspectRatio.enabled());
  EXPECT_FALSE(
      BuildFormatCommand(w.form.ComboOutputFormat.text(), CommandSlots{}, "t").has_value());
}

// The slots as markers show each template's order and fixed texts.
TEST(CommandTemplates, JoinTheSlotsInTheirOrder) {
  CommandSlots s;
  s.CommandHead = "<H>";
  s.InputPart = "<I>";
  s.VideoCodecOption = "<VC>";
  s.SizeOption = "<S>";
  s.VideoBitrateOption = "<VB>";
  s.FrameRateOption = "<FR>";
  s.AudioBitrateOption = "<AB>";
  s.ChannelsOption = "<CH>";
  s.SampleRateOption = "<SR>";
  s.OutputPart = "<O>";
  const std::string psp_video =
      R"(<H><I> -vcodec "xvid"<VB><FR> -acodec "mpeg4aac"<AB><SR><CH><S> -f psp<O>)";
  const std::string psp_avc =
      R"(<H><I> -bitexact -title "my title" -vcodec "h264" -b "400" -maxrate "1500" -bufsize "128")"
      R"( -r "29.97"  -acodec "mpeg4aac"<AB><SR><CH> -g "250" -qscale "25" -coder "1" <S> -f psp<O>)";
  const std::string ps3_tail =
      R"(" -maxrate "3500" -bufsize "1280"  -r "29.97" -acodec "mpeg4aac"<AB><SR><CH>)"
      R"( -g "250"  -qscale "25"  -coder "1"<S><O>)";
  const std::string mobile = R"(<H><I><VC><VB><FR> -bt "60"  -acodec "amr_nb"<AB><SR><CH><S>)";
  const std::pair<std::string, bool> expected[] = {
      {psp_video, true},
      {psp_video, true},
      {psp_video, true},
      {psp_avc, true},
      {psp_avc, true},
      {R"(<H><I> -bitexact -vcodec "h264" -b "1200)" + ps3_tail, false},
      {R"(<H><I> -bitexact -vcodec "h264" -b "2000)" + ps3_tail, false},
      {R"(<H><I> -bitexact -vcodec "h264" -b "2000)" + ps3_tail, false},
      {R"(<H><I> -acodec "aac"<AB><SR><CH> -vn <O>)", false},
      {R"(<H><I> -id3v1 -id3v2 -acodec "mp3"<AB><SR><CH><O>)", false},
      {mobile + "<O>", false},
      {mobile + " -f 3gp<O>", false},
  };
  MainForm form;
  FillFormatList(form);
  for (std::size_t i = 0; i < FormatCatalogue.size(); ++i) {
    SCOPED_TRACE(FormatCatalogue[i].DisplayName);
    form.ComboOutputFormat.SelectText(std::string(FormatCatalogue[i].DisplayName));
    const auto command = BuildFormatCommand(form.ComboOutputFormat.text(), s, "my title");
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->command, expected[i].first);
    EXPECT_EQ(command->thumbnail_wanted, expected[i].second);
  }
}

TEST(CommandTemplates, AvcTitleCannotAddAnArgument) {
  MainForm form;
  FillFormatList(form);
  form.ComboOutputFormat.Select(4);
  const auto command =
      BuildFormatCommand(form.ComboOutputFormat.text(), CommandSlots{}, R"(a" -f "x\)");
  ASSERT_TRUE(command.has_value());
  EXPECT_NE(command->command.find(R"(-title "a\" -f \"x\\" -vcodec)"), std::string::npos)
      << command->command;
}

}  // namespace
}  // namespace vidloom
