// End to end: vidloom-cli converts generated clips with the real encoder, to every format.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <thread>

#include "cli/run_program.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

using testing::Lines;
using testing::RunProgram;
using testing::TempDir;

const std::string kCli = VIDLOOM_CLI_PATH;

const char* const kFormats[] = {
    "PSP Video (Good Quality) (*.mp4)",
    "PSP Video (Normal Quality) (*.mp4)",
    "PSP Video (Small File Size) (*.mp4)",
    "PSP AVC Video (*.mp4)",
    "PSP AVC Video Format2 (*.mp4)",
    "PS3 Video(480P) (*.mp4)",
    "PS3 Video(720P) (*.mp4)",
    "PS3 Video(1080P) (*.mp4)",
    "AAC - Advance Audio Coding (*.aac)",
    "MP3 - Mpeg Layer3 Audio (*.mp3)",
    "3GP - 3rd Generation Partnership Project (*.3gp)",
    "3G2 - 3rd Generation Partnership Project 2 (*.3g2)",
};

class CliConvert : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    clips_ = new TempDir;
    // Three short clips in different containers, with sound, made by ffmpeg.
    const std::vector<std::pair<std::string, std::vector<std::string>>> clips = {
        {"one.avi", {"-c:v", "mpeg4", "-c:a", "mp3"}},
        {"two.mov", {"-c:v", "mpeg4", "-c:a", "aac"}},
        {"three four.mp4", {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}},
    };
    for (const auto& [name, codecs] : clips) {
      std::vector<std::string> args = {
          "-hide_banner", "-loglevel", "error", "-y",
          "-f",           "lavfi",     "-i",    "testsrc=size=320x240:rate=25:duration=2",
          "-f",           "lavfi",     "-i",    "sine=frequency=440:duration=2"};
      args.insert(args.end(), codecs.begin(), codecs.end());
      args.push_back("-shortest");
      args.push_back(*clips_ / name);
      ASSERT_EQ(RunProgram("/usr/bin/ffmpeg", args).status, 0) << name;
    }
  }
  static void TearDownTestSuite() { delete clips_; }

  static std::vector<std::string> Clips() {
    return {*clips_ / "one.avi", *clips_ / "two.mov", *clips_ / "three four.mp4"};
  }

  static TempDir* clips_;
};
TempDir* CliConvert::clips_ = nullptr;

class CliConvertFormat : public CliConvert, public ::testing::WithParamInterface<int> {};

TEST_P(CliConvertFormat, EveryClipEndsDone) {
  const std::string format = kFormats[GetParam()];
  TempDir out;
  std::vector<std::string> args = {"--no-settings", "--format", format, "--output-dir", out.path()};
  for (const auto& clip : Clips()) args.push_back(clip);
  const auto r = RunProgram(kCli, args);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto lines = Lines(r.out);
  int done = 0;
  for (const auto& line : lines) {
    if (line.rfind("  Done\t", 0) == 0) ++done;
  }
  EXPECT_EQ(done, 3) << r.out;
  const bool psp = format.rfind("PSP", 0) == 0;
  for (const char* base : {"one", "two", "three four"}) {
    std::string extension = format.substr(format.rfind("*.") + 2, 3);
    EXPECT_GT(std::filesystem::file_size(out / (std::string(base) + "." + extension)), 0u) << base;
    EXPECT_EQ(std::filesystem::exists(out / (std::string(base) + ".THM")), psp) << base;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, CliConvertFormat, ::testing::Range(0, 12));

TEST_F(CliConvert, CorruptInputFailsAfterItsRetryAndTheBatchGoesOn) {
  TempDir out;
  testing::WriteTextFile(out / "corrupt.avi", std::string(4096, '\x5a'));
  const auto r =
      RunProgram(kCli, {"--no-settings", "--format", "PS3 Video(480P) (*.mp4)", "--output-dir",
                        out / "result", out / "corrupt.avi", Clips()[0]});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const auto lines = Lines(r.out);
  // The encoder's own reason stands beside the word.
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "  Failed\t" + out / "corrupt.avi" +
                          "\tUnknown format: the input is not a readable media file"),
            lines.end())
      << r.out;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  Done\t" + Clips()[0]), lines.end()) << r.out;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1 of 2 files converted"), lines.end()) << r.out;
}

TEST_F(CliConvert, MissingInputFailsAndSaysWhy) {
  TempDir out;
  const auto r = RunProgram(kCli, {"--no-settings", "--source-size", "320 x 240", "--output-dir",
                                   out.path(), out / "gone.avi"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("  Failed\t" + out / "gone.avi" + "\tthe file no longer exists\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace vidloom
