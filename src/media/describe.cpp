#include "media/describe.h"

#include <cstdio>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "media/display.h"

namespace vidloom::media {

std::string FormatDuration(int64_t microseconds) {
  if (microseconds < 0) microseconds = 0;
  const int64_t hundredths = microseconds / 10000;
  const int64_t seconds = hundredths / 100;
  char text[64];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld",
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60), static_cast<long long>(hundredths % 100));
  return text;
}

std::string FormatRate(double frames_per_second) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", frames_per_second);
  return text;
}

std::string PrintablePath(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return out;
}

std::string ChannelLayoutName(const AVChannelLayout& layout) {
  char text[128] = {};
  if (av_channel_layout_describe(&layout, text, sizeof text) < 0) return "unknown";
  return text;
}

AVRational StreamRate(const AVStream* stream) {
  AVRational r = stream->avg_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = stream->r_frame_rate;
  if (r.num <= 0 || r.den <= 0) return {0, 1};
  return r;
}

namespace {

std::string DurationLine(const AVFormatContext& input) {
  if (input.duration == AV_NOPTS_VALUE || input.duration < 0) return "  Duration: N/A\n";
  const int64_t start = input.start_time != AV_NOPTS_VALUE ? input.start_time : 0;
  char text[160];
  std::snprintf(text, sizeof text, ", start: %s%lld.%06lld, bitrate: ", start < 0 ? "-" : "",
                static_cast<long long>(std::llabs(start) / AV_TIME_BASE),
                static_cast<long long>(std::llabs(start) % AV_TIME_BASE));
  std::string line = "  Duration: " + FormatDuration(input.duration) + text;
  line += input.bit_rate > 0 ? std::to_string(input.bit_rate / 1000) + " kb/s\n" : "N/A\n";
  return line;
}

std::string StreamLine(const AVStream* st, unsigned index) {
  const AVCodecParameters* par = st->codecpar;
  const std::string head = "    Stream #0." + std::to_string(index) + ": ";
  const std::string codec = avcodec_get_name(par->codec_id);
  switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
      if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) return head + "Picture: " + codec + "\n";
      // The size the source is shown at (turned upright, its pixel aspect applied) follows when
      // it differs from the stored one: the program's letterbox keeps that shape.
      std::string line = head + "Video: " + codec + ", " + std::to_string(par->width) + "x" +
                         std::to_string(par->height) + ", " + FormatRate(av_q2d(StreamRate(st))) +
                         " fps";
      const auto [dw, dh] = DisplaySize(st);
      if (dw != par->width || dh != par->height) {
        line += ", display " + std::to_string(dw) + "x" + std::to_string(dh);
      }
      return line + "\n";
    }
    case AVMEDIA_TYPE_AUDIO:
      return head + "Audio: " + codec + ", " + std::to_string(par->sample_rate) + " Hz, " +
             ChannelLayoutName(par->ch_layout) + "\n";
    case AVMEDIA_TYPE_SUBTITLE:
      return head + "Subtitle: " + codec + "\n";
    default:
      return head + "Data: " + codec + "\n";
  }
}

}  // namespace

std::string DescribeInput(const AVFormatContext& input, const std::string& path) {
  std::string text =
      "Input #0, " + std::string(input.iformat->name) + ", from '" + PrintablePath(path) + "':\n";
  text += DurationLine(input);
  for (unsigned i = 0; i < input.nb_streams; ++i) text += StreamLine(input.streams[i], i);
  return text;
}

}  // namespace vidloom::media
