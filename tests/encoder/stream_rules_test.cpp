// The encoder's stream rules and filter chains on plain values: frame, bars, pixel aspect,
// orientation, rates and levels, and the reading of boxes, without any media file.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/display.h>
}

#include "boxes.h"
#include "filter_chain.h"
#include "media/display.h"
#include "stream_rules.h"
#include "work_queue.h"

namespace raziz2u {
namespace {

using vidloom::media::Upright;

// A request with only the given options set.
template <typename Set>
Request Asked(Set set) {
  Request request;
  set(request);
  return request;
}

Request Sized(int width, int height) {
  return Asked([&](Request& r) {
    r.width = width;
    r.height = height;
  });
}

Upright UprightAt(double degrees, bool hflip = false, bool vflip = false) {
  int32_t matrix[9];
  av_display_rotation_set(matrix, degrees);
  av_display_matrix_flip(matrix, hflip ? 1 : 0, vflip ? 1 : 0);
  return vidloom::media::UprightFrom(matrix);
}

TEST(Orientation, DisplayMatricesGiveTheCommandLinesFilters) {
  // Matrices made by av_display_rotation_set(degrees), then mirrored: a matrix of 90 there reads
  // back as a rotation of -90 (a phone's picture stored on its side), shown turned clockwise.
  struct Case {
    double degrees;
    bool hflip, vflip;
    const char* filters;
    bool swaps;
  } const cases[] = {
      {0, false, false, "", false},
      {90, false, false, "transpose=clock,", true},
      {-90, false, false, "transpose=cclock,", true},
      {180, false, false, "hflip,vflip,", false},
      {90, true, false, "transpose=cclock_flip,", true},
      {-90, true, false, "transpose=clock_flip,", true},
      {0, false, true, "vflip,", false},
      {45, false, false, "", false},  // not a quarter: left as it is
  };
  for (const Case& c : cases) {
    const Upright upright = UprightAt(c.degrees, c.hflip, c.vflip);
    EXPECT_EQ(UprightFilters(upright), c.filters) << c.degrees << " " << c.hflip << c.vflip;
    EXPECT_EQ(upright.SwapsSides(), c.swaps) << c.degrees;
  }
  const int32_t degenerate[9] = {};
  EXPECT_EQ(vidloom::media::UprightFrom(degenerate), Upright{});
}

TEST(Orientation, PixelAspectFallsBackFromCodecToContainerToSquare) {
  EXPECT_EQ(av_cmp_q(vidloom::media::PixelAspect({16, 15}, {4, 3}), AVRational{16, 15}), 0);
  EXPECT_EQ(av_cmp_q(vidloom::media::PixelAspect({0, 1}, {4, 3}), AVRational{4, 3}), 0);
  EXPECT_EQ(av_cmp_q(vidloom::media::PixelAspect({0, 0}, {-1, 1}), AVRational{1, 1}), 0);
}

VideoSource Pal(AVRational sar = {16, 15}) {
  return {.width = 720, .height = 576, .pixel_aspect = sar, .frame_rate = {25, 1}};
}

TEST(VideoFrame, LetterboxedPspFrameIsPictureAndBlackBarsWithSquarePixels) {
  // A 720x576 16:15 source (4:3 shown) in the PSP's 368x208: a 276x208 picture, bars of 46.
  Request request = Sized(276, 208);
  request.pad_left = request.pad_right = 46;
  const VideoFrame frame = PlanVideoFrame(request, "mpeg4", "psp", false, Pal());
  ASSERT_EQ(frame.error, "");
  EXPECT_EQ(frame.width, 368);
  EXPECT_EQ(frame.height, 208);
  EXPECT_EQ(av_cmp_q(frame.pixel_aspect, AVRational{1, 1}), 0);
  EXPECT_EQ(VideoChain(frame, {}, false, "yuv420p"),
            "fps=25/1:round=up,scale=276:208:flags=bicubic,setsar=1/1,pad=368:208:46:0:black,"
            "format=yuv420p");
}

TEST(VideoFrame, OnlyAnMp4AtTheSourceSizeKeepsItsPixelAspect) {
  const Request own_size;
  VideoFrame frame = PlanVideoFrame(own_size, "libx264", "mp4", false, Pal());
  EXPECT_EQ(frame.width, 720);
  EXPECT_EQ(av_cmp_q(frame.pixel_aspect, AVRational{16, 15}), 0);
  frame = PlanVideoFrame(own_size, "libx264", "psp", false, Pal());
  EXPECT_EQ(av_cmp_q(frame.pixel_aspect, AVRational{1, 1}), 0);
  frame = PlanVideoFrame(Sized(640, 480), "libx264", "mp4", false, Pal());
  EXPECT_EQ(av_cmp_q(frame.pixel_aspect, AVRational{1, 1}), 0);

  // A quarter turn swaps the sides and the aspect: the stored 720x576 16:15 is shown 576x720,
  // its pixels 15:16, turned before it is scaled.
  VideoSource turned = Pal();
  turned.upright = UprightAt(90);
  frame = PlanVideoFrame(own_size, "libx264", "mov", false, turned);
  EXPECT_EQ(frame.width, 576);
  EXPECT_EQ(frame.height, 720);
  EXPECT_EQ(av_cmp_q(frame.pixel_aspect, AVRational{15, 16}), 0);
  EXPECT_EQ(VideoChain(frame, turned.upright, true, "yuvj420p"),
            "transpose=clock,scale=576:720:flags=bicubic,setsar=15/16,format=yuvj420p");
}

TEST(VideoFrame, H263SizesAreHeldInTheSmallestStandardFrame) {
  VideoFrame frame = PlanVideoFrame(Sized(160, 120), "h263", "3gp", false, Pal({1, 1}));
  ASSERT_EQ(frame.error, "");
  EXPECT_EQ(frame.width, 176);
  EXPECT_EQ(frame.height, 144);
  EXPECT_EQ(frame.pad_left + frame.pad_right, 16);
  EXPECT_EQ(frame.pad_left, 8);
  EXPECT_EQ(frame.pad_top, 12);
  EXPECT_EQ(frame.pad_bottom, 12);
  frame = PlanVideoFrame(Sized(1600, 1200), "h263", "3gp", false, Pal());
  EXPECT_NE(frame.error.find("H.263 takes only"), std::string::npos) << frame.error;
  frame = PlanVideoFrame(Sized(175, 144), "mpeg4", "3gp", false, Pal());
  EXPECT_EQ(frame.error, "the frame size 175x144 must be a multiple of 2");
}

TEST(VideoFrame, RatesComeFromTheRequestOrAPlausibleSource) {
  const Request ntsc = Asked([](Request& r) {
    r.frame_rate_num = 30000;
    r.frame_rate_den = 1001;
  });
  EXPECT_EQ(av_cmp_q(PlanVideoFrame(ntsc, "mpeg4", "psp", false, Pal()).frame_rate,
                     AVRational{30000, 1001}),
            0);
  VideoSource source = Pal();
  source.frame_rate = {1000, 1};  // a time base, not a rate
  EXPECT_EQ(av_cmp_q(PlanVideoFrame({}, "mpeg4", "psp", false, source).frame_rate, {25, 1}), 0);
  source.frame_rate = {24000000, 1000001};  // a denominator H.263 cannot code
  const AVRational reduced = PlanVideoFrame({}, "h263", "3gp", false, source).frame_rate;
  EXPECT_LE(reduced.den, 65535);
  EXPECT_NEAR(av_q2d(reduced), 24000000.0 / 1000001, 1e-4);
  EXPECT_EQ(PlanVideoFrame({}, "libx264", "mp4", false, source).frame_rate.den, 1000001);
}

TEST(VideoCoding, LevelsAndDeviceSettingsFollowTheStream) {
  const VideoFrame psp{.picture_width = 368,
                       .picture_height = 208,
                       .width = 368,
                       .height = 208,
                       .frame_rate = {30000, 1001}};
  // The PSP's H.264 at 400 kbit/s capped at 1500: Main profile at level 2.1 (its box's own).
  VideoCoding coding = PlanVideoCoding(Asked([](Request& r) {
                                         r.video_kbps = 400;
                                         r.max_kbps = 1500;
                                         r.coder = 1;
                                       }),
                                       "libx264", "psp", false, psp, 0);
  EXPECT_EQ(coding.bit_rate, 400000);
  EXPECT_EQ(coding.max_rate, 1500000);
  EXPECT_FALSE(coding.psp_level.has_value());
  const decltype(coding.options) psp_options = {
      {"profile", "main"},
      {"x264-params", "ref=3:b-pyramid=none:weightp=0:weightb=0"},
      {"level", "2.1"},
      {"coder", "cabac"}};
  EXPECT_EQ(coding.options, psp_options);

  // MPEG-4 at 768 kbit/s, half again as tolerance: Simple profile level 4 (4a) in the stream
  // and in the PSP's box; no B-frames.
  coding = PlanVideoCoding(Asked([](Request& r) { r.video_kbps = 768; }), "mpeg4", "psp", false,
                           psp, 200000);
  EXPECT_EQ(coding.bit_rate, 768000);
  EXPECT_TRUE(coding.no_b_frames);
  EXPECT_TRUE(coding.mpeg4_simple_profile);
  EXPECT_EQ(coding.mpeg4_level, 4);
  EXPECT_EQ(coding.psp_level, 4);
  // Without -b or -qscale the stream is coded at 768 kbit/s.
  EXPECT_EQ(PlanVideoCoding(Request(), "libxvid", "3gp", false, psp, 200000).bit_rate, 768000);

  // H.263 at 128 kbit/s: its level goes to the container's box, not the stream.
  const VideoFrame qcif{.width = 176, .height = 144, .frame_rate = {15, 1}};
  coding = PlanVideoCoding(Asked([](Request& r) {
                             r.video_kbps = 128;
                             r.tolerance_kbps = 60;
                           }),
                           "h263", "3gp", false, qcif, 200000);
  EXPECT_EQ(coding.tolerance, 60000);
  EXPECT_EQ(coding.mpeg4_level, 0);
  EXPECT_EQ(coding.h263_level, 30);  // 188 kbit/s at most: more than level 20's 128

  // The thumbnail: a fixed quantiser, full-range JPEG.
  coding = PlanVideoCoding(Request(), "mjpeg", "mjpeg", true, qcif, 200000);
  EXPECT_EQ(coding.qscale, 3);
  EXPECT_TRUE(coding.jpeg_range);
}

TEST(AudioCoding, RatesChannelsAndChains) {
  // AMR-NB is 8000 Hz mono whatever was asked.
  AudioCoding coding = PlanAudioCoding(Asked([](Request& r) {
                                         r.audio_kbps = 48;
                                         r.sample_rate = 44100;
                                       }),
                                       "libopencore_amrnb", 44100, 2, {});
  EXPECT_EQ(coding.sample_rate, 8000);
  EXPECT_EQ(coding.channels, 1);
  EXPECT_EQ(coding.bit_rate, 12200);
  // What was asked and cannot be is said, one sentence each.
  EXPECT_EQ(coding.adjustments, (std::vector<std::string>{"8000 Hz: AMR-NB has no 44100 Hz",
                                                          "12.2 kbit/s: AMR-NB has no 48 kbit/s"}));
  // A 5.1 source to AAC: two channels, the rate moved to one the encoder offers.
  coding = PlanAudioCoding(Asked([](Request& r) { r.sample_rate = 54000; }), "aac", 48000, 6,
                           {44100, 48000, 64000});
  EXPECT_EQ(coding.sample_rate, 48000);
  EXPECT_EQ(coding.channels, 2);
  EXPECT_EQ(coding.bit_rate, 128000);
  EXPECT_TRUE(coding.aac_low);
  EXPECT_EQ(coding.adjustments, std::vector<std::string>{"48000 Hz: AAC has no 54000 Hz"});
  // What can be done is done without a word.
  coding = PlanAudioCoding(Asked([](Request& r) {
                             r.sample_rate = 8000;
                             r.audio_kbps = 12.2;
                             r.channels = 1;
                           }),
                           "libopencore_amrnb", 8000, 1, {});
  EXPECT_TRUE(coding.adjustments.empty());
  coding = PlanSilenceCoding(Request(), "aac", {});
  EXPECT_EQ(coding.sample_rate, 48000);
  EXPECT_EQ(coding.channels, 2);
  EXPECT_EQ(coding.bit_rate, 64000);

  EXPECT_EQ(AudioChain(100, 24000, "fltp", "stereo"),
            "volume=2.0000,aresample=24000,aformat=sample_fmts=fltp:sample_rates=24000:"
            "channel_layouts=stereo");
  EXPECT_EQ(AudioSourceArgs({1, 44100}, 44100, "s16", "mono"),
            "time_base=1/44100:sample_rate=44100:sample_fmt=s16:channel_layout=mono");
}

TEST(Boxes, ASizeBeyondTheEndEndsTheList) {
  // A box, then one whose 64-bit size would carry the offset round past zero.
  const std::string data = std::string("\0\0\0\x08", 4) + "free" + std::string("\0\0\0\x01", 4) +
                           "mdat" + std::string(8, '\xff');
  const std::vector<Box> boxes = BoxesIn(data, 0, data.size());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].type, "free");
}

// The queue between a conversion's stages: a closed queue is emptied before it ends, and an
// abort wakes a consumer waiting on an empty queue and a producer waiting on a full one (else
// this test does not end).
TEST(WorkQueue, CloseDrainsAndAbortWakesBothSides) {
  WorkQueue<int> queue(2);
  EXPECT_TRUE(queue.Push(1));
  EXPECT_TRUE(queue.Push(2));
  queue.Close();
  EXPECT_EQ(queue.Pop(), 1);
  EXPECT_EQ(queue.Pop(), 2);
  EXPECT_EQ(queue.Pop(), std::nullopt);

  WorkQueue<int> empty(1);
  WorkQueue<int> full(1);
  ASSERT_TRUE(full.Push(0));
  std::optional<int> popped = 7;
  bool pushed = true;
  std::thread consumer([&] { popped = empty.Pop(); });
  std::thread producer([&] { pushed = full.Push(1); });
  empty.Abort();
  full.Abort();
  consumer.join();
  producer.join();
  EXPECT_EQ(popped, std::nullopt);
  EXPECT_FALSE(pushed);
  EXPECT_EQ(full.Pop(), std::nullopt);  // what it held is dropped
}

}  // namespace
}  // namespace raziz2u
