// The output parser, the line joining and the judgement of finished runs: pure code,
// table-driven.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pipeline/output_parser.h"
#include "pipeline/run_outcome.h"
#include "rows/file_entry.h"
#include "support/processes.h"

namespace vidloom {
namespace {

constexpr const char* kRecord = "frame=812 q=4.0 size=1536kB time=27.1 bitrate=463.8kbits/s";
constexpr const char* kInput = "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '/home/u/clip.mov':";
constexpr const char* kDuration90 = "  Duration: 00:01:30.4, start: 0.000000, bitrate: 1200 kb/s";

std::vector<std::string> Split(const std::vector<std::string>& chunks, bool finish = true) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  auto take = [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  };
  for (const auto& chunk : chunks) splitter.Feed(chunk, take);
  if (finish) splitter.Finish(take);
  return lines;
}

struct SplitCase {
  const char* name;
  std::vector<std::string> chunks;
  std::vector<std::string> lines;
};

TEST(LineSplitter, JoinsAndSplitsLines) {
  using namespace std::string_literals;
  const std::vector<SplitCase> cases = {
      {"crlf", {"a\r\nb\r\n"}, {"a", "b"}},
      {"lf", {"a\nb\n"}, {"a", "b"}},
      {"lone cr", {"frame=1 \rframe=2 \r"}, {"frame=1 ", "frame=2 "}},
      {"crlf cut between cr and lf", {"a\r", "\nb\r\n"}, {"a", "b"}},
      {"line cut by a read", {"  Durat", "ion: 00:01:30.4,\n"}, {"  Duration: 00:01:30.4,"}},
      {"line cut in three", {"fr", "ame=8", "12 \r"}, {"frame=812 "}},
      {"empty lines skipped", {"\n\r\n\r\rx\n\n"}, {"x"}},
      {"lf cr is two ends", {"a\n\rb"}, {"a", "b"}},
      {"unterminated rest at the end", {"a\nlast"}, {"a", "last"}},
      {"nul bytes dropped", {"fr\0ame=5 \r"s, "x\0"s, "y\n"s}, {"frame=5 ", "xy"}},
      {"only nul bytes", {"\0\0\n"s}, {}},
      {"invalid utf-8 passes as bytes", {"\xff\xfe\xc3(\n"}, {"\xff\xfe\xc3("}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Split(c.chunks), c.lines) << c.name;
  }
}

TEST(LineSplitter, UnterminatedLineWaitsForItsEnd) {
  EXPECT_TRUE(Split({"frame=1 q="}, /*finish=*/false).empty());
}

TEST(LineSplitter, LongLineIsBoundedAndTheRestDropped) {
  LineSplitter splitter;
  std::vector<std::size_t> sizes;
  std::vector<std::string> lines;
  auto take = [&](std::string_view line) {
    sizes.push_back(line.size());
    lines.emplace_back(line.substr(0, 16));
    return true;
  };
  const std::string block(64 * 1024 - 1, 'x');
  // 1 MB without a line end, fed in reads of 64 KiB; the carry never grows beyond the bound.
  std::size_t most_carried = 0;
  for (int i = 0; i < 16; ++i) {
    splitter.Feed(block + "y", take);
    most_carried = std::max(most_carried, splitter.carried());
  }
  splitter.Feed("tail\nerror: next line\n", take);
  EXPECT_LE(most_carried, LineSplitter::kMaxCarry);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0], LineSplitter::kMaxCarry);
  EXPECT_EQ(lines[1], "error: next line");
  EXPECT_EQ(splitter.carried(), 0u);
}

TEST(LineSplitter, StopsWhenTheLineHandlerSaysSo) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  const bool went_on = splitter.Feed("a\nb\nc\n", [&](std::string_view line) {
    lines.emplace_back(line);
    return line != "b";
  });
  EXPECT_FALSE(went_on);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b"}));
}

// Feeds lines (each ending in LF unless it already ends in CR) and returns the last verdict.
Verdict FeedLines(OutputParser& parser, const std::vector<std::string>& lines) {
  Verdict verdict = Verdict::kContinue;
  for (const auto& line : lines) {
    const bool has_end = !line.empty() && (line.back() == '\r' || line.back() == '\n');
    verdict = parser.Feed(has_end ? line : line + "\n");
    if (verdict != Verdict::kContinue) break;
  }
  return verdict;
}

TEST(OutputParser, ProgressRecordFillsTheDisplay) {
  OutputParser parser;
  EXPECT_EQ(FeedLines(parser, {kInput, kDuration90, std::string(kRecord) + "\r"}),
            Verdict::kContinue);
  EXPECT_EQ(parser.duration_seconds(), 90);
  const Display d = parser.TakeDisplay();
  EXPECT_EQ(d.frames, "812");
  EXPECT_EQ(d.size_panel, "Output File Size : 1536 KB");
  EXPECT_EQ(d.bar, 30);
  EXPECT_EQ(d.progress, "30%");
  EXPECT_FALSE(d.duration) << "only a CD audio input shows its duration";
  EXPECT_EQ(parser.TakeCurrentFrames(), "812");
  EXPECT_FALSE(parser.TakeCurrentFrames()) << "taken once";
  EXPECT_FALSE(parser.has_pending());
  EXPECT_FALSE(parser.error_seen());
}

struct PercentCase {
  const char* duration_line;
  const char* record;
  std::int64_t bar;
  const char* cell;
};

TEST(OutputParser, PercentageAgainstTheDuration) {
  const std::vector<PercentCase> cases = {
      {kDuration90, "frame=2 size=1kB time=95.0 bitrate=1", 106, "100%"},
      {kDuration90, "frame=2 size=1kB time=0.00 bitrate=1", 0, "0%"},
      {kDuration90, "frame=2 size=1kB time=45.0 bitrate=1", 50, "50%"},
      {"  Duration: N/A, bitrate: N/A", "frame=2 size=1kB time=3.0 bitrate=1", 300, "100%"},
      {"  Duration: 00:00:00.40, start: 0", "frame=2 time=0.2 bitrate=1", 20, "20%"},
      {"  Duration: 00:03:20.00,", "time=1.0 bitrate=1", 0, "0%"},  // 0.5 -> 0 (even)
      {"  Duration: 00:03:20.00,", "time=3.0 bitrate=1", 2, "2%"},  // 1.5 -> 2 (even)
      {"  Duration: 00:03:20.00,", "time=5.0 bitrate=1", 2, "2%"},  // 2.5 -> 2 (even)
      {"  Duration: 01:00:00.00,", "time=1800 bitrate=1", 50, "50%"},
      {"  Duration: 123:00:00.00,", "time=1.0 bitrate=1", 100, "100%"},  // hours count as 0
  };
  for (const auto& c : cases) {
    OutputParser parser;
    FeedLines(parser, {kInput, c.duration_line, c.record});
    const Display d = parser.TakeDisplay();
    EXPECT_EQ(d.bar, c.bar) << c.duration_line << " / " << c.record;
    EXPECT_EQ(d.progress, c.cell) << c.duration_line << " / " << c.record;
  }
}

struct DurationCase {
  const char* line;
  std::int32_t seconds;
};

TEST(OutputParser, DurationField) {
  const std::vector<DurationCase> cases = {
      {"  Duration: 00:01:30.4, start: 0.000000", 90},
      {"  Duration: 00:01:30, start: 0", 90},
      {"  Duration: 02:03:04.99, start: 0", 2 * 3600 + 3 * 60 + 4},
      {"Duration: 00:00:00.00,", 1},
      {"  Duration: N/A, start: 0", 1},
      {"  Duration: 999:00:10.00,", 10},
  };
  for (const auto& c : cases) {
    OutputParser parser;
    FeedLines(parser, {kInput, c.line});
    EXPECT_EQ(parser.duration_seconds(), c.seconds) << c.line;
  }
}

TEST(OutputParser, CdAudioInputShowsItsDuration) {
  EXPECT_TRUE(IsCdaInput("/media/cd/Track01.CDA"));
  EXPECT_TRUE(IsCdaInput("track.cda"));
  EXPECT_FALSE(IsCdaInput("/media/x.cda/track"));
  EXPECT_FALSE(IsCdaInput("/media/track.mp3"));
  EXPECT_FALSE(IsCdaInput("cda"));

  OutputParser::Options options;
  options.cda_input = true;
  OutputParser parser(options);
  FeedLines(parser, {kInput, "  Duration: 00:03:25.00, start: 0"});
  EXPECT_EQ(parser.TakeDisplay().duration, "00:03:25");

  OutputParser zero(options);
  FeedLines(zero, {kInput, "  Duration: 00:00:00.00, start: 0"});
  EXPECT_FALSE(zero.TakeDisplay().duration) << "a zero duration is not shown";
}

TEST(OutputParser, OutputSizeIsReadWhole) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"frame=1 q=1 size=1536kB time=1", "Output File Size : 1536 KB"},
      {"frame=1 q=1 size=1234567890123kB time=1", "Output File Size : 1234567890123 KB"},
      {"frame=1 q=1 size=    2048kB time=1", "Output File Size : 2048 KB"},
      {"frame=1 q=1 size=N/A time=1 bitrate=N/A", "Output File Size :  KB"},
      {"frame=1 q=1 size=12345 time=1 bitrate=4kB", "Output File Size :  KB"},
  };
  for (const auto& [line, panel] : cases) {
    OutputParser parser;
    FeedLines(parser, {kInput, line});
    EXPECT_EQ(parser.TakeDisplay().size_panel, panel) << line;
  }
}

TEST(OutputParser, FrameCountIsTheTextUpToTheNextBlank) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"frame=812 q=4.0", "812"},
      {"frame= 812 q=4.0", ""},
      {"frame=812", ""},
      {"x frame=77 fps=25", "77"},
  };
  for (const auto& [line, frames] : cases) {
    OutputParser parser;
    FeedLines(parser, {kInput, line});
    EXPECT_EQ(parser.TakeDisplay().frames, frames) << line;
    EXPECT_EQ(parser.TakeCurrentFrames(), frames) << line;
  }
}

TEST(OutputParser, ReadingsThatAreNotNumbersAreIgnored) {
  const std::vector<std::vector<std::string>> cases = {
      {kInput, "frame=5 size=1kB time=12.0 bitrate=1"},              // no duration yet
      {kInput, kDuration90, "frame=5 size=1kB time=abc bitrate=1"},  // not a number
      {kInput, kDuration90, "frame=5 size=1kB time=12.0"},           // no blank after it
      {kInput, kDuration90, "frame=5 size=1kB time="},               // nothing after it
      {kInput, kDuration90, "frame=5 size=1kB time=1.2.3 bitrate=1"},
      {kInput, kDuration90, "frame=5 size=1kB time=-4 bitrate=1"},
      {"Input #0, mov, from '/videos/timelapse.mov':", kDuration90},
      {kInput, "  Duration: aa:bb:cc.00, start: 0", "frame=5 time=1.0 bitrate=1"},
      {kInput, "  Duration: 00:01, start: 0", "frame=5 time=1.0 bitrate=1"},
  };
  for (const auto& lines : cases) {
    OutputParser parser;
    EXPECT_EQ(FeedLines(parser, lines), Verdict::kContinue) << lines.back();
    const Display d = parser.TakeDisplay();
    EXPECT_FALSE(d.bar) << lines.back();
    EXPECT_FALSE(d.progress) << lines.back();
    EXPECT_FALSE(parser.error_seen()) << lines.back();
  }
  // A bad reading leaves the earlier duration in force.
  OutputParser parser;
  FeedLines(parser, {kInput, kDuration90, "  Duration: 0x:zz:00.00,", "time=45.0 bitrate=1"});
  EXPECT_EQ(parser.duration_seconds(), 90);
  EXPECT_EQ(parser.TakeDisplay().progress, "50%");
}

TEST(OutputParser, FirstLineMustNameTheInput) {
  {
    OutputParser parser;
    EXPECT_EQ(FeedLines(parser, {"/home/u/broken.avi: Invalid data found", kInput}), Verdict::kEnd);
    EXPECT_TRUE(parser.error_seen());
    EXPECT_EQ(parser.error_line(), "/home/u/broken.avi: Invalid data found");
  }
  {
    // The header names a path with a marker word in it: accepted, not an error.
    OutputParser parser;
    EXPECT_EQ(FeedLines(parser, {"Input #0, avi, from '/home/u/failed takes/error: 1.avi':",
                                 kDuration90, "Output #0, mp4, to '/out/Unexpected failed.mp4':"}),
              Verdict::kContinue);
    EXPECT_FALSE(parser.error_seen());
  }
  {
    // Only the first line is checked; the line after it may say anything harmless.
    OutputParser parser;
    EXPECT_EQ(FeedLines(parser, {kInput, "Stream #0.0: Video: h264, 640x480, 25 fps"}),
              Verdict::kContinue);
  }
  {
    // The first line is the first whole line, however the read cut it.
    OutputParser parser;
    EXPECT_EQ(parser.Feed("Inp"), Verdict::kContinue);
    EXPECT_EQ(parser.Feed("ut #0, avi, from 'a.avi':\n"), Verdict::kContinue);
    EXPECT_FALSE(parser.error_seen());
  }
  {
    // A thumbnail run still checks its first line.
    OutputParser::Options options;
    options.thumbnail_run = true;
    OutputParser parser(options);
    EXPECT_EQ(FeedLines(parser, {"garbage"}), Verdict::kEnd);
  }
}

TEST(OutputParser, ErrorMarkers) {
  for (const auto& marker : ErrorMarkers()) {
    OutputParser parser;
    const std::string line = "[enc] something " + marker + " here";
    EXPECT_EQ(FeedLines(parser, {kInput, kDuration90, line}), Verdict::kEnd) << marker;
    EXPECT_TRUE(parser.error_seen()) << marker;
    EXPECT_EQ(parser.error_line(), line);
  }
  // Marker words are case-sensitive, and header lines are never searched.
  const std::vector<std::string> harmless = {"Failed",
                                             "ERROR:",
                                             "unexpected",
                                             "unsupported codec",
                                             "Output #0, mp4, to 'error:.mp4':",
                                             "x Input #0, failed"};
  for (const auto& line : harmless) {
    OutputParser parser;
    EXPECT_EQ(FeedLines(parser, {kInput, line}), Verdict::kContinue) << line;
    EXPECT_FALSE(parser.error_seen()) << line;
  }
}

TEST(OutputParser, AdjustmentsAreCollectedAndAreNoError) {
  OutputParser parser;
  EXPECT_EQ(FeedLines(parser, {kInput, kDuration90, "Output #0, mp3, to 'out.mp3':",
                               "Adjusted: 48000 Hz: MP3 has no 96000 Hz",
                               "Adjusted: 12.2 kbit/s: AMR-NB has no 48 kbit/s", kRecord}),
            Verdict::kContinue);
  EXPECT_FALSE(parser.error_seen());
  EXPECT_EQ(parser.adjustments(),
            (std::vector<std::string>{"48000 Hz: MP3 has no 96000 Hz",
                                      "12.2 kbit/s: AMR-NB has no 48 kbit/s"}));
}

// The output's audio line says the bit rate the encoder uses; the input's never counts.
TEST(OutputParser, TheOutputsAudioBitRateIsRead) {
  const std::string input_audio = "    Stream #0.1: Audio: aac, 44100 Hz, mono, 128 kb/s";
  const std::string output_header = "Output #0, 3gp, to 'o.3gp':";
  const struct {
    std::string line;
    std::string codec;
    std::optional<double> kbps;
  } cases[] = {
      {"    Stream #0.1: Audio: libopencore_amrnb, 8000 Hz, mono, 12.2 kb/s", "libopencore_amrnb",
       12.2},
      {"    Stream #0.0: Audio: libmp3lame, 44100 Hz, stereo, 320 kb/s", "libmp3lame", 320},
      {"    Stream #0.1: Audio: aac, 48000 Hz, stereo", "aac", std::nullopt},
      {"    Stream #0.1: Audio: aac, 48000 Hz, stereo, x kb/s", "aac", std::nullopt},
      {"    Stream #0.1: Audio: aac, 48000 Hz, stereo, 1e99 kb/s", "aac", std::nullopt},
      {"    Stream #0.0: Video: mpeg4, 176x144, 25.00 fps", "", std::nullopt},
  };
  for (const auto& c : cases) {
    OutputParser parser;
    FeedLines(parser, {kInput, input_audio, output_header, c.line, kRecord});
    EXPECT_EQ(parser.output_audio_codec(), c.codec) << c.line;
    EXPECT_EQ(parser.output_audio_kbps(), c.kbps) << c.line;
  }

  // Compared with a bit rate chosen but not given to the encoder.
  RunResult run;
  run.audio_codec = "libopencore_amrnb";
  run.audio_kbps = 12.2;
  EXPECT_EQ(AudioBitRateNote(48, run), "12.2 kbit/s: AMR-NB has no 48 kbit/s");
  EXPECT_EQ(AudioBitRateNote(12.2, run), std::nullopt);
  EXPECT_EQ(AudioBitRateNote(std::nullopt, run), std::nullopt);
  run.audio_kbps.reset();
  EXPECT_EQ(AudioBitRateNote(48, run), std::nullopt);
}

TEST(OutputParser, MarkerInAProgressRecordStillUpdatesTheDisplay) {
  OutputParser parser;
  EXPECT_EQ(FeedLines(parser, {kInput, kDuration90, "frame=9 size=2kB time=9.0 error: x"}),
            Verdict::kEnd);
  const Display d = parser.TakeDisplay();
  EXPECT_EQ(d.frames, "9");
  EXPECT_EQ(d.progress, "10%");
}

TEST(OutputParser, LinesAfterAnEndingLineAreNotExamined) {
  OutputParser parser;
  EXPECT_EQ(parser.Feed(std::string(kInput) + "\nUnsupported codec\nframe=3 q=1\n"), Verdict::kEnd);
  EXPECT_FALSE(parser.TakeDisplay().frames);
}

TEST(OutputParser, SplitDurationLineIsNotLost) {
  OutputParser parser;
  const std::string text = std::string(kInput) + "\n" + kDuration90 + "\n" + kRecord + "\r";
  // Every way of cutting the text in two gives the same result.
  for (std::size_t cut = 1; cut < text.size(); ++cut) {
    OutputParser p;
    p.Feed(text.substr(0, cut));
    p.Feed(text.substr(cut));
    EXPECT_EQ(p.duration_seconds(), 90) << cut;
    EXPECT_EQ(p.TakeDisplay().progress, "30%") << cut;
  }
}

TEST(OutputParser, LastLineWithoutLineEndIsExaminedAtTheEnd) {
  OutputParser parser;
  EXPECT_EQ(parser.Feed(std::string(kInput) + "\nsome error: disk full"), Verdict::kContinue);
  EXPECT_EQ(parser.Finish(), Verdict::kEnd);
}

TEST(OutputParser, ThumbnailRunShowsNoProgress) {
  OutputParser::Options options;
  options.thumbnail_run = true;
  OutputParser parser(options);
  EXPECT_EQ(FeedLines(parser, {kInput, kDuration90, kRecord}), Verdict::kContinue);
  EXPECT_FALSE(parser.has_pending());
  EXPECT_FALSE(parser.TakeCurrentFrames());
  EXPECT_EQ(FeedLines(parser, {"Error while opening file x"}), Verdict::kEnd);
}

TEST(OutputParser, DisplayKeepsTheLatestValues) {
  OutputParser parser;
  FeedLines(parser, {kInput, kDuration90, "frame=1 size=1kB time=9.0 b=1",
                     "frame=2 size=2kB time=18.0 b=1", "  Duration: 00:00:36.00,"});
  const Display d = parser.TakeDisplay();
  EXPECT_EQ(d.frames, "2");
  EXPECT_EQ(d.size_panel, "Output File Size : 2 KB");
  EXPECT_EQ(d.progress, "20%");

  Display older;
  older.frames = "1";
  older.bar = 5;
  Display newer;
  newer.frames = "2";
  older.Merge(newer);
  EXPECT_EQ(older.frames, "2");
  EXPECT_EQ(older.bar, 5);
}

TEST(OutputParser, EveryMarkerAndHeaderHoldsANonProgressByte) {
  std::vector<std::string> texts = ErrorMarkers();
  texts.insert(texts.end(), {"Input #0,", "Output #0,", "Duration: ", std::string(1, '\0')});
  for (const auto& text : texts) {
    EXPECT_NE(text.find_first_of(kNonProgressBytes), std::string::npos) << text;
    EXPECT_TRUE(MayHoldMoreThanProgress(text)) << text;
  }
  EXPECT_FALSE(MayHoldMoreThanProgress(kRecord));
  // Found at every position, across the scan's internal steps.
  for (std::size_t length : {1u, 63u, 64u, 65u, 200u}) {
    for (std::size_t at = 0; at < length; ++at) {
      std::string text(length, 'f');
      text[at] = 'd';
      ASSERT_TRUE(MayHoldMoreThanProgress(text)) << length << " " << at;
    }
    EXPECT_FALSE(MayHoldMoreThanProgress(std::string(length, 'f')));
  }
}

struct Outcome {
  Verdict verdict;
  bool error_seen;
  std::int32_t duration;
  std::optional<std::string> frames, size_panel, progress, current_frames, mark;
  std::optional<std::int64_t> bar, size_kb;
  std::optional<double> seconds;
  std::vector<std::string> transcript;
  bool operator==(const Outcome&) const = default;
};

Outcome FeedInReads(const std::string& text, std::size_t read_size) {
  OutputParser parser;
  Verdict verdict = Verdict::kContinue;
  for (std::size_t at = 0; at < text.size() && verdict == Verdict::kContinue; at += read_size) {
    verdict = parser.Feed(std::string_view(text).substr(at, read_size));
  }
  if (verdict == Verdict::kContinue) verdict = parser.Finish();
  Display d = parser.TakeDisplay();
  return {verdict,    parser.error_seen(),        parser.duration_seconds(), d.frames, d.size_panel,
          d.progress, parser.TakeCurrentFrames(), parser.TakeProgressMark(), d.bar,    d.size_kb,
          d.seconds,  parser.TakeTranscript()};
}

TEST(OutputParser, ReadSizeDoesNotChangeTheOutcome) {
  // Many lines arrive in one read and are looked at as a block; a byte at a time they are
  // examined one by one. Both give the same outcome.
  std::string records;
  for (int frame = 1; frame <= 300; ++frame) {
    records += "frame=" + std::to_string(frame) + " q=2.0 size=" + std::to_string(frame * 3) +
               "kB time=" + std::to_string(frame / 10) + ".5 bitrate=512.0kbits/s\r";
  }
  const std::string head = std::string(kInput) + "\r\n" + kDuration90 + "\r\n";
  const std::vector<std::pair<const char*, std::string>> texts = {
      {"records", head + records},
      {"records, then a bad time", head + records + "frame=301 time=zz bitrate=1\r"},
      {"records, then frames only", head + records + "frame=302 q=1\r\n\n"},
      {"duration changes midway", head + records + "  Duration: 00:00:30.00,\n" + records},
      {"marker midway", head + records + "\nerror: broken\n" + records},
      {"unsupported codec midway", head + records + "Unsupported codec\r" + records},
      {"nul midway", head + records + "fail\0ed\r" + records},
      {"rejected first line", "Not a header\n" + records},
      {"lf only", head + "frame=1 size=1kB time=1.0 b\nframe=2 size=2kB time=2.0 b\n"},
      {"a line of no record midway", head + records + "x=1\r" + records},
      {"no duration yet", std::string(kInput) + "\r\n" + records},
      {"records, then a size of no number", head + records + "frame=303 size=N/A time=40.0 b\r"},
      {"records, then a time without size", head + records + "frame=304 time=41.0 b\r"},
  };
  for (const auto& [name, text] : texts) {
    const Outcome one_by_one = FeedInReads(text, 1);
    for (std::size_t read_size : {7u, 100u, 4096u, 65536u}) {
      EXPECT_EQ(FeedInReads(text, read_size), one_by_one) << name << ", reads of " << read_size;
    }
  }
}

TEST(PercentOf, PlainDecimalsOnly) {
  EXPECT_EQ(PercentOf("27.1", 90), 30);
  EXPECT_EQ(PercentOf("27", 90), 30);
  EXPECT_EQ(PercentOf(".9", 1), 90);
  EXPECT_EQ(PercentOf("9.", 10), 90);
  EXPECT_EQ(PercentOf("99999999999999999999999", 1), 1'000'000'000'000'000);
  EXPECT_FALSE(PercentOf("1", 0));
  EXPECT_FALSE(PercentOf("", 10));
  EXPECT_FALSE(PercentOf(".", 10));
  EXPECT_FALSE(PercentOf("1,5", 10));
  EXPECT_FALSE(PercentOf("1e3", 10));
  EXPECT_FALSE(PercentOf("+1", 10));
}

// Every way a run ends, judged: the verdict and reason, what follows in the row, and the word its
// "Progress" cell then shows. One row each; `file` is the output's size (-1: no file).
struct JudgedCase {
  const char* name;
  RunKind kind;
  RunEnd end;
  long long file;
  RunVerdict verdict;
  std::string reason;
  RowStep step;           // with a PSP format (a thumbnail wanted)
  const char* cell;       // after a kFinish: the row's final word
  const char* line = "";  // the encoder's error line
};

TEST(JudgeRun, OutcomesTable) {
  using K = RunKind;
  using E = RunEnd;
  using V = RunVerdict;
  using S = RowStep;
  const char* const none = "the encoder wrote no output file";
  const char* const empty = "the encoder wrote an empty output file";
  const char* const stall = "the encoder made no progress for 16 seconds and was ended";
  const char* const line = "error: disk full";
  const JudgedCase cases[] = {
      {"done", K::kMain, E::kCompleted, 4096, V::kSucceeded, "", S::kThumbnail, ""},
      {"done, retry", K::kRetry, E::kCompleted, 4096, V::kSucceeded, "", S::kThumbnail, ""},
      {"thumbnail done", K::kMainThumbnail, E::kCompleted, 4096, V::kSucceeded, "", S::kFinish,
       "Done"},
      {"empty output", K::kMain, E::kCompleted, 0, V::kRetry, empty, S::kRetry, ""},
      {"empty output, retry", K::kRetry, E::kCompleted, 0, V::kFailed, empty, S::kFinish, "Failed"},
      {"no output", K::kMain, E::kCompleted, -1, V::kRetry, none, S::kRetry, ""},
      {"no output, retry", K::kRetry, E::kCompleted, -1, V::kFailed, none, S::kFinish, "Failed"},
      {"error line", K::kMain, E::kEncoderError, 100, V::kRetry, "disk full", S::kRetry, "", line},
      {"error line, retry", K::kRetry, E::kEncoderError, 100, V::kFailed, "disk full", S::kFinish,
       "Failed", line},
      {"ended on its error line", K::kMain, E::kEndedOnErrorLine, -1, V::kRetry, "disk full",
       S::kRetry, "", line},
      {"exit code", K::kMain, E::kEncoderError, 4096, V::kRetry,
       "the encoder ended with exit code 3", S::kRetry, ""},
      {"killed from outside", K::kMain, E::kKilled, 4096, V::kRetry,
       std::string("the encoder was ended by ") + testing::kKilledEnd, S::kRetry, ""},
      {"unreadable output", K::kRetry, E::kUnreadable, 4096, V::kFailed,
       "the encoder's output could not be read: gone", S::kFinish, "Failed"},
      {"not started", K::kMain, E::kNotStarted, 4096, V::kFailed, "no such program", S::kFinish,
       "Failed"},
      {"thumbnail fails: the whole file again", K::kMainThumbnail, E::kEncoderError, 4096,
       V::kRetry, "the thumbnail: disk full", S::kRetry, "", line},
      {"thumbnail after the retry fails", K::kRetryThumbnail, E::kEncoderError, 4096, V::kFailed,
       "the thumbnail: disk full", S::kFinish, "Failed", line},
      {"stopped", K::kMain, E::kStopped, 100, V::kStopped, "stopped", S::kFinish, "Aborted"},
      {"stopped, nothing written", K::kMain, E::kStopped, -1, V::kStopped, "stopped", S::kFinish,
       "Failed"},
      {"stalled", K::kMain, E::kStalled, 100, V::kFailed, stall, S::kFinish, "Failed"},
      {"stalled, nothing written", K::kMain, E::kStalled, 0, V::kRetry, stall, S::kRetry, ""},
      {"stalled, retry", K::kRetry, E::kStalled, -1, V::kFailed, stall, S::kFinish, "Failed"},
  };
  for (const JudgedCase& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult result{
        .end = c.end,
        .error_line = c.line,
        .exit_code = c.end == E::kKilled ? testing::kKilledExit : 3,
        .why = c.end == E::kUnreadable ? "gone" : "no such program",
        .output_path = "/out/clip.mp4",
        .output_exists = c.file >= 0,
        .output_size = c.file >= 0 ? std::optional<std::int64_t>(c.file) : std::nullopt};
    const RunJudgement judged = JudgeRun(result, c.kind);
    EXPECT_EQ(judged.verdict, c.verdict);
    EXPECT_EQ(judged.reason, c.reason);
    const RowNext next = NextStep(c.kind, judged.verdict, /*thumbnail_wanted=*/true);
    EXPECT_EQ(next.step, c.step);
    if (next.step == S::kFinish) {
      FileEntry row;
      row.state = next.state;
      row.output_written = result.output_exists;
      EXPECT_EQ(ProgressText(row), c.cell);
    }
  }
}

// The runs of a row, one after another: which run follows which verdict, with and without a
// thumbnail; a row never runs more than four times.
TEST(NextStep, RunSequences) {
  using K = RunKind;
  using V = RunVerdict;
  EXPECT_EQ(NextStep(K::kMain, V::kSucceeded, false).state, RowState::kDone);
  EXPECT_EQ(NextStep(K::kMain, V::kSucceeded, true).run, K::kMainThumbnail);
  EXPECT_EQ(NextStep(K::kMain, V::kRetry, false).run, K::kRetry);
  EXPECT_EQ(NextStep(K::kMain, V::kFailed, true).state, RowState::kFailed);
  EXPECT_EQ(NextStep(K::kMainThumbnail, V::kRetry, true).run, K::kRetry);
  EXPECT_EQ(NextStep(K::kRetry, V::kSucceeded, true).run, K::kRetryThumbnail);
  EXPECT_EQ(NextStep(K::kRetry, V::kSucceeded, false).state, RowState::kDone);
  for (const K kind : {K::kMain, K::kMainThumbnail, K::kRetry, K::kRetryThumbnail}) {
    EXPECT_EQ(NextStep(kind, V::kStopped, true).state, RowState::kAborted);
  }
  // A failed retry makes no thumbnail: it would stand over a video that was not made.
  EXPECT_EQ(NextStep(K::kRetry, V::kFailed, true).step, RowStep::kFinish);
  EXPECT_EQ(NextStep(K::kRetryThumbnail, V::kRetry, true).state, RowState::kFailed);
  EXPECT_EQ(SettledState(V::kSucceeded), RowState::kDone);
  EXPECT_EQ(SettledState(V::kRetry), RowState::kFailed);
  EXPECT_EQ(SettledState(V::kStopped), RowState::kAborted);
}

}  // namespace
}  // namespace vidloom
