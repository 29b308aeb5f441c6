// vidloom-cli --print-rows on media generated with ffmpeg, analysed by the reader and the real
// encoder: the rows "Add Files" gives. And the program directory's part: a missing encoder stops
// the adding; an encoder that cannot be started leaves the probed files without a row.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_program.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::Lines;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteTextFile;

const std::string kCli = VIDLOOM_CLI_PATH;

class CliRows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    media_ = new TempDir;
    const std::string lavfi = "ffmpeg -nostdin -v error -y -f lavfi -i ";
    const std::vector<std::string> commands = {
        lavfi + "testsrc=size=320x240:rate=25 -t 3 -c:v mpeg4 '" + *media_ / "v.avi'",
        lavfi + "sine=duration=4 -c:a libmp3lame '" + *media_ / "s.mp3'",
        lavfi + "testsrc=size=640x360:rate=30000/1001 -t 2 -pix_fmt yuv420p '" + *media_ / "w.mp4'",
        lavfi + "sine=duration=65 -ar 8000 '" + *media_ / "long.wav'",
        lavfi + "testsrc=size=160x120:rate=1 -t 3723 -c:v mpeg4 -q:v 31 '" + *media_ / "hour.avi'",
    };
    for (const auto& command : commands) {
      if (std::system(command.c_str()) != 0) {
        generated_ = false;
        return;
      }
    }
    WriteTextFile(*media_ / "junk.avi", "this is no media file\n");
    WriteTextFile(*media_ / "Track01.cda", "RIFF");
    generated_ = true;
  }
  static void TearDownTestSuite() {
    delete media_;
    media_ = nullptr;
  }
  void SetUp() override {
    if (!generated_) GTEST_SKIP() << "ffmpeg could not generate the media";
  }

  static std::string Media(const std::string& name) { return *media_ / name; }
  static std::string Row(const std::string& name, const std::vector<std::string>& cells) {
    std::string row = Media(name);
    for (const auto& cell : cells) row += "\t" + cell;
    return row;
  }

  static TempDir* media_;
  static bool generated_;
};

TempDir* CliRows::media_ = nullptr;
bool CliRows::generated_ = false;

TEST_F(CliRows, RowsOfReaderAndEncoder) {
  const auto r = RunProgram(kCli, {"--no-settings", "--print-rows", Media("v.avi"), Media("s.mp3"),
                                   Media("w.mp4"), Media("long.wav"), Media("hour.avi"),
                                   Media("junk.avi"), Media("Track01.cda"), Media("v.avi")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              Row("v.avi", {"320 x 240", "25", "00:00:03", "MP4", "", ""}),
                              // Audio only: the encoder's answer gives the row.
                              Row("s.mp3", {"0 x 0", "0", "00:00:04", "MP4", "", ""}),
                              Row("w.mp4", {"640 x 360", "30", "00:00:02", "MP4", "", ""}),
                              Row("long.wav", {"0 x 0", "0", "00:01:05", "MP4", "", ""}),
                              Row("hour.avi", {"160 x 120", "1", "01:02:03", "MP4", "", ""}),
                              // Rejected by the encoder in both forms.
                              Row("junk.avi", {"Unknown", "", "", "MP4", "", ""}),
                              // Never probed.
                              Row("Track01.cda", {"0 x 0", "0", "", "MP4", "", ""}),
                              // The same file again: another row.
                              Row("v.avi", {"320 x 240", "25", "00:00:03", "MP4", "", ""}),
                          }));
  EXPECT_TRUE(r.err.empty()) << r.err;

  // A folder stands for the media files inside it, in name order, as a dropped folder does.
  fs::create_directory(Media("folder"));
  fs::copy_file(Media("v.avi"), Media("folder/b.avi"));
  fs::copy_file(Media("s.mp3"), Media("folder/a.mp3"));
  WriteTextFile(Media("folder/notes.txt"), "not media\n");
  const auto folder = RunProgram(kCli, {"--no-settings", "--print-rows", Media("folder")});
  ASSERT_EQ(folder.status, 0) << folder.err;
  EXPECT_EQ(Lines(folder.out),
            (std::vector<std::string>{
                Row("folder/a.mp3", {"0 x 0", "0", "00:00:04", "MP4", "", ""}),
                Row("folder/b.avi", {"320 x 240", "25", "00:00:03", "MP4", "", ""}),
            }));
}

TEST_F(CliRows, OutputCellFollowsTheChosenFormat) {
  struct Case {
    const char* format;
    const char* extension;
  };
  for (const auto& c : {Case{"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3"},
                        Case{"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", "3G2"},
                        Case{"AAC - Advance Audio Coding (*.aac)", "AAC"}}) {
    const auto r = RunProgram(kCli, {"--no-settings", "--print-rows", "--format", c.format,
                                     Media("s.mp3"), Media("v.avi")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                Row("s.mp3", {"0 x 0", "0", "00:00:04", c.extension, "", ""}),
                                Row("v.avi", {"320 x 240", "25", "00:00:03", c.extension, "", ""}),
                            }));
  }
}

// A copy of vidloom-cli in a directory of its own, with or without something named raziz2u.
class CliProgramDirectory : public CliRows {
 protected:
  void SetUp() override {
    CliRows::SetUp();
    fs::copy_file(kCli, bin / "vidloom-cli");
    fs::permissions(bin / "vidloom-cli", fs::perms::owner_all, fs::perm_options::add);
  }
  TempDir bin;
};

TEST_F(CliProgramDirectory, MissingEncoderAddsNothing) {
  const auto r = RunProgram(bin / "vidloom-cli", {"--no-settings", "--print-rows", Media("v.avi")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_NE(r.err.find("A required file is missing!"), std::string::npos) << r.err;
}

TEST_F(CliProgramDirectory, EncoderThatCannotStartLeavesProbedFilesOut) {
  // The song is described by the reader as the encoder would describe it: it needs no encoder.
  // The file the reader cannot open needs the encoder's probe, and gets no row without it.
  WriteTextFile(bin / "raziz2u", "not a program");  // present, but not executable
  const auto r = RunProgram(bin / "vidloom-cli", {"--no-settings", "--print-rows", Media("s.mp3"),
                                                  Media("junk.avi"), Media("v.avi")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              Row("s.mp3", {"0 x 0", "0", "00:00:04", "MP4", "", ""}),
                              Row("v.avi", {"320 x 240", "25", "00:00:03", "MP4", "", ""})}));
  EXPECT_NE(r.err.find("could not be started to analyse " + Media("junk.avi")), std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace vidloom
