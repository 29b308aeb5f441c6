// vidloom-cli's dry run, list and option views, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/run_program.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

using testing::Lines;
using testing::RunProgram;
using testing::TempDir;

const std::string kCli = VIDLOOM_CLI_PATH;
const std::string kProgramDir =
    std::filesystem::path(VIDLOOM_CLI_PATH).parent_path().string() + "/";

TEST(CliDryRun, ListsTheSixteenFormatRows) {
  const auto r = RunProgram(kCli, {"--list-formats"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Lines(r.out);
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[0], "PSP Video (Good Quality) (*.mp4)\tpsp");
  EXPECT_EQ(rows[3], "              -----------------------------------------------------");
  EXPECT_EQ(rows[5], "PSP AVC Video Format2 (*.mp4)\tpsp-avc2");
  EXPECT_EQ(rows[15], "3G2 - 3rd Generation Partnership Project 2 (*.3g2)\t3g2");
}

// A format by its short name or its extension, in any case, chooses the row of its full text;
// an extension that several formats share chooses none and names them.
TEST(CliDryRun, FormatByShortNameOrExtension) {
  struct Case {
    const char* name;
    int row;
  };
  for (const Case& c :
       {Case{"mp3", 12}, Case{"MP3", 12}, Case{"3g2", 15}, Case{"AAC", 11}, Case{"psp", 0},
        Case{"psp-avc2", 5}, Case{"PS3-720P", 8}, Case{"psp-small", 2}}) {
    const auto r = RunProgram(kCli, {"--no-settings", "--show-options", "--format", c.name});
    ASSERT_EQ(r.status, 0) << c.name << r.err;
    EXPECT_EQ(Lines(r.out).at(0).rfind("ComboOutputFormat\t1\t" + std::to_string(c.row) + "\t", 0),
              0u)
        << c.name;
  }
  const auto mp4 = RunProgram(kCli, {"--no-settings", "--show-options", "--format", "MP4"});
  EXPECT_EQ(mp4.status, 2);
  EXPECT_TRUE(mp4.out.empty());
  EXPECT_NE(mp4.err.find("\"MP4\" is ambiguous"), std::string::npos) << mp4.err;
  for (const char* candidate : {"psp ", "psp-normal ", "psp-avc2 ", "ps3-1080p "}) {
    EXPECT_NE(mp4.err.find(candidate), std::string::npos) << candidate << mp4.err;
  }
  EXPECT_EQ(mp4.err.find("mp3"), std::string::npos) << mp4.err;
}

TEST(CliDryRun, WorkedPspExampleToTheCharacter) {
  TempDir dir;
  testing::WriteTextFile(dir / "clip.avi", "x");
  const auto r =
      RunProgram(kCli, {"--no-settings", "--print-commands", "--letterbox", "None", "--source-size",
                        "640 x 480", "--output-dir", dir / "Converted Video", dir / "clip.avi"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string head = "\"" + kProgramDir + "raziz2u\" -@ -y  -i \"" + dir / "clip.avi\"";
  EXPECT_EQ(Lines(r.out),
            (std::vector<std::string>{
                head +
                    " -vcodec \"xvid\" -b \"768\" -r \"29.97\"  -acodec \"mpeg4aac\" -ab \"64\" "
                    "-ar \"24000\" -ac \"2 (stereo)\" -s 368x208 -f psp \"" +
                    dir / "Converted Video/clip.mp4\"",
                head + " -f singlejpeg -ss 3 -vframes 1  -s 368x208 -an  \"" +
                    dir / "Converted Video/clip.THM\""}));
  // A dry run creates nothing, not even the output directory it names.
  EXPECT_FALSE(std::filesystem::exists(dir / "Converted Video"));

  // A directory that could not be created is still the error the batch would meet.
  const auto blocked =
      RunProgram(kCli, {"--no-settings", "--print-commands", "--source-size", "640 x 480",
                        "--output-dir", dir / "no/such/parent", dir / "clip.avi"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("Fail to create directory."), std::string::npos) << blocked.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(CliDryRun, SelectionsAreAppliedAsAUserPicksThem) {
  TempDir dir;
  // Values as people type them: a number alone, another case.
  const auto r = RunProgram(
      kCli, {"--no-settings", "--print-commands", "--format", "MP3 - Mpeg Layer3 Audio (*.mp3)",
             "--audio-bitrate", "128", "--channels", "mono", "--volume", "8", "--source-size",
             "0 x 0", "--output-dir", dir.path(), dir / "song.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\"" + kProgramDir + "raziz2u\" -@ -y  -i \"" + dir / "song.wav\"" +
                       " -id3v1 -id3v2 -acodec \"mp3\" -ab \"128\" -ar \"48000\" -ac \"1 (mono)\" "
                       "-vol_factor \"80\" \"" +
                       dir / "song.mp3\"\n");
}

TEST(CliDryRun, FormatByRowIndexAndShowOptions) {
  const auto r = RunProgram(kCli, {"--no-settings", "--show-options", "--format", "14"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0].rfind("ComboOutputFormat\t1\t14\t", 0), 0u);
  EXPECT_EQ(lines[1], "ComboVideoCodec\t1\t0\tMPEG4\tH263\tXVID");
  EXPECT_EQ(lines[7], "ComboAudioChannel\t1\t1\tStereo\tMono");
  EXPECT_EQ(lines[8], "ComboSamplingRate\t1\t0\t8000  Hz\t16000 Hz");
  EXPECT_EQ(lines[9], "ComboLetterBox\t1\t1\tNone\tLetterBox");
}

TEST(CliDryRun, UnlistedItemsAreUsageErrorsThatListTheValidOnes) {
  const auto r = RunProgram(kCli, {"--no-settings", "--print-commands", "--video-size", "999 x 999",
                                   "--source-size", "0 x 0", "x.avi"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("\"368 x 208\""), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());

  const auto f = RunProgram(kCli, {"--print-commands", "--format", "zune", "x.avi"});
  EXPECT_EQ(f.status, 2);
  EXPECT_NE(f.err.find("PSP AVC Video (*.mp4)"), std::string::npos) << f.err;

  // A separator row of the format list is no format.
  const auto separator = RunProgram(kCli, {"--print-commands", "--format", "3", "x.avi"});
  EXPECT_EQ(separator.status, 2);
  EXPECT_NE(separator.err.find("psp-avc"), std::string::npos) << separator.err;
  EXPECT_NE(separator.err.find("row 3 of the format list is a separator"), std::string::npos)
      << separator.err;

  // A value that names several items says which.
  const auto several =
      RunProgram(kCli, {"--no-settings", "--print-commands", "--format", "ps3-480p", "--video-size",
                        "720", "--source-size", "0 x 0", "x.avi"});
  EXPECT_EQ(several.status, 2);
  EXPECT_NE(several.err.find("names several items"), std::string::npos) << several.err;
}

TEST(CliDryRun, NoFilesOrUnknownOptionsAreUsageErrors) {
  EXPECT_EQ(RunProgram(kCli, {"--print-commands"}).status, 2);
  EXPECT_EQ(RunProgram(kCli, {"--frobnicate", "a.avi"}).status, 2);
  const auto help = RunProgram(kCli, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--print-commands"), std::string::npos);
  EXPECT_NE(help.out.find("\"reason\",\n                        \"notes\"}"), std::string::npos)
      << "every JSON field is named";
  const auto version = RunProgram(kCli, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("vidloom-cli (Vidloom) ", 0), 0u) << version.out;
}

TEST(CliDryRun, DirectoryThatCannotBeMadeIsReported) {
  TempDir dir;
  const auto r = RunProgram(kCli, {"--no-settings", "--print-commands", "--source-size",
                                   "640 x 480", "--output-dir", dir / "a/b", dir / "x.avi"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Fail to create directory."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vidloom
