// The encoder's console output turned into what the window shows for the row being converted and
// into the run's verdict. Pure code: no window, no process, no clock. The runner feeds it the
// bytes it reads and applies the results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/line_splitter.h"

namespace vidloom {

using platform::LineSplitter;

// What the window should show, as far as the output has said so; unset fields leave the window
// as it is. A newer snapshot merged over an older one keeps only the latest values.
struct Display {
  std::optional<std::string> frames;      // the row's "Frames" cell
  std::optional<std::string> size_panel;  // panel 1 of the status bar
  std::optional<std::int64_t> size_kb;    // the output's size so far, when a whole number
  std::optional<std::int64_t> bar;        // the progress bar (the bar holds it within 0..100)
  std::optional<std::string> progress;    // the row's "Progress" cell, e.g. "30%"
  std::optional<std::string> duration;    // the row's "Duration" cell (CD audio inputs)
  std::optional<double> seconds;          // the media seconds converted so far

  bool empty() const {
    return !frames && !size_panel && !size_kb && !bar && !progress && !duration && !seconds;
  }
  void Merge(const Display& newer);
};

// How the run goes on after a line.
enum class Verdict {
  kContinue,
  kEnd,  // the output said the run failed: it ends (its encoder may end by itself, else it is
         // ended)
};

// The error markers, searched in this order.
const std::vector<std::string>& ErrorMarkers();

// Whether `text` holds a byte that some text the parser acts on besides the progress readings
// needs (a marker, a header, "Duration: ") or a NUL byte. Text without one is made of progress
// records only, so only its latest readings matter.
bool MayHoldMoreThanProgress(std::string_view text);
// The bytes it looks for; every marker and header holds at least one of them.
inline constexpr std::string_view kNonProgressBytes{"opd\0", 4};

// Parses one run's output line by line. Create one per run.
class OutputParser {
 public:
  struct Options {
    bool thumbnail_run = false;  // progress readings are skipped
    bool cda_input = false;      // the input is a CD audio track: the duration is shown
  };

  OutputParser() = default;
  explicit OutputParser(Options options) : options_(options) {}

  // Feeds raw output bytes; examines every line they complete. Stops at the first line whose
  // verdict ends the run and returns that verdict; the remaining bytes are not examined.
  Verdict Feed(std::string_view data);
  // The output has ended: examines the unterminated rest.
  Verdict Finish();

  // Examines one whole line (no line end in it).
  Verdict ParseLine(std::string_view line);

  bool error_seen() const { return error_seen_; }
  // The line that set error_seen first (a marker line, or the rejected first line); empty
  // without an error.
  const std::string& error_line() const { return error_line_; }
  // What the encoder used instead of what was asked, as it said in its "Adjusted: " lines
  // ("48000 Hz: MP3 has no 96000 Hz").
  const std::vector<std::string>& adjustments() const { return adjustments_; }
  // The output's audio as the encoder listed it below "Output #0,": its codec and the bit rate
  // it encodes at ("Stream #0.1: Audio: libopencore_amrnb, 8000 Hz, mono, 12.2 kb/s"). Empty
  // codec and no bit rate until such a line came.
  const std::string& output_audio_codec() const { return output_audio_codec_; }
  std::optional<double> output_audio_kbps() const { return output_audio_kbps_; }
  std::int32_t duration_seconds() const { return duration_seconds_; }

  // The display changes since the last TakeDisplay(), latest values only.
  bool has_pending() const { return !pending_.empty(); }
  Display TakeDisplay();

  // The latest frame count (trimmed) when one was read since the last call.
  std::optional<std::string> TakeCurrentFrames();

  // The latest progress reading of size and time together ("<size>|<time>"), when a progress
  // record came since the last call: what moves while an output without frame counts goes on.
  std::optional<std::string> TakeProgressMark();

  // From now on lines are only kept for the transcript: no reading, no verdict (the run has
  // ended; what the encoder still says is only worth showing).
  void KeepOnly() { keep_only_ = true; }

  // The lines examined so far, for the user: every line but the progress records, of which only
  // the last before each other line and the last one of all are kept. At most kTranscriptLines
  // lines (the latest), each cut to kTranscriptLineLength characters. Moves them out.
  static constexpr std::size_t kTranscriptLines = 200;
  static constexpr std::size_t kTranscriptLineLength = 500;
  std::vector<std::string> TakeTranscript();

 private:
  enum class FirstLine { kWaiting, kArmed, kDone };
  bool ExamineBlock(std::string_view block, Verdict& verdict);
  void ReadLatestProgress(std::string_view block);
  void ReadProgress(std::string_view line);
  void ReadFrames(std::string_view line);
  void ReadSize(std::string_view line);
  void ReadDuration(std::string_view line);
  void ReadTime(std::string_view line);
  void ReadOutputAudio(std::string_view line);
  void Keep(std::string_view line);
  void KeepLine(std::string line);

  Options options_;
  LineSplitter splitter_;
  FirstLine first_line_ = FirstLine::kWaiting;
  bool error_seen_ = false;
  std::int32_t duration_seconds_ = 0;
  Display pending_;
  std::optional<std::string> current_frames_;
  std::string error_line_;
  std::vector<std::string> adjustments_;
  bool output_header_seen_ = false;
  std::string output_audio_codec_;
  std::optional<double> output_audio_kbps_;
  std::string last_size_;
  std::optional<std::string> progress_mark_;
  bool keep_only_ = false;
  std::deque<std::string> transcript_;
  std::string last_progress_;  // the latest progress record not yet in the transcript
};

// Whether `input_path` names a CD audio track (extension ".cda", any case).
bool IsCdaInput(std::string_view input_path);

// The elapsed time as a percentage of the duration, rounded to the nearest integer (halves to the
// even neighbour); nullopt when `seconds_text` is not a plain decimal number or the duration is 0.
std::optional<std::int64_t> PercentOf(std::string_view seconds_text, std::int32_t duration_seconds);

}  // namespace vidloom
