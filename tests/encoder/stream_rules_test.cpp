// The encoder's stream rules and filter chains on plain values: frame, bars, pixel aspect,
// orientation, rates and levels, and the reading of boxes, without any media file.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/display.h>
}

#include "boxes.h"
#include "filter_chain.h"
#include "media/display.h"
#include "mp3_joins.h"
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

// Layer III frames made bit by bit: the header's version, CRC and mode, then the side
// information's main_data_begin and part2_3_length fields, then `payload` bytes of main data.
struct Mp3Layout {
  bool mpeg1 = true;
  bool crc = false;
  bool mono = false;
};

std::vector<uint8_t> Mp3FrameWith(Mp3Layout layout, int main_data_begin, int main_data_bits,
                                  size_t payload) {
  std::vector<uint8_t> frame = {
      0xFF, static_cast<uint8_t>(0xE2 | (layout.mpeg1 ? 0x18 : 0x10) | (layout.crc ? 0 : 1)), 0x90,
      static_cast<uint8_t>(layout.mono ? 0xC0 : 0x00)};
  if (layout.crc) frame.insert(frame.end(), {0, 0});
  const int channels = layout.mono ? 1 : 2;
  const int granules = layout.mpeg1 ? 2 : 1;
  const int side_bits = layout.mpeg1 ? (layout.mono ? 136 : 256) : (layout.mono ? 72 : 136);
  std::vector<bool> bits;
  const auto put = [&](unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) bits.push_back(((value >> i) & 1u) != 0);
  };
  const auto zeros = [&](int count) { bits.insert(bits.end(), static_cast<size_t>(count), false); };
  put(static_cast<unsigned>(main_data_begin), layout.mpeg1 ? 9 : 8);
  zeros(layout.mpeg1 ? (layout.mono ? 5 : 3) + 4 * channels : (layout.mono ? 1 : 2));
  // The frame's bits shared out over its granules and channels.
  const int parts = granules * channels;
  for (int part = 0; part < parts; ++part) {
    put(static_cast<unsigned>(main_data_bits / parts + (part == 0 ? main_data_bits % parts : 0)),
        12);
    zeros((layout.mpeg1 ? 59 : 63) - 12);
  }
  EXPECT_EQ(static_cast<int>(bits.size()), side_bits);
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t j = 0; j < 8; ++j) byte = static_cast<uint8_t>(byte << 1 | bits[i + j]);
    frame.push_back(byte);
  }
  frame.resize(frame.size() + payload, 0);
  return frame;
}

TEST(Mp3Joins, SideInformationOfEveryLayoutIsRead) {
  struct Case {
    Mp3Layout layout;
    int main_data_begin, main_data_bits, payload_offset;
  };
  const Case cases[] = {
      {{true, false, false}, 511, 4001, 36},  // MPEG-1 stereo: 9-bit begin, four parts
      {{true, true, true}, 300, 1000, 23},    // MPEG-1 mono with CRC
      {{false, false, false}, 255, 801, 21},  // MPEG-2 stereo: 8-bit begin, one granule
      {{false, true, true}, 17, 8, 15},       // MPEG-2 mono with CRC
  };
  for (const Case& c : cases) {
    const std::optional<Mp3Frame> frame =
        ReadMp3Frame(Mp3FrameWith(c.layout, c.main_data_begin, c.main_data_bits, 10));
    ASSERT_TRUE(frame) << c.payload_offset;
    EXPECT_EQ(frame->payload_offset, c.payload_offset);
    EXPECT_EQ(frame->main_data_begin, c.main_data_begin);
    EXPECT_EQ(frame->main_data_bytes, (c.main_data_bits + 7) / 8);
  }
  // Not Layer III frames, or not whole ones.
  std::vector<uint8_t> layer2 = Mp3FrameWith({}, 0, 0, 10);
  layer2[1] = 0xFD;
  std::vector<uint8_t> reserved_version = Mp3FrameWith({}, 0, 0, 10);
  reserved_version[1] = 0xEB;
  std::vector<uint8_t> no_sync = Mp3FrameWith({}, 0, 0, 10);
  no_sync[0] = 0x7F;
  const std::vector<uint8_t> cut = {0xFF, 0xFB, 0x90, 0x00, 0x12};
  for (const auto& bad : {layer2, reserved_version, no_sync, cut}) EXPECT_FALSE(ReadMp3Frame(bad));
}

// The payload bytes of every frame of the crafted pieces below.
constexpr int kPayload = 100;

// A piece of MPEG-1 stereo frames with kPayload payload bytes each, frame k's main data filled with
// `mark + k`. Frame k borrows borrow[k] bytes from before it and leaves spare[k] of its own
// payload unused for the frames after it.
Mp3Piece Mp3PieceOf(int64_t first, const std::vector<int>& borrow, const std::vector<int>& spare,
                    uint8_t mark) {
  Mp3Piece piece{first, {}};
  std::vector<uint8_t> run;  // the payloads one after another
  for (size_t k = 0; k < borrow.size(); ++k) {
    const int bytes = kPayload + borrow[k] - spare[k];
    piece.frames.push_back(Mp3FrameWith({}, borrow[k], bytes * 8, kPayload));
    run.resize(run.size() + kPayload, 0);
    const size_t start = run.size() - kPayload - static_cast<size_t>(borrow[k]);
    std::fill_n(run.begin() + static_cast<std::ptrdiff_t>(start), bytes,
                static_cast<uint8_t>(mark + k));
  }
  for (size_t k = 0; k < piece.frames.size(); ++k) {
    std::copy_n(run.begin() + static_cast<std::ptrdiff_t>(k * kPayload), kPayload,
                piece.frames[k].end() - kPayload);
  }
  return piece;
}

// Frame k's main data as a decoder finds it in a stream of such frames.
std::vector<uint8_t> MainDataOf(const std::vector<std::vector<uint8_t>>& stream, size_t k) {
  std::vector<uint8_t> run;
  for (size_t i = 0; i < k; ++i) run.insert(run.end(), stream[i].end() - kPayload, stream[i].end());
  const std::optional<Mp3Frame> frame = ReadMp3Frame(stream[k]);
  const size_t start = run.size() - static_cast<size_t>(frame->main_data_begin);
  run.insert(run.end(), stream[k].end() - kPayload, stream[k].end());
  return {run.begin() + static_cast<std::ptrdiff_t>(start),
          run.begin() + static_cast<std::ptrdiff_t>(start) + frame->main_data_bytes};
}

// Piece a holds frames 0..7 and piece b frames 2..9. The join is the frame nearest the target
// where what b's frame borrows fits into what a left free; the joined stream then reads b's main
// data there, and a's own frames keep theirs, also when no frame in the window fits.
TEST(Mp3Joins, JoinIsPlacedWhereTheBorrowedBytesFitAndCopiesThem) {
  struct Case {
    const char* name;
    std::vector<int> spare_a;   // per frame of a
    std::vector<int> borrow_b;  // per frame of b (its first borrows nothing)
    int64_t from, to, target;
    std::optional<int64_t> join;
    bool b_reads_whole;
  };
  const std::vector<int> spare20(8, 20);
  const Case cases[] = {
      {"fits at the target", spare20, {0, 10, 10, 10, 10, 10, 10, 10}, 3, 7, 5, 5, true},
      {"nearest that fits", spare20, {0, 30, 30, 30, 30, 10, 30, 30}, 3, 7, 5, 7, true},
      {"ties go to the earlier", spare20, {0, 10, 30, 10, 30, 10, 30, 30}, 3, 7, 4, 3, true},
      {"none fits: fewest lacking",
       std::vector<int>(8, 5),
       {0, 40, 40, 25, 60, 40, 40, 40},
       3,
       7,
       4,
       5,
       false},
      {"window outside the pieces", spare20, std::vector<int>(8, 0), 9, 12, 10, std::nullopt,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // a's frames borrow nothing: the bytes free before frame g are the spare of frame g-1.
    Mp3Piece a = Mp3PieceOf(0, std::vector<int>(8, 0), c.spare_a, 0x10);
    // b's frames use its reservoir to the full: each leaves free what the next borrows.
    std::vector<int> spare_b(8, 0);
    for (size_t k = 0; k + 1 < 8; ++k) spare_b[k] = c.borrow_b[k + 1];
    const Mp3Piece b = Mp3PieceOf(2, c.borrow_b, spare_b, 0x80);

    const std::optional<int64_t> join = ChooseMp3Join(a, b, c.from, c.to, c.target);
    ASSERT_EQ(join, c.join);
    if (!join) continue;
    const Mp3Piece original = a;
    PatchMp3Join(a, b, *join);
    std::vector<std::vector<uint8_t>> joined(a.frames.begin(), a.frames.begin() + *join);
    joined.insert(joined.end(), b.frames.begin() + (*join - b.first), b.frames.end());
    for (int64_t k = 0; k < *join; ++k) {
      EXPECT_EQ(MainDataOf(joined, static_cast<size_t>(k)),
                MainDataOf(original.frames, static_cast<size_t>(k)))
          << "a's frame " << k;
    }
    EXPECT_EQ(MainDataOf(joined, static_cast<size_t>(*join)) ==
                  MainDataOf(b.frames, static_cast<size_t>(*join - b.first)),
              c.b_reads_whole);
  }
  // A frame that cannot be read gives no join.
  Mp3Piece a = Mp3PieceOf(0, std::vector<int>(8, 0), spare20, 0x10);
  a.frames[3][0] = 0;
  EXPECT_EQ(ChooseMp3Join(a, Mp3PieceOf(2, std::vector<int>(8, 0), std::vector<int>(8, 0), 0x80), 3,
                          7, 5),
            std::nullopt);
}

}  // namespace
}  // namespace raziz2u
