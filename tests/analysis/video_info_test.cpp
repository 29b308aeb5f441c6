// The media-information reader on media generated at test time with the ffmpeg command line.
#include "analysis/video_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "analysis/analyse_file.h"
#include "support/refused_inputs.h"
#include "support/temp_dir.h"

namespace vidloom::analysis {
namespace {

using vidloom::testing::ReadTextFile;
using vidloom::testing::TempDir;
using vidloom::testing::WriteTextFile;

TEST(FormatReaderDuration, MinutesBelowAnHourHoursFromThere) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {0, "00:00"},      {0.99, "00:00"},    {3.2, "00:03"},      {754, "12:34"},
      {3599.9, "59:59"}, {3600, "01:00:00"}, {3723, "01:02:03"},  {360000, "100:00:00"},
      {-1, "0"},         {1e300, "0"},       {std::nan(""), "0"}, {HUGE_VAL, "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatReaderDuration(c.seconds), c.text) << c.seconds;
  }
}

class VideoInfoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) return;
    media_ = new TempDir;
    const std::string d = media_->path();
    auto make = [&](const std::string& args, const std::string& name) {
      const std::string command =
          "ffmpeg -nostdin -v error -y " + args + " '" + d + "/" + name + "'";
      return std::system(command.c_str()) == 0;
    };
    ready_ = make(
                 "-f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi -i "
                 "sine=frequency=440:duration=3 -c:v mpeg4 -c:a aac -shortest",
                 "video.mp4") &&
             make("-f lavfi -i testsrc=size=176x144:rate=30000/1001:duration=2 -c:v mpeg4",
                  "ntsc.avi") &&
             make("-f lavfi -i sine=frequency=440:duration=2 -c:a libmp3lame", "audio.mp3") &&
             make("-f lavfi -i testsrc=size=16x16:rate=1:duration=3725 -c:v mpeg4", "long.mkv") &&
             make("-f lavfi -i testsrc=size=320x240:rate=25:duration=3 -c:v mpeg4",
                  "odd name #1 ?x=y.avi");
    if (!ready_) return;
    // Audio of several kinds for the comparison with the encoder's probe; a kind this ffmpeg
    // cannot write is left out.
    make(
        "-f lavfi -i sine=duration=2 -f lavfi -i color=red:size=64x64:duration=1 -map 0 -map 1 "
        "-c:a libmp3lame -c:v mjpeg -pix_fmt yuvj420p -frames:v 1 -disposition:v attached_pic",
        "cover.mp3");
    make("-f lavfi -i sine=sample_rate=11025:duration=1.5 -c:a pcm_s16le", "mono11k.wav");
    make("-f lavfi -i sine=duration=2 -af aformat=channel_layouts=5.1 -c:a flac", "six.flac");
    make("-f lavfi -i sine=duration=3.7 -c:a aac", "tone.m4a");
    make("-f lavfi -i sine=duration=2 -c:a aac -f adts", "tone.aac");
    make("-f lavfi -i sine=duration=2 -c:a libvorbis", "tone.ogg");
    make("-f lavfi -i anullsrc=sample_rate=8000 -t 0 -c:a pcm_s16le", "zero.wav");
    WriteTextFile(d + "/truncated.mp3", ReadTextFile(d + "/audio.mp3").substr(0, 700));
    // Cut in the middle: its index (at the end) is lost.
    const std::string whole = ReadTextFile(d + "/video.mp4");
    WriteTextFile(d + "/truncated.mp4", whole.substr(0, whole.size() / 2));
    WriteTextFile(d + "/empty.avi", "");
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "this is a note, not a film\n";
    WriteTextFile(d + "/notes.avi", text);
    WriteTextFile(d + "/notes.txt", text);
    std::filesystem::create_directory(d + "/folder.avi");
  }
  static void TearDownTestSuite() {
    delete media_;
    media_ = nullptr;
  }
  void SetUp() override {
    if (!media_ || !ready_) GTEST_SKIP() << "the ffmpeg command line is not available";
  }
  static std::string Path(const std::string& name) { return media_->path() + "/" + name; }

  static inline TempDir* media_ = nullptr;
  static inline bool ready_ = false;
};

void ExpectUnknown(const VideoInfoValues& v) {
  EXPECT_EQ(v.width, 0);
  EXPECT_EQ(v.height, 0);
  EXPECT_EQ(v.frame_rate, 0);
  EXPECT_EQ(v.duration, "0");
}

TEST_F(VideoInfoTest, VideoFiles) {
  const auto video = ReadVideoInfo(Path("video.mp4"));
  EXPECT_EQ(video.width, 320);
  EXPECT_EQ(video.height, 240);
  EXPECT_DOUBLE_EQ(video.frame_rate, 25.0);
  EXPECT_EQ(video.duration, "00:03");

  const auto ntsc = ReadVideoInfo(Path("ntsc.avi"));
  EXPECT_EQ(ntsc.width, 176);
  EXPECT_EQ(ntsc.height, 144);
  EXPECT_NEAR(ntsc.frame_rate, 29.97, 0.001);
  EXPECT_EQ(ntsc.duration, "00:02");

  const auto odd = ReadVideoInfo(Path("odd name #1 ?x=y.avi"));
  EXPECT_EQ(odd.width, 320);
  EXPECT_EQ(odd.duration, "00:03");
}

TEST_F(VideoInfoTest, AnHourAndMoreShowsHours) {
  const auto v = ReadVideoInfo(Path("long.mkv"));
  EXPECT_EQ(v.width, 16);
  EXPECT_EQ(v.duration, "01:02:05");
}

TEST_F(VideoInfoTest, AudioOnlyHasNoFrameSizeButADuration) {
  const auto v = ReadVideoInfo(Path("audio.mp3"));
  EXPECT_EQ(v.width, 0);
  EXPECT_EQ(v.height, 0);
  EXPECT_EQ(v.frame_rate, 0);
  EXPECT_EQ(v.duration, "00:02");
}

TEST_F(VideoInfoTest, TruncatedFileGivesItsValuesOrUnknown) {
  const auto v = ReadVideoInfo(Path("truncated.mp4"));
  if (v.width == 0) {
    ExpectUnknown(v);
  } else {
    EXPECT_EQ(v.width, 320);
    EXPECT_EQ(v.height, 240);
  }
}

TEST_F(VideoInfoTest, WhatIsNoMediaReadsAsUnknown) {
  for (const std::string name :
       {"empty.avi", "notes.avi", "notes.txt", "folder.avi", "missing.avi", ""}) {
    SCOPED_TRACE(name);
    ExpectUnknown(ReadVideoInfo(name.empty() ? "" : Path(name)));
  }
}

TEST_F(VideoInfoTest, WhatWouldBlockOrOpenOtherFilesReadsAsUnknownAtOnce) {
  // A pipe without a writer, a device, a socket, playlists that name a real clip, text and an
  // image pattern: nothing is opened that could block, and no playlist reaches its clip.
  TempDir dir;
  const auto inputs = vidloom::testing::MakeRefusedInputs(dir.path(), Path("video.mp4"));
  const auto started = std::chrono::steady_clock::now();
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.name);
    ExpectUnknown(ReadVideoInfo(dir / input.name));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_F(VideoInfoTest, OnlyLocalFilesAreOpened) {
  // Taken as local file names, which do not exist: unknown at once, no network.
  const auto started = std::chrono::steady_clock::now();
  for (const char* url : {"http://127.0.0.1:9/x.mp4", "tcp://127.0.0.1:9", "pipe:0",
                          "concat:/etc/passwd", "data:video/mp4;base64,AAAA"}) {
    SCOPED_TRACE(url);
    ExpectUnknown(ReadVideoInfo(url));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_F(VideoInfoTest, TheReaderObjectKeepsTheLastAnalysis) {
  VideoInfo info;
  info.FileName = Path("video.mp4");
  info.Analyze();
  EXPECT_EQ(info.VideoWidth(), 320);
  EXPECT_EQ(info.VideoHeight(), 240);
  EXPECT_DOUBLE_EQ(info.VideoFrameRate(), 25.0);
  EXPECT_EQ(info.VideoDuration(), "00:03");
  info.FileName = Path("missing.avi");
  info.Analyze();
  ExpectUnknown(info.values());
}

TEST_F(VideoInfoTest, AnExpiredDeadlineGivesUnknownValues) {
  VideoInfoLimits limits;
  limits.timeout_ms = 0;
  ExpectUnknown(ReadVideoInfo(Path("video.mp4"), limits));
}

#ifdef RAZIZ2U_PATH
TEST_F(VideoInfoTest, RowsFromTheReaderEqualTheEncodersProbe) {
  // Each file's row with the in-process description against the row of the real encoder's
  // probe; a file the reader describes must not need the encoder at all.
  const auto texts = [](const RowTexts& row) {
    return std::tuple(row.size, row.frame_rate, row.duration, row.display_size);
  };
  int described = 0;
  for (const std::string name :
       {"audio.mp3", "cover.mp3", "mono11k.wav", "six.flac", "tone.m4a", "tone.aac", "tone.ogg",
        "zero.wav", "truncated.mp3", "video.mp4", "ntsc.avi", "truncated.mp4", "empty.avi",
        "notes.avi", "long.mkv"}) {
    if (!std::filesystem::exists(Path(name))) continue;
    SCOPED_TRACE(name);
    AnalyseOptions with_probe{.encoder_path = RAZIZ2U_PATH, .probe_in_process = false};
    AnalyseOptions in_process{.encoder_path = RAZIZ2U_PATH};
    const auto expected = AnalyseFile(Path(name), with_probe);
    const auto got = AnalyseFile(Path(name), in_process);
    ASSERT_TRUE(expected && got);
    EXPECT_EQ(texts(*got), texts(*expected));
    if (ReadVideoInfo(Path(name)).encoder_description.empty()) continue;
    ++described;
    AnalyseOptions no_encoder{.encoder_path = "/nonexistent/raziz2u"};
    const auto alone = AnalyseFile(Path(name), no_encoder);
    ASSERT_TRUE(alone) << "the encoder was needed";
    EXPECT_EQ(texts(*alone), texts(*expected));
  }
  EXPECT_GE(described, 6) << "the audio files are described in process";
}
#endif

}  // namespace
}  // namespace vidloom::analysis
