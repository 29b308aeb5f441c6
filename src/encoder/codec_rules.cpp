#include "codec_rules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace raziz2u {

namespace {

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

std::string MuxerFor(const Request& request) {
  const std::string ext = LowerExtension(request.output);
  const std::string& f = request.output_format;
  if (f == "psp") return "psp";
  if (f == "singlejpeg" || f == "mjpeg") return "mjpeg";
  if (f == "3gp") return ext == "3g2" ? "3g2" : "3gp";
  if (f == "3g2" || f == "mp4" || f == "mp3" || f == "adts" || f == "mov") return f;
  if (!f.empty()) return {};
  if (ext == "mp4" || ext == "m4v") return "mp4";
  if (ext == "m4a") return "ipod";
  if (ext == "3gp") return "3gp";
  if (ext == "3g2") return "3g2";
  if (ext == "mp3") return "mp3";
  if (ext == "aac") return "adts";
  if (ext == "mov") return "mov";
  if (ext == "thm" || ext == "jpg" || ext == "jpeg") return "mjpeg";
  return {};
}

bool IsQuickTimeFamily(const std::string& muxer) {
  return muxer == "mp4" || muxer == "psp" || muxer == "3gp" || muxer == "3g2" || muxer == "mov" ||
         muxer == "ipod";
}

bool IsAudioOnlyMuxer(const std::string& muxer) {
  return muxer == "mp3" || muxer == "adts" || muxer == "ipod";
}

std::string VideoEncoderFor(const std::string& vcodec, const std::string& muxer) {
  if (muxer == "mjpeg") return "mjpeg";
  if (vcodec.empty()) {
    if (muxer == "3gp" || muxer == "3g2" || muxer == "psp") return "mpeg4";
    return "libx264";
  }
  if (vcodec == "xvid") return "libxvid";
  if (vcodec == "mpeg4") return "mpeg4";
  if (vcodec == "h263") return "h263";
  if (vcodec == "h264" || vcodec == "x264" || vcodec == "libx264") return "libx264";
  return {};
}

std::string AudioEncoderFor(const std::string& acodec, const std::string& muxer) {
  if (acodec.empty()) {
    if (muxer == "mp3") return "libmp3lame";
    if (muxer == "3gp" || muxer == "3g2") return "libopencore_amrnb";
    return "aac";
  }
  if (acodec == "mpeg4aac" || acodec == "aac") return "aac";
  if (acodec == "mp3") return "libmp3lame";
  if (acodec == "amr_nb") return "libopencore_amrnb";
  return {};
}

int AmrBitRate(double asked_kbps, bool asked) {
  static const int kModes[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};
  if (!asked) return 12200;
  int chosen = kModes[0];
  for (int mode : kModes) {
    if (mode <= asked_kbps * 1000 + 0.5) chosen = mode;
  }
  return chosen;
}

int NearestRate(int wanted, const std::vector<int>& supported) {
  if (supported.empty()) return wanted;
  int best = supported.front();
  for (int rate : supported) {
    const int d = std::abs(rate - wanted), best_d = std::abs(best - wanted);
    if (d < best_d || (d == best_d && rate < best)) best = rate;
  }
  return best;
}

std::string TitleFromPath(const std::string& path) {
  std::size_t start = path.find_last_of("/\\");
  start = start == std::string::npos ? 0 : start + 1;
  // "C:song.wav": the drive's name is no part of the file's.
  if (start == 0 && path.size() > 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    start = 2;
  }
  std::string base = path.substr(start);
  const std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base;
}

bool IsH263Size(int width, int height) {
  static const int kSizes[][2] = {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}};
  return std::any_of(std::begin(kSizes), std::end(kSizes),
                     [&](const int* s) { return s[0] == width && s[1] == height; });
}

std::optional<std::pair<int, int>> H263SizeHolding(int width, int height) {
  static const int kSizes[][2] = {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}};
  for (const auto& s : kSizes) {
    if (s[0] >= width && s[1] >= height) return std::make_pair(s[0], s[1]);
  }
  return std::nullopt;
}

namespace {

double MacroblocksPerFrame(const StreamDemand& d) {
  return std::ceil(d.width / 16.0) * std::ceil(d.height / 16.0);
}

}  // namespace

int Mpeg4SimpleLevel(const StreamDemand& d) {
  // Level, macroblocks per frame, macroblocks per second, kbit/s, VBV buffer in kbit.
  struct Limit {
    int level;
    double frame, rate, kbps, buffer;
  };
  static const Limit kLimits[] = {
      {1, 99, 1485, 64, 160},       {2, 396, 5940, 128, 640},     {3, 396, 11880, 384, 640},
      {4, 1200, 36000, 4000, 1280}, {5, 1620, 40500, 8000, 1792}, {6, 3600, 108000, 12000, 3968},
  };
  const double mbs = MacroblocksPerFrame(d);
  for (const Limit& l : kLimits) {
    if (mbs <= l.frame && mbs * d.fps <= l.rate && d.kbps <= l.kbps && d.buffer_kbits <= l.buffer)
      return l.level;
  }
  return 0;
}

int H263Level(const StreamDemand& d) {
  // Level, largest width and height, macroblocks per second, kbit/s.
  struct Limit {
    int level;
    int width, height;
    double rate, kbps;
  };
  static const Limit kLimits[] = {
      {10, 176, 144, 99 * 15.0, 64},      {20, 352, 288, 396 * 15.0, 128},
      {30, 352, 288, 396 * 30.0, 384},    {40, 352, 288, 396 * 30.0, 2048},
      {50, 352, 288, 396 * 60.0, 4096},   {60, 720, 288, 810 * 60.0, 8192},
      {70, 720, 576, 1620 * 60.0, 16384},
  };
  const double mbs = MacroblocksPerFrame(d);
  for (const Limit& l : kLimits) {
    if (d.width <= l.width && d.height <= l.height && mbs * d.fps <= l.rate + 0.5 &&
        d.kbps <= l.kbps)
      return l.level;
  }
  return 0;
}

std::string H264Level(const StreamDemand& d, bool high) {
  // Level, macroblocks per second, macroblocks per frame, kbit/s and CPB kbit (Baseline/Main;
  // High has 1.25 times both), decoded picture buffer in macroblocks.
  struct Limit {
    const char* level;
    double rate, frame, kbps, cpb, dpb;
  };
  static const Limit kLimits[] = {
      {"1.0", 1485, 99, 64, 175, 396},
      {"1.1", 3000, 396, 192, 500, 900},
      {"1.2", 6000, 396, 384, 1000, 2376},
      {"1.3", 11880, 396, 768, 2000, 2376},
      {"2.0", 11880, 396, 2000, 2000, 2376},
      {"2.1", 19800, 792, 4000, 4000, 4752},
      {"2.2", 20250, 1620, 4000, 4000, 8100},
      {"3.0", 40500, 1620, 10000, 10000, 8100},
      {"3.1", 108000, 3600, 14000, 14000, 18000},
      {"3.2", 216000, 5120, 20000, 20000, 20480},
      {"4.0", 245760, 8192, 20000, 25000, 32768},
      {"4.1", 245760, 8192, 50000, 62500, 32768},
      {"4.2", 522240, 8704, 50000, 62500, 34816},
      {"5.0", 589824, 22080, 135000, 135000, 110400},
      {"5.1", 983040, 36864, 240000, 240000, 184320},
  };
  const double factor = high ? 1.25 : 1.0;
  const double mbs = MacroblocksPerFrame(d);
  for (const Limit& l : kLimits) {
    if (mbs <= l.frame && mbs * d.fps <= l.rate + 0.5 && d.kbps <= l.kbps * factor &&
        d.buffer_kbits <= l.cpb * factor && mbs * d.references <= l.dpb)
      return l.level;
  }
  return {};
}

}  // namespace raziz2u

namespace raziz2u {

std::string StripH264Sei(const std::string& data) {
  // Start positions of the start codes (00 00 01, with a possible leading zero byte).
  std::vector<size_t> starts;
  for (size_t i = 0; i + 2 < data.size(); ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      starts.push_back(i > 0 && data[i - 1] == 0 ? i - 1 : i);
      i += 2;
    }
  }
  if (starts.empty()) return data;
  std::string out = data.substr(0, starts.front());
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t begin = starts[k];
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : data.size();
    size_t header = begin;
    while (header < end && data[header] == 0) ++header;
    ++header;  // past the 01 of the start code
    const bool sei = header < end && (static_cast<unsigned char>(data[header]) & 0x1f) == 6;
    if (!sei) out.append(data, begin, end - begin);
  }
  return out;
}

}  // namespace raziz2u
