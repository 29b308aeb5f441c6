#include <gtest/gtest.h>

#include "analysis/probe.h"
#include "platform/command_line.h"

namespace vidloom::analysis {
namespace {

struct ParseCase {
  const char* name;
  std::vector<std::string> lines;
  const char* frame_size;
  const char* frame_rate;
  const char* duration;
};

TEST(ParseProbeOutput, Table) {
  const ParseCase cases[] = {
      {"worked example",
       {"Input #0, avi, from 'D:\\Clips\\trip.avi':", "  Duration: 00:02:05.3, bitrate: 1150 kb/s",
        "  Stream #0.0: Video: mpeg4, 640x480, 25.00 fps",
        "  Stream #0.1: Audio: mp3, 44100 Hz, stereo"},
       "640 x 480",
       "25",
       "00:02:05"},
      {"29.97 stays",
       {"Input #0, x", "Duration: 01:00:00.00", "Stream #0.0: Video: h264, 720x480, 29.97 fps"},
       "720 x 480",
       "29.97",
       "01:00:00"},
      {"30.00 becomes 30",
       {"Input #0, x", "Duration: 00:00:10.00", "Stream #0.0: Video: h264, 320x240, 30.00 fps"},
       "320 x 240",
       "30",
       "00:00:10"},
      {"23.98 stays",
       {"Input #0, x", "Stream #0.0: Video: h264, 320x240, 23.98 fps"},
       "320 x 240",
       "23.98",
       ""},
      {"25.0 stays (one zero is not two)",
       {"Input #0, x", "Stream #0.0: Video: h264, 320x240, 25.0 fps"},
       "320 x 240",
       "25.0",
       ""},
      {"N/A gives zeros and ends the parse",
       {"Input #0, x", "  Duration: N/A, bitrate: N/A",
        "  Stream #0.0: Video: mpeg4, 640x480, 25.00 fps"},
       "0 x 0",
       "0",
       "00:00:00"},
      {"N/A after a video line keeps that line's values",
       {"Input #0, x", "Stream #0.0: Video: mpeg4, 640x480, 25.00 fps", "Duration: N/A",
        "Stream #0.1: Video: mpeg4, 320x240, 30.00 fps"},
       "640 x 480",
       "25",
       "00:00:00"},
      {"last video stream wins",
       {"Input #0, x", "Stream #0.0: Video: mpeg4, 640x480, 25.00 fps",
        "Stream #0.1: Video: h264, 1280x720, 50.00 fps"},
       "1280 x 720",
       "50",
       ""},
      {"video line without commas", {"Input #0, x", "Stream #0.0: Video: mpeg4"}, "0 x 0", "", ""},
      {"video line without fps",
       {"Input #0, x", "Stream #0.0: Video: mpeg4, 640x480"},
       "640 x 480",
       "",
       ""},
      {"size field without x",
       {"Input #0, x", "Stream #0.0: Video: mpeg4, yuv420p, 25.00 fps"},
       "0 x 0",
       "25",
       ""},
      {"empty width",
       {"Input #0, x", "Stream #0.0: Video: mpeg4, x480, 25.00 fps"},
       "0 x 0",
       "25",
       ""},
      {"audio only",
       {"Input #0, mp3", "  Duration: 00:03:30.50, bitrate: 128 kb/s",
        "  Stream #0.0: Audio: mp3, 44100 Hz, stereo"},
       "0 x 0",
       "0",
       "00:03:30"},
      {"short duration text: missing characters are missing",
       {"Input #0, x", "Duration: 00:0"},
       "0 x 0",
       "0",
       "00:0:"},
      {"a later duration overrides",
       {"Input #0, x", "Duration: 00:00:01.0", "Duration: 00:00:02.0"},
       "0 x 0",
       "0",
       "00:00:02"},
      {"fps field further on",
       {"Input #0, x", "Stream #0.0: Video: mpeg4, 640x480, 1150 kb/s, 25.00 fps"},
       "640 x 480",
       "1150 kb/s, 25",
       ""},
      {"nothing printed", {}, "0 x 0", "0", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProbeValues values;
    values.Path = "keep";
    values.FrameSize = "1 x 1";
    values.FrameRate = "99";
    values.Duration = "11:11:11";  // a previous file's duration never survives
    ParseProbeOutput(c.lines, values);
    EXPECT_EQ(values.FrameSize, c.frame_size);
    EXPECT_EQ(values.FrameRate, c.frame_rate);
    EXPECT_EQ(values.Duration, c.duration);
    EXPECT_EQ(values.Path, "keep");
  }
}

TEST(SplitProbeLines, EveryLineBreakEndsALine) {
  EXPECT_EQ(SplitProbeLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitProbeLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitProbeLines(std::string("x\0y\n", 4)), (std::vector<std::string>{"xy"}));
  EXPECT_TRUE(SplitProbeLines("").empty());
  EXPECT_EQ(SplitProbeLines("\n"), (std::vector<std::string>{""}));
}

TEST(JudgeFirstLine, WaitsForTheHeaderALineBreakOrTheEnd) {
  struct Case {
    const char* answer;
    bool at_end;
    std::optional<bool> described;
  };
  const Case cases[] = {
      {"Inp", false, std::nullopt},       // a piece of the first read: more may come
      {"Input #0", false, std::nullopt},  // one character short of the header
      {"Input #0,", false, true},         // the whole header, before its line ends
      {"Input #0, avi\r\n  Dura", false, true},
      {"Error\n", false, false},         // a line break decides a short line
      {"Unknown format", false, false},  // as long as the header, and not it
      {"Inp", true, false},              // the end decides any text
      {"", true, std::nullopt},          // nothing said: nothing to judge
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeFirstLine(c.answer, c.at_end), c.described) << c.answer;
  }
}

TEST(IsInputDescription, FirstNineCharactersCaseSensitive) {
  EXPECT_TRUE(IsInputDescription("Input #0, avi, from 'x':"));
  EXPECT_TRUE(IsInputDescription("Input #0,"));
  EXPECT_FALSE(IsInputDescription("input #0, avi"));
  EXPECT_FALSE(IsInputDescription("Input #0"));
  EXPECT_FALSE(IsInputDescription("raziz2u version 2.0"));
  EXPECT_FALSE(IsInputDescription(" Input #0,"));
  EXPECT_FALSE(IsInputDescription(""));
}

TEST(ProbeCommandLine, FormAndQuoting) {
  EXPECT_EQ(ProbeCommandLine("raziz2u.exe", "D:\\Clips\\trip.avi", ProbeMode::Plain),
            "\"raziz2u.exe\" -@ -y  -i \"D:\\Clips\\trip.avi\"");
  EXPECT_EQ(ProbeCommandLine("raziz2u.exe", "D:\\Clips\\trip.avi", ProbeMode::Prefixed),
            "\"raziz2u.exe\" -@ -y  -i \"DS:\\\\D:\\Clips\\trip.avi\"");
  // The path as given: it was resolved (platform::ResolveGivenPath) when it was added, and a
  // name that really ends in a blank keeps it.
  EXPECT_EQ(ProbeCommandLine("/opt/v/raziz2u", "/m/a b.avi ", ProbeMode::Plain),
            "\"/opt/v/raziz2u\" -@ -y  -i \"/m/a b.avi \"");

  // A path with quotes and backslashes comes back whole as one argument.
  const std::string tricky = "/m/say \"hi\" -y \\\" x\\";
  const auto args =
      platform::SplitCommandLine(ProbeCommandLine("/opt/v/raziz2u", tricky, ProbeMode::Plain));
  ASSERT_TRUE(args.has_value());
  EXPECT_EQ(*args, (std::vector<std::string>{"/opt/v/raziz2u", "-@", "-y", "-i", tricky}));
  const auto prefixed =
      platform::SplitCommandLine(ProbeCommandLine("/opt/v/raziz2u", tricky, ProbeMode::Prefixed));
  ASSERT_TRUE(prefixed.has_value());
  EXPECT_EQ(prefixed->back(), "DS:\\\\" + tricky);
}

}  // namespace
}  // namespace vidloom::analysis
