#include "options.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <numeric>
#include <utility>

namespace raziz2u {

namespace {

constexpr char kAlternatePrefix[] = "DS:\\\\";  // D, S, colon, two backslashes

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || static_cast<unsigned char>(c) < 0x20;
}

}  // namespace

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::optional<double> ParseNumber(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  for (char c : t) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+')
      return std::nullopt;
  }
  char* end = nullptr;
  const double value = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> ParseLeadingInt(const std::string& text) {
  const std::string t = Trim(text);
  size_t digits = 0;
  while (digits < t.size() && std::isdigit(static_cast<unsigned char>(t[digits]))) ++digits;
  if (digits == 0 || digits > 9) return std::nullopt;
  // What follows the number must be a separate word ("2 (stereo)"), not more of it ("2x").
  if (digits < t.size() && t[digits] != ' ' && t[digits] != '(') return std::nullopt;
  return std::atoi(t.substr(0, digits).c_str());
}

bool ParseFrameRate(const std::string& text, int* num, int* den) {
  const std::string t = Trim(text);
  const size_t slash = t.find('/');
  if (slash != std::string::npos) {
    const auto n = ParseNumber(t.substr(0, slash));
    const auto d = ParseNumber(t.substr(slash + 1));
    if (!n || !d || *n != std::floor(*n) || *d != std::floor(*d) || *n <= 0 || *d <= 0 ||
        *n > 1e6 || *d > 1e6 || *n / *d > 1000)
      return false;
    *num = static_cast<int>(*n);
    *den = static_cast<int>(*d);
    return true;
  }
  const auto value = ParseNumber(t);
  if (!value || *value <= 0 || *value > 1000) return false;
  // The NTSC family is written rounded (29.97, 14.985, 23.976, 59.94): take the exact rate.
  for (int base : {15, 24, 30, 48, 60, 120}) {
    if (std::fabs(*value - base / 1.001) < 0.006) {
      *num = base * 1000;
      *den = 1001;
      return true;
    }
  }
  int scale = 1;
  while (scale < 1000000 && std::fabs(*value * scale - std::round(*value * scale)) > 1e-6)
    scale *= 10;
  long n = std::lround(*value * scale);
  long d = scale;
  const long g = std::gcd(n, d);
  if (n <= 0) return false;
  *num = static_cast<int>(n / g);
  *den = static_cast<int>(d / g);
  return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
  const std::string t = Trim(text);
  const size_t x = t.find_first_of("xX");
  if (x == std::string::npos) return false;
  const auto w = ParseNumber(t.substr(0, x));
  const auto h = ParseNumber(t.substr(x + 1));
  if (!w || !h || *w != std::floor(*w) || *h != std::floor(*h)) return false;
  if (*w < 2 || *h < 2 || *w > 16384 || *h > 16384) return false;
  *width = static_cast<int>(*w);
  *height = static_cast<int>(*h);
  return true;
}

std::optional<double> ParseTime(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  double seconds = 0;
  size_t pos = 0;
  int fields = 0;
  while (true) {
    const size_t colon = t.find(':', pos);
    const std::string part =
        t.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
    const auto value = ParseNumber(part);
    if (!value || *value < 0 || ++fields > 3) return std::nullopt;
    seconds = seconds * 60 + *value;
    if (colon == std::string::npos) break;
    pos = colon + 1;
  }
  return seconds;
}

namespace {

// Applies one option's value; returns an error text or empty.
using Setter = std::function<std::string(Request&, const std::string&)>;

// `text` as an error line shows it: a control character as \xNN, so that the line stays one.
std::string Shown(const std::string& text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
    } else {
      out += c;
    }
  }
  return out;
}

std::string Invalid(const std::string& option, const std::string& value) {
  return "invalid value \"" + Shown(value) + "\" for " + option;
}

// A number in [low, high]; empty means "choose" (left unset).
template <typename T>
Setter Number(std::optional<T> Request::*field, double low, double high, const std::string& name) {
  return [=](Request& r, const std::string& value) -> std::string {
    if (Trim(value).empty()) {
      (r.*field).reset();
      return {};
    }
    const auto number = ParseNumber(value);
    if (!number || *number < low || *number > high) return Invalid(name, value);
    r.*field = static_cast<T>(*number);
    return {};
  };
}

Setter Pad(int Request::*field, const std::string& name) {
  return [=](Request& r, const std::string& value) -> std::string {
    const auto number = ParseNumber(value);
    if (!number || *number < 0 || *number > 4096 || *number != std::floor(*number))
      return Invalid(name, value);
    r.*field = static_cast<int>(*number);
    return {};
  };
}

Setter Text(std::string Request::*field) {
  return [=](Request& r, const std::string& value) -> std::string {
    std::string t = Trim(value);
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    r.*field = t;
    return {};
  };
}

const std::map<std::string, Setter>& ValueOptions() {
  static const std::map<std::string, Setter> options = {
      {"-vcodec", Text(&Request::video_codec)},
      {"-acodec", Text(&Request::audio_codec)},
      {"-b", Number(&Request::video_kbps, 1, 1e6, "-b")},
      {"-maxrate", Number(&Request::max_kbps, 1, 1e6, "-maxrate")},
      {"-bufsize", Number(&Request::buffer_kbytes, 1, 1e6, "-bufsize")},
      {"-bt", Number(&Request::tolerance_kbps, 1, 1e6, "-bt")},
      {"-g", Number(&Request::gop, 1, 10000, "-g")},
      {"-qscale", Number(&Request::qscale, 1, 51, "-qscale")},
      {"-coder", Number(&Request::coder, 0, 2, "-coder")},
      {"-ab", Number(&Request::audio_kbps, 1, 2000, "-ab")},
      {"-vol_factor", Number(&Request::volume_factor, 0, 10000, "-vol_factor")},
      {"-vframes", Number(&Request::max_video_frames, 0, 1e9, "-vframes")},
      {"-padtop", Pad(&Request::pad_top, "-padtop")},
      {"-padbottom", Pad(&Request::pad_bottom, "-padbottom")},
      {"-padleft", Pad(&Request::pad_left, "-padleft")},
      {"-padright", Pad(&Request::pad_right, "-padright")},
      {"-threads",
       [](Request& r, const std::string& v) -> std::string {
         const auto threads = ParseLeadingInt(v);
         if (!threads || *threads < 0 || *threads > 64 || Trim(v) != std::to_string(*threads)) {
           return Invalid("-threads", v);
         }
         r.threads = *threads;
         return {};
       }},
      {"-title",
       [](Request& r, const std::string& v) -> std::string {
         r.title = v;
         return {};
       }},
      {"-r",
       [](Request& r, const std::string& v) -> std::string {
         if (Trim(v).empty()) {
           r.frame_rate_num.reset();
           return {};
         }
         int num = 0, den = 1;
         if (!ParseFrameRate(v, &num, &den)) return Invalid("-r", v);
         r.frame_rate_num = num;
         r.frame_rate_den = den;
         return {};
       }},
      {"-s",
       [](Request& r, const std::string& v) -> std::string {
         int w = 0, h = 0;
         if (Trim(v).empty()) {
           r.width.reset();
           r.height.reset();
           return {};
         }
         if (!ParseSize(v, &w, &h)) return Invalid("-s", v);
         r.width = w;
         r.height = h;
         return {};
       }},
      {"-ar",
       [](Request& r, const std::string& v) -> std::string {
         if (Trim(v).empty()) {
           r.sample_rate.reset();
           return {};
         }
         const auto rate = ParseLeadingInt(v);
         if (!rate || *rate < 1000 || *rate > 384000) return Invalid("-ar", v);
         r.sample_rate = *rate;
         return {};
       }},
      {"-ac",
       [](Request& r, const std::string& v) -> std::string {
         if (Trim(v).empty()) {
           r.channels.reset();
           return {};
         }
         const auto channels = ParseLeadingInt(v);
         if (!channels || *channels < 1 || *channels > 8) return Invalid("-ac", v);
         r.channels = *channels;
         return {};
       }},
      {"-ss",
       [](Request& r, const std::string& v) -> std::string {
         if (Trim(v).empty()) {
           r.start_seconds.reset();
           return {};
         }
         // The start is taken in microseconds, a 64-bit count: a billion seconds is beyond any
         // input and fits with room to spare.
         const auto t = ParseTime(v);
         if (!t || *t > 1e9) return Invalid("-ss", v);
         r.start_seconds = *t;
         return {};
       }},
  };
  return options;
}

// The options without a value; false when `arg` is none of them. "-@", with which the program's
// command lines begin, asks for nothing.
bool SetSwitch(const std::string& arg, Request& r) {
  static const std::pair<const char*, bool Request::*> kSwitches[] = {
      {"-y", &Request::overwrite},         {"-an", &Request::no_audio},
      {"-vn", &Request::no_video},         {"-bitexact", &Request::bitexact},
      {"-benchmark", &Request::benchmark}, {"-id3v1", &Request::id3v1},
      {"-id3v2", &Request::id3v2},
  };
  if (arg == "-@") return true;
  for (const auto& [name, member] : kSwitches) {
    if (arg == name) {
      r.*member = true;
      return true;
    }
  }
  return false;
}

// -i: the input path, after the alternate way's prefix when it has one; a -f given before it
// names the input's container. An error text, or empty.
std::string TakeInput(const std::string& value, std::string& pending_format, Request& r) {
  r.input_format = pending_format;
  pending_format.clear();
  if (value.rfind(kAlternatePrefix, 0) == 0) {
    r.alternate_input = true;
    r.input = value.substr(sizeof(kAlternatePrefix) - 1);
  } else {
    r.input = value;
  }
  return r.input.empty() ? "empty input file name" : "";
}

// -f, lower-cased: the output's container after -i, the input's before it.
std::string TakeFormat(const std::string& value, bool have_input, std::string& pending_format,
                       Request& r) {
  std::string format = Trim(value);
  for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (format.empty()) return "empty value for -f";
  if (have_input) {
    r.output_format = format;
  } else {
    pending_format = format;
  }
  return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  ParseResult result;
  Request& r = result.request;
  bool have_input = false;
  std::string pending_format;  // -f seen before -i applies to the input
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool last = i + 1 == args.size();
    if (SetSwitch(arg, r)) continue;
    if (arg == "-i" || arg == "-f" || ValueOptions().count(arg)) {
      if (last) {
        result.error = "missing value for " + arg;
        return result;
      }
      const std::string& value = args[++i];
      if (arg == "-i") {
        if (have_input) {
          result.error = "only one input is supported";
          return result;
        }
        have_input = true;
        result.error = TakeInput(value, pending_format, r);
      } else if (arg == "-f") {
        result.error = TakeFormat(value, have_input, pending_format, r);
      } else {
        result.error = ValueOptions().at(arg)(r, value);
      }
      if (!result.error.empty()) return result;
    } else if (!arg.empty() && arg[0] == '-' && !last) {
      result.error = "unrecognized option " + Shown(arg);
      return result;
    } else {
      // The output name: the one argument that is no option (it may itself begin with "-").
      if (!r.output.empty()) {
        result.error = "only one output file is supported";
        return result;
      }
      if (arg.empty()) {
        result.error = "empty output file name";
        return result;
      }
      r.output = arg;
    }
  }
  if (!have_input) result.error = "no input file given (-i)";
  return result;
}

}  // namespace raziz2u
