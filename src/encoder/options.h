// The command line of raziz2u: old ffmpeg-style options, bit rates in kbit/s.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace raziz2u {

// What one run is asked to do. Unset optionals mean "choose from the input and the container".
struct Request {
  std::string input;             // path, without the DS:\\ prefix
  bool alternate_input = false;  // DS:\\ prefix: error-tolerant demuxing and decoding
  std::string input_format;      // -f before -i ("qt" opens with the QuickTime/MP4 demuxer)
  std::string output;            // empty: probe form (describe the input only)
  std::string output_format;     // -f after -i: "psp", "3gp", "singlejpeg", or empty
  bool overwrite = false;        // -y

  std::string video_codec;               // "xvid", "mpeg4", "h263", "h264"; empty = choose
  std::optional<double> video_kbps;      // -b
  std::optional<double> max_kbps;        // -maxrate
  std::optional<double> buffer_kbytes;   // -bufsize, old semantics: x8192 bits
  std::optional<double> tolerance_kbps;  // -bt
  std::optional<int> frame_rate_num;     // -r as a rational
  int frame_rate_den = 1;
  std::optional<int> gop;            // -g
  std::optional<double> qscale;      // -qscale
  std::optional<int> coder;          // -coder (1 = CABAC)
  std::optional<int> width, height;  // -s: the picture inside the bars
  int pad_top = 0, pad_bottom = 0, pad_left = 0, pad_right = 0;
  bool no_video = false;  // -vn

  std::string audio_codec;              // "mpeg4aac", "aac", "mp3", "amr_nb"; empty = choose
  std::optional<double> audio_kbps;     // -ab
  std::optional<int> sample_rate;       // -ar
  std::optional<int> channels;          // -ac
  std::optional<double> volume_factor;  // -vol_factor: gain = factor / 50
  bool no_audio = false;                // -an

  bool bitexact = false;   // -bitexact: no encoder identification strings
  bool benchmark = false;  // -benchmark: print the run's times at its end
  int threads = 0;  // -threads: for each decoder, filter graph and encoder (0: the machine's)
  std::optional<std::string> title;      // -title
  bool id3v1 = false, id3v2 = false;     // -id3v1, -id3v2
  std::optional<double> start_seconds;   // -ss
  std::optional<long> max_video_frames;  // -vframes

  int FrameWidth() const { return width.value_or(0) + pad_left + pad_right; }
  int FrameHeight() const { return height.value_or(0) + pad_top + pad_bottom; }
};

struct ParseResult {
  Request request;
  std::string error;  // empty on success; otherwise a sentence without the "error:" marker
};

// Parses argv (without the program name). Never throws; malformed values give an error text.
ParseResult ParseCommandLine(const std::vector<std::string>& args);

// Value helpers, exposed for tests.
std::string Trim(const std::string& text);
// A whole decimal number (blanks around it allowed); nullopt when not one.
std::optional<double> ParseNumber(const std::string& text);
// The leading whole number of texts like "2 (stereo)" or "8000 "; nullopt when none.
std::optional<int> ParseLeadingInt(const std::string& text);
// "29.97" -> 30000/1001, "14.985" -> 15000/1001, "25" -> 25/1, "23.976" -> 24000/1001.
bool ParseFrameRate(const std::string& text, int* num, int* den);
// "368x208" -> 368, 208 (both positive and even-sized not required here).
bool ParseSize(const std::string& text, int* width, int* height);
// "3", "3.5", "00:00:03.5" -> seconds.
std::optional<double> ParseTime(const std::string& text);

}  // namespace raziz2u
