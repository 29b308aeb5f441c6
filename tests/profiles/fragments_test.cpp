// Option selections to encoder option fragments: exact blanks and quotes, degenerate texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profiles/fragments.h"
#include "profiles/window_choices.h"

namespace vidloom {
namespace {

using Items = std::vector<std::string>;

// Puts `items` into `selector` with row `selected` chosen (-1 or beyond: none).
void Set(Selector& selector, const Items& items, int selected) {
  selector.SetItems(items);
  selector.Select(selected);
}

struct SelectorCase {
  Items items;
  int selected;
  std::string expected;
};

TEST(Fragments, VideoCodec) {
  const SelectorCase cases[] = {
      {{"XVID"}, 0, R"( -vcodec "xvid" )"},
      {{"MPEG4", "H263"}, 1, R"( -vcodec "h263" )"},
      {{"  H264 "}, 0, R"( -vcodec "h264" )"},
      {{}, -1, R"( -vcodec "" )"},
  };
  for (const auto& c : cases) {
    MainForm form;
    Set(form.ComboVideoCodec, c.items, c.selected);
    EXPECT_EQ(VideoCodecFragment(TakeSelections(form)), c.expected) << c.expected;
  }
}

TEST(Fragments, VideoBitrate) {
  const SelectorCase cases[] = {
      {{"768 Kbps"}, 0, R"( -b "768")"},
      {{"48 Kbps", "3000 Kbps"}, 1, R"( -b "3000")"},
      {{" 256 Kbps "}, 0, R"( -b "256")"},
      {{"fast"}, 0, R"( -b "")"},  // no "K": nothing between the quotes
      {{}, -1, ""},
      {{"768 Kbps"}, 5, ""},  // beyond the list: no selection
  };
  for (const auto& c : cases) {
    MainForm form;
    Set(form.ComboVideoBitrate, c.items, c.selected);
    EXPECT_EQ(VideoBitrateFragment(TakeSelections(form)), c.expected) << c.expected;
  }
}

TEST(Fragments, FrameRate) {
  const SelectorCase cases[] = {
      {{"29.97 fps"}, 0, R"( -r "29.97" )"},
      {{"Auto", "14.985 fps"}, 1, R"( -r "14.985" )"},
      {{"Auto"}, 0, " "},
      {{" Auto "}, 0, " "},
      {{"auto"}, 0, ""},  // the comparison is exact
      {{"25"}, 0, ""},
      {{}, -1, ""},
  };
  for (const auto& c : cases) {
    MainForm form;
    Set(form.ComboVideoFramerate, c.items, c.selected);
    EXPECT_EQ(FrameRateFragment(TakeSelections(form)), c.expected) << c.expected;
  }
}

TEST(Fragments, AudioBitrateIsSuppressedByAutoFrameRate) {
  struct Case {
    Items frame_rates;
    int frame_rate;
    Items bitrates;
    int bitrate;
    std::string expected;
  };
  const Case cases[] = {
      {{"29.97 fps"}, 0, {"64 Kbps"}, 0, R"( -ab "64")"},
      {{"Auto"}, 0, {"48 Kbps"}, 0, " "},
      {{"Auto"}, 0, {}, -1, " "},
      {{}, -1, {"128 Kbps"}, 0, R"( -ab "128")"},  // an empty frame rate lets it through
      {{"15 fps"}, 0, {}, -1, ""},
      {{"15 fps"}, 0, {"32 Kbps", "320 Kbps"}, 1, R"( -ab "320")"},
  };
  for (const auto& c : cases) {
    MainForm form;
    Set(form.ComboVideoFramerate, c.frame_rates, c.frame_rate);
    Set(form.ComboAudioBitrate, c.bitrates, c.bitrate);
    EXPECT_EQ(AudioBitrateFragment(TakeSelections(form)), c.expected) << c.expected;
  }
}

TEST(Fragments, Channels) {
  const std::pair<int, std::string> cases[] = {
      {0, R"x( -ac "2 (stereo)")x"}, {1, R"x( -ac "1 (mono)")x"}, {-1, ""}};
  for (const auto& [row, expected] : cases) {
    MainForm form;
    form.ComboAudioChannel.Select(row);
    EXPECT_EQ(ChannelsFragment(TakeSelections(form)), expected);
  }
}

TEST(Fragments, SampleRate) {
  const SelectorCase cases[] = {
      {{"24000 Hz"}, 0, R"( -ar "24000")"},
      {{"8000  Hz", "16000 Hz"}, 0, R"( -ar "8000 ")"},  // keeps all but the last blank
      {{"8000 Hz"}, 0, R"( -ar "8000")"},
      {{"Auto"}, 0, ""},
      {{}, -1, R"( -ar "")"},  // no test for empty: empty quotes
  };
  for (const auto& c : cases) {
    MainForm form;
    Set(form.ComboSamplingRate, c.items, c.selected);
    EXPECT_EQ(SampleRateFragment(TakeSelections(form)), c.expected) << c.expected;
  }
}

TEST(Fragments, Size) {
  struct Case {
    std::string cell;
    Items sizes;
    int selected;
    std::string expected;
  };
  const Case cases[] = {
      {"640 x 480", {"368 x 208"}, 0, " -s 368x208"},
      {"640 x 480", {"128 x 96 (SQCIF)", "176 x 144 (QCIF)"}, 1, " -s 176x144"},
      {"640 x 480", {"352 x 288 (CIF)"}, 0, " -s 352x288"},
      {"640 x 480", {"1920 X 1072"}, 0, " -s 1920x1072"},
      {"Unknown", {"368 x 208"}, 0, " -s 176x144"},  // the selector is not consulted
      {"", {"368 x 208"}, 0, " -s 176x144"},
      {"0 x 0", {"368 x 208"}, 0, " -s 368x208"},
      {"640 x 480", {"0 x 208"}, 0, " -s 176x144"},
      {"640 x 480", {"368 x 0"}, 0, " -s 176x144"},
      {"640 x 480", {"368 x 00"}, 0, " -s 368x00"},  // only exactly "0" counts as zero
      {"640 x 480", {}, -1, ""},
      {"640 x 480", {"(note)"}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell + " / " + c.expected);
    MainForm form;
    Set(form.ComboVideoSize, c.sizes, c.selected);
    EXPECT_EQ(SizeFragment(TakeSelections(form), c.cell), c.expected);
  }
}

}  // namespace
}  // namespace vidloom
