// Parsing vidloom-cli's command line.
#include "cli/arguments.h"

#include <gtest/gtest.h>

#include "platform/processors.h"

namespace vidloom::cli {
namespace {

TEST(CliArguments, ChoicesKeepTheirOrderAndTheFormatStandsApart) {
  const auto r = ParseArguments({"--audio-bitrate", "48 Kbps", "a.avi", "--format=14",
                                 "--video-size", "176 x 144 (QCIF)", "b b.avi"});
  ASSERT_TRUE(r.arguments) << r.error;
  EXPECT_EQ(r.arguments->format, "14");
  ASSERT_EQ(r.arguments->selections.size(), 2u);
  EXPECT_EQ(r.arguments->selections[0],
            std::make_pair(std::string("ComboAudioBitrate"), std::string("48 Kbps")));
  EXPECT_EQ(r.arguments->selections[1].first, "ComboVideoSize");
  EXPECT_EQ(r.arguments->files, (std::vector<std::string>{"a.avi", "b b.avi"}));
  EXPECT_EQ(r.arguments->mode, Mode::kConvert);
}

TEST(CliArguments, ModesAndFlags) {
  struct Case {
    std::vector<std::string> args;
    Mode mode;
  };
  const Case cases[] = {{{"--print-commands"}, Mode::kPrintCommands},
                        {{"--list-formats"}, Mode::kListFormats},
                        {{"--show-options"}, Mode::kShowOptions},
                        {{"--print-rows"}, Mode::kPrintRows},
                        {{"--help"}, Mode::kHelp}};
  for (const auto& c : cases) {
    const auto r = ParseArguments(c.args);
    ASSERT_TRUE(r.arguments) << c.args[0];
    EXPECT_EQ(r.arguments->mode, c.mode) << c.args[0];
  }
  const auto r =
      ParseArguments({"--overwrite", "--no-settings", "--yes", "--json", "--volume", "0"});
  ASSERT_TRUE(r.arguments);
  EXPECT_TRUE(r.arguments->json);
  EXPECT_TRUE(r.arguments->overwrite);
  EXPECT_TRUE(r.arguments->no_settings);
  EXPECT_TRUE(r.arguments->yes);
  EXPECT_EQ(r.arguments->volume, 0);
  EXPECT_FALSE(r.arguments->no_overwrite);
  const auto keep = ParseArguments({"--no-overwrite", "a.avi"});
  ASSERT_TRUE(keep.arguments);
  EXPECT_TRUE(keep.arguments->no_overwrite);
  EXPECT_FALSE(keep.arguments->overwrite);
  EXPECT_FALSE(keep.arguments->json);
  EXPECT_EQ(keep.arguments->jobs, 1);
  EXPECT_EQ(ParseArguments({"--jobs", "3"}).arguments->jobs, 3);
  EXPECT_EQ(ParseArguments({"--jobs=auto"}).arguments->jobs, platform::ProcessorCount());
}

TEST(CliArguments, FilesThatLookLikeOptionsAfterTheDoubleDash) {
  const auto r = ParseArguments({"--", "--print-commands", "-x.avi"});
  ASSERT_TRUE(r.arguments);
  EXPECT_EQ(r.arguments->files, (std::vector<std::string>{"--print-commands", "-x.avi"}));
  EXPECT_EQ(r.arguments->mode, Mode::kConvert);
}

TEST(CliArguments, MistakesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"--format"},       {"--volume", "11"}, {"--volume", "x"},
      {"--volume", "-1"}, {"--bogus"},        {"--overwrite=1"},
      {"--json=1"},       {"--letterbox"},    {"--overwrite", "--no-overwrite"},
      {"--jobs", "0"},    {"--jobs", "2x"},   {"--jobs"},
  };
  for (const auto& args : bad) {
    const auto r = ParseArguments(args);
    EXPECT_FALSE(r.arguments) << args[0];
    EXPECT_FALSE(r.error.empty());
  }
}

// Option values as people type them: the exact item, then without regard to case and blanks,
// then by the item's number; several items is no answer.
TEST(CliArguments, OptionValuesMatchItemsAsPeopleTypeThem) {
  const std::vector<std::string> rates = {"Auto", "8000  Hz", "16000 Hz", "22050 Hz"};
  const std::vector<std::string> sizes = {"368 x 208", "368 x 272", "176 x 144 (QCIF)"};
  const std::vector<std::string> bitrates = {"12.2 Kbps", "128 Kbps", "1128 Kbps"};
  struct Case {
    const std::vector<std::string>& items;
    std::string value;
    std::vector<int> candidates;
  } const cases[] = {
      {rates, "8000  Hz", {1}},     {rates, "8000 Hz", {1}}, {rates, "8000HZ", {1}},
      {rates, "auto", {0}},         {rates, "8000", {1}},    {rates, "16000", {2}},
      {rates, "44100", {}},         {rates, "8000 kHz", {}}, {rates, "", {}},
      {sizes, "368X208", {0}},      {sizes, "368", {0, 1}},  {sizes, "176x144(qcif)", {2}},
      {bitrates, "128", {1}},       {bitrates, "12.2", {0}}, {bitrates, "12", {}},
      {bitrates, "1128 kbps", {2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchItem(c.items, c.value).candidates, c.candidates) << "\"" << c.value << "\"";
  }
}

}  // namespace
}  // namespace vidloom::cli
