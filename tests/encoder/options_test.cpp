// The encoder's command line and value rules, on the exact command lines the program sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec_rules.h"
#include "options.h"
#include "output_contract.h"

namespace raziz2u {
namespace {

using Args = std::vector<std::string>;

Request MustParse(const Args& args) {
  const ParseResult r = ParseCommandLine(args);
  EXPECT_EQ(r.error, "") << "unexpected parse error";
  return r.request;
}

TEST(ParseCommandLine, PspVideoCommand) {
  const Request r = MustParse(
      {"-@",  "-y",         "-i",      "/in/clip.avi", "-vcodec", "xvid", "-b",           "768",
       "-r",  "29.97",      "-acodec", "mpeg4aac",     "-ab",     "64",   "-ar",          "24000",
       "-ac", "2 (stereo)", "-s",      "368x208",      "-f",      "psp",  "/out/clip.mp4"});
  EXPECT_TRUE(r.overwrite);
  EXPECT_EQ(r.input, "/in/clip.avi");
  EXPECT_FALSE(r.alternate_input);
  EXPECT_EQ(r.input_format, "");
  EXPECT_EQ(r.output_format, "psp");
  EXPECT_EQ(r.output, "/out/clip.mp4");
  EXPECT_EQ(r.video_codec, "xvid");
  EXPECT_EQ(r.video_kbps, 768);
  EXPECT_EQ(r.frame_rate_num, 30000);
  EXPECT_EQ(r.frame_rate_den, 1001);
  EXPECT_EQ(r.audio_codec, "mpeg4aac");
  EXPECT_EQ(r.audio_kbps, 64);
  EXPECT_EQ(r.sample_rate, 24000);
  EXPECT_EQ(r.channels, 2);
  EXPECT_EQ(r.width, 368);
  EXPECT_EQ(r.height, 208);
  EXPECT_EQ(MuxerFor(r), "psp");
}

TEST(ParseCommandLine, PspAvcCommand) {
  const Request r =
      MustParse({"-@",         "-y",           "-i",      "/in/clip.avi", "-bitexact", "-title",
                 "my clip",    "-vcodec",      "h264",    "-b",           "400",       "-maxrate",
                 "1500",       "-bufsize",     "128",     "-r",           "29.97",     "-acodec",
                 "mpeg4aac",   "-ab",          "64",      "-ar",          "48000",     "-ac",
                 "2 (stereo)", "-g",           "250",     "-qscale",      "25",        "-coder",
                 "1",          "-s",           "368x208", "-f",           "psp",       "-threads",
                 "1",          "/out/clip.mp4"});
  EXPECT_TRUE(r.bitexact);
  EXPECT_EQ(r.threads, 1);
  EXPECT_EQ(r.title, "my clip");
  EXPECT_EQ(r.max_kbps, 1500);
  EXPECT_EQ(r.buffer_kbytes, 128);
  EXPECT_EQ(r.gop, 250);
  EXPECT_EQ(r.qscale, 25);
  EXPECT_EQ(r.coder, 1);
  EXPECT_EQ(VideoEncoderFor(r.video_codec, MuxerFor(r)), "libx264");
  EXPECT_EQ(AudioEncoderFor(r.audio_codec, MuxerFor(r)), "aac");
}

TEST(ParseCommandLine, MobileCommandWithTrailingBlankAndPadding) {
  const Request r =
      MustParse({"-@",  "-y",         "-i",  "/in/clip.avi", "-vcodec", "h263",      "-b",
                 "128", "-bt",        "60",  "-acodec",      "amr_nb",  "-ab",       "48",
                 "-ar", "8000 ",      "-ac", "1 (mono)",     "-s",      "176x132",   "-padtop",
                 "6",   "-padbottom", "6",   "-f",           "3gp",     "/out/x.3g2"});
  EXPECT_EQ(r.sample_rate, 8000);
  EXPECT_EQ(r.channels, 1);
  EXPECT_EQ(r.tolerance_kbps, 60);
  EXPECT_FALSE(r.frame_rate_num.has_value());  // "Auto" sends no -r
  EXPECT_EQ(r.FrameWidth(), 176);
  EXPECT_EQ(r.FrameHeight(), 144);
  EXPECT_EQ(MuxerFor(r), "3g2");
  EXPECT_EQ(AudioEncoderFor(r.audio_codec, MuxerFor(r)), "libopencore_amrnb");
}

TEST(ParseCommandLine, AudioCommandsVolumeMuteAndThumbnail) {
  Request r =
      MustParse({"-@", "-y", "-i", "/in/a.wav", "-id3v1", "-id3v2", "-acodec", "mp3", "-ab", "192",
                 "-ar", "48000", "-ac", "2 (stereo)", "-vol_factor", "80", "/out/a.mp3"});
  EXPECT_TRUE(r.id3v1 && r.id3v2);
  EXPECT_EQ(r.volume_factor, 80);
  EXPECT_EQ(MuxerFor(r), "mp3");
  EXPECT_TRUE(IsAudioOnlyMuxer(MuxerFor(r)));

  r = MustParse({"-@", "-y", "-i", "/in/a.wav", "-acodec", "aac", "-ab", "128", "-ar", "48000",
                 "-ac", "1 (mono)", "-vn", "/out/a.aac"});
  EXPECT_TRUE(r.no_video);
  EXPECT_EQ(MuxerFor(r), "adts");

  r = MustParse({"-@", "-y", "-i", "/in/c.avi", "-vcodec", "xvid", "-ac", "2 (stereo)", "-an", "-s",
                 "368x208", "-f", "psp", "/out/c.mp4"});
  EXPECT_TRUE(r.no_audio);

  r = MustParse({"-@", "-y", "-i", "/in/c.avi", "-f", "singlejpeg", "-ss", "3", "-vframes", "1",
                 "-s", "368x208", "-an", "/out/100%d.THM"});
  EXPECT_EQ(r.start_seconds, 3.0);
  EXPECT_EQ(r.max_video_frames, 1);
  EXPECT_EQ(r.output, "/out/100%d.THM");
  EXPECT_EQ(MuxerFor(r), "mjpeg");
}

TEST(ParseCommandLine, InputForms) {
  // The retry form: DS:\\ before the path selects the error-tolerant open and is not part of it.
  Request r = MustParse({"-@", "-y", "-i", "DS:\\\\/in/clip.avi", "-f", "psp", "/o/c.mp4"});
  EXPECT_TRUE(r.alternate_input);
  EXPECT_EQ(r.input, "/in/clip.avi");

  r = MustParse({"-@", "-y", "-f", "qt", "-i", "/in/clip.mov", "/o/c.mp4"});
  EXPECT_EQ(r.input_format, "qt");
  EXPECT_EQ(r.output_format, "");
  EXPECT_EQ(MuxerFor(r), "mp4");

  // The probe form names no output.
  r = MustParse({"-@", "-y", "-i", "/in/clip.avi"});
  EXPECT_EQ(r.output, "");

  // Paths are taken whole, whatever they contain; a last argument with a leading "-" is the
  // output name.
  r = MustParse(
      {"-@", "-y", "-i", "-odd \"name\" 100% a:b \xc3\xbc.avi", "-f", "psp", "-odd name.mp4"});
  EXPECT_EQ(r.input, "-odd \"name\" 100% a:b \xc3\xbc.avi");
  EXPECT_EQ(r.output, "-odd name.mp4");
}

TEST(ParseCommandLine, EmptyValuesMeanChoose) {
  const Request r = MustParse({"-@", "-y", "-i", "/in/c.avi", "-vcodec", "", "-b", "", "-ab", "",
                               "-ar", "", "-s", "176x144", "/o/c.3gp"});
  EXPECT_EQ(r.video_codec, "");
  EXPECT_FALSE(r.video_kbps.has_value());
  EXPECT_FALSE(r.audio_kbps.has_value());
  EXPECT_FALSE(r.sample_rate.has_value());
  EXPECT_EQ(VideoEncoderFor(r.video_codec, MuxerFor(r)), "mpeg4");
  EXPECT_EQ(AudioEncoderFor(r.audio_codec, MuxerFor(r)), "libopencore_amrnb");
}

TEST(ParseCommandLine, MalformedCommandsGiveAnErrorText) {
  const std::vector<Args> cases = {
      {"-@", "-y"},                                              // no input
      {"-@", "-y", "-i"},                                        // -i without value
      {"-@", "-y", "-i", ""},                                    // empty input name
      {"-@", "-y", "-i", "a.avi", "-b", "fast", "o.mp4"},        // not a number
      {"-@", "-y", "-i", "a.avi", "-b", "-5", "o.mp4"},          // out of range
      {"-@", "-y", "-i", "a.avi", "-r", "0", "o.mp4"},           // no frame rate
      {"-@", "-y", "-i", "a.avi", "-r", "abc", "o.mp4"},         //
      {"-@", "-y", "-i", "a.avi", "-s", "368", "o.mp4"},         // no x
      {"-@", "-y", "-i", "a.avi", "-s", "0x208", "o.mp4"},       // zero side
      {"-@", "-y", "-i", "a.avi", "-s", "axb", "o.mp4"},         //
      {"-@", "-y", "-i", "a.avi", "-ar", "Hz", "o.mp3"},         // no leading number
      {"-@", "-y", "-i", "a.avi", "-ac", "stereo", "o.mp3"},     //
      {"-@", "-y", "-i", "a.avi", "-padtop", "x", "o.mp4"},      //
      {"-@", "-y", "-i", "a.avi", "-f", "", "o.mp4"},            // empty format
      {"-@", "-y", "-i", "a.avi", "-frobnicate", "1", "o.mp4"},  // unknown option
      {"-@", "-y", "-i", "a.avi", "o.mp4", "p.mp4"},             // two outputs
      {"-@", "-y", "-i", "a.avi", "-i", "b.avi", "o.mp4"},       // two inputs
      {"-@", "-y", "-i", "a.avi", "-ss", "1:x", "o.thm"},        //
      {"-@", "-y", "-i", "a.avi", "-threads", "-1", "o.mp4"},    // no thread count
      {"-@", "-y", "-i", "a.avi", "-threads", "2x", "o.mp4"},    //
  };
  for (const Args& args : cases) {
    const ParseResult r = ParseCommandLine(args);
    std::string line;
    for (const auto& a : args) line += "[" + a + "] ";
    EXPECT_NE(r.error, "") << line;
  }
  // A start beyond any input, whose microseconds would not fit the encoder's 64-bit count.
  EXPECT_NE(ParseCommandLine({"-i", "a.avi", "-ss", "99999999999999999999", "o.thm"}).error, "");
  // The error is printed as one line: a line break in a value must not cut it.
  EXPECT_EQ(ParseCommandLine({"-i", "a.avi", "-b", "1\r\nx", "o.mp4"}).error,
            "invalid value \"1\\x0d\\x0ax\" for -b");
  EXPECT_EQ(ParseCommandLine({"-i", "a.avi", "-\n", "o.mp4"}).error, "unrecognized option -\\x0a");
}

TEST(Values, FrameRates) {
  struct Case {
    const char* text;
    int num, den;
  };
  for (const Case& c :
       {Case{"29.97", 30000, 1001}, Case{"14.985", 15000, 1001}, Case{"23.976", 24000, 1001},
        Case{"59.94", 60000, 1001}, Case{"25", 25, 1}, Case{"11", 11, 1}, Case{"15", 15, 1},
        Case{"12.5", 25, 2}, Case{"30000/1001", 30000, 1001}, Case{" 30 ", 30, 1}}) {
    int num = 0, den = 0;
    ASSERT_TRUE(ParseFrameRate(c.text, &num, &den)) << c.text;
    EXPECT_EQ(num, c.num) << c.text;
    EXPECT_EQ(den, c.den) << c.text;
  }
  int num = 0, den = 0;
  for (const char* bad : {"", "0", "-25", "fps", "25fps", "1/0", "5000"}) {
    EXPECT_FALSE(ParseFrameRate(bad, &num, &den)) << bad;
  }
}

TEST(Values, LeadingNumbersAndTimes) {
  EXPECT_EQ(ParseLeadingInt("2 (stereo)"), 2);
  EXPECT_EQ(ParseLeadingInt("1 (mono)"), 1);
  EXPECT_EQ(ParseLeadingInt("8000 "), 8000);
  EXPECT_EQ(ParseLeadingInt("44100"), 44100);
  EXPECT_FALSE(ParseLeadingInt("").has_value());
  EXPECT_FALSE(ParseLeadingInt("2x").has_value());
  EXPECT_FALSE(ParseLeadingInt("(2)").has_value());
  EXPECT_EQ(ParseTime("3"), 3.0);
  EXPECT_EQ(ParseTime("00:01:02.5"), 62.5);
  EXPECT_FALSE(ParseTime("a").has_value());
  EXPECT_EQ(ParseNumber(" 768 "), 768.0);
  EXPECT_FALSE(ParseNumber("7 68").has_value());
}

TEST(Choices, MuxerFollowsFormatThenName) {
  struct Case {
    const char* format;
    const char* output;
    const char* muxer;
  };
  for (const Case& c :
       {Case{"psp", "/o/a.mp4", "psp"}, Case{"", "/o/a.mp4", "mp4"}, Case{"", "/o/a.MP4", "mp4"},
        Case{"", "/o/a.3gp", "3gp"}, Case{"3gp", "/o/a.3g2", "3g2"}, Case{"3gp", "/o/a.3gp", "3gp"},
        Case{"", "/o/a.3g2", "3g2"}, Case{"", "/o/a.mp3", "mp3"}, Case{"", "/o/a.aac", "adts"},
        Case{"singlejpeg", "/o/a.THM", "mjpeg"}, Case{"", "/o/a.b/noext", ""},
        Case{"", "/o/a.xyz", ""}, Case{"nonsense", "/o/a.mp4", ""}}) {
    Request r;
    r.output_format = c.format;
    r.output = c.output;
    EXPECT_EQ(MuxerFor(r), c.muxer) << c.format << " " << c.output;
  }
}

TEST(Choices, TitleIsTheFileNameWithoutFoldersOrExtension) {
  for (const auto& [path, title] : std::vector<std::pair<std::string, std::string>>{
           {"C:\\Users\\Ana\\Music\\song.wav", "song"},
           {"\\\\server\\share\\Ana\\mix.tape.flac", "mix.tape"},
           {"C:/Users/Ana/song.wav", "song"},
           {"C:song.wav", "song"},
           {"/home/ana/Music/song.wav", "song"},
           {"/home/ana/.hidden", ".hidden"},
           {"song", "song"}}) {
    EXPECT_EQ(TitleFromPath(path), title) << path;
  }
}

TEST(Choices, Codecs) {
  EXPECT_EQ(VideoEncoderFor("xvid", "psp"), "libxvid");
  EXPECT_EQ(VideoEncoderFor("mpeg4", "3gp"), "mpeg4");
  EXPECT_EQ(VideoEncoderFor("h263", "3gp"), "h263");
  EXPECT_EQ(VideoEncoderFor("h264", "mp4"), "libx264");
  EXPECT_EQ(VideoEncoderFor("", "mp4"), "libx264");
  EXPECT_EQ(VideoEncoderFor("anything", "mjpeg"), "mjpeg");
  EXPECT_EQ(VideoEncoderFor("vp9", "mp4"), "");
  EXPECT_EQ(AudioEncoderFor("mpeg4aac", "psp"), "aac");
  EXPECT_EQ(AudioEncoderFor("mp3", "mp3"), "libmp3lame");
  EXPECT_EQ(AudioEncoderFor("", "mp3"), "libmp3lame");
  EXPECT_EQ(AudioEncoderFor("amr_nb", "3g2"), "libopencore_amrnb");
  EXPECT_EQ(AudioEncoderFor("vorbis", "mp4"), "");
}

TEST(Choices, AmrModeIsTheNearestAtOrBelow) {
  EXPECT_EQ(AmrBitRate(48, true), 12200);
  EXPECT_EQ(AmrBitRate(12.2, true), 12200);
  EXPECT_EQ(AmrBitRate(12, true), 10200);
  EXPECT_EQ(AmrBitRate(7.95, true), 7950);
  EXPECT_EQ(AmrBitRate(5, true), 4750);
  EXPECT_EQ(AmrBitRate(1, true), 4750);
  EXPECT_EQ(AmrBitRate(0, false), 12200);
}

TEST(Choices, NearestRateAndH263Sizes) {
  const std::vector<int> mp3 = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};
  EXPECT_EQ(NearestRate(54000, mp3), 48000);
  EXPECT_EQ(NearestRate(96000, mp3), 48000);
  EXPECT_EQ(NearestRate(24000, mp3), 24000);
  EXPECT_EQ(NearestRate(7000, mp3), 8000);
  EXPECT_EQ(NearestRate(1234, {}), 1234);
  EXPECT_TRUE(IsH263Size(176, 144));
  EXPECT_TRUE(IsH263Size(128, 96));
  EXPECT_TRUE(IsH263Size(1408, 1152));
  EXPECT_FALSE(IsH263Size(160, 120));
  EXPECT_FALSE(IsH263Size(144, 176));
}

TEST(Choices, StripH264SeiKeepsOtherUnits) {
  using namespace std::string_literals;
  const std::string sps = "\x00\x00\x00\x01\x67\x4d\x40\x1e"s;
  const std::string sei = "\x00\x00\x01\x06\x05\x10x264 - core 164"s;
  const std::string idr = "\x00\x00\x01\x65\x88\x84\x00\x00\x03\x01"s;
  EXPECT_EQ(StripH264Sei(sps + sei + idr), sps + idr);
  EXPECT_EQ(StripH264Sei(sei), "");
  EXPECT_EQ(StripH264Sei(sps + idr), sps + idr);
  EXPECT_EQ(StripH264Sei("no start code"), "no start code");
}

TEST(Console, ProgressRecordsMatchWhatTheRunnerReads) {
  EXPECT_EQ(ProgressRecord(812, 4.0, 1536 * 1024, 27.1),
            "frame=812 q=4.0 size=1536kB time=27.10 bitrate=464.3kbits/s\r");
  // Audio-only outputs carry no frame count, so a frozen count cannot stall the watchdog.
  EXPECT_EQ(ProgressRecord(std::nullopt, 0, 2048, 1.0), "size=2kB time=1.00 bitrate=16.4kbits/s\r");
  // Sizes of a gigabyte and more are written whole.
  EXPECT_EQ(ProgressRecord(1, 2.0, int64_t{2} << 30, 0).substr(0, 28),
            "frame=1 q=2.0 size=2097152kB");
}

TEST(Console, DurationsAndRates) {
  EXPECT_EQ(FormatDuration(90'400'000), "00:01:30.40");
  EXPECT_EQ(FormatDuration(3'725'999'999), "01:02:05.99");
  EXPECT_EQ(FormatDuration(-5), "00:00:00.00");
  EXPECT_EQ(FormatRate(25), "25.00");
  EXPECT_EQ(FormatRate(30000.0 / 1001), "29.97");
}

}  // namespace
}  // namespace raziz2u
