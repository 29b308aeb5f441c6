#include "analysis/video_info.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

namespace vidloom::analysis {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

// libavformat's interrupt callback: nonzero once the deadline has passed, which makes any
// blocking read or probe return with an error.
int PastDeadline(void* opaque) {
  const auto* deadline = static_cast<const SteadyTime*>(opaque);
  return std::chrono::steady_clock::now() >= *deadline ? 1 : 0;
}

void SilenceFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

double Seconds(int64_t value, AVRational time_base) {
  if (value == AV_NOPTS_VALUE || value <= 0 || time_base.num <= 0 || time_base.den <= 0) return -1;
  return static_cast<double>(value) * time_base.num / time_base.den;
}

double Rate(AVRational rate) {
  if (rate.num <= 0 || rate.den <= 0) return 0;
  return static_cast<double>(rate.num) / rate.den;
}

// The text demuxer ("tty") turns any text file into a picture of its characters; that is not a
// video for the file list.
bool IsTextRendering(const AVInputFormat* format) {
  return format && format->name && std::strcmp(format->name, "tty") == 0;
}

struct FormatContextCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

}  // namespace

std::string FormatReaderDuration(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return "0";
  // Beyond this the count is no longer a duration a media file can have.
  if (seconds >= 1e9) return "0";
  const long long whole = static_cast<long long>(seconds);
  const long long hours = whole / 3600;
  const long long minutes = (whole / 60) % 60;
  const long long secs = whole % 60;
  char text[64];
  if (hours == 0) {
    std::snprintf(text, sizeof text, "%02lld:%02lld", minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", hours, minutes, secs);
  }
  return text;
}

VideoInfoValues ReadVideoInfo(const std::string& path, const VideoInfoLimits& limits) {
  VideoInfoValues values;
  if (path.empty()) return values;
  SilenceFfmpegLog();

  const SteadyTime deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.timeout_ms);

  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) return values;
  raw->interrupt_callback.callback = &PastDeadline;
  raw->interrupt_callback.opaque = const_cast<SteadyTime*>(&deadline);

  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set_int(&options, "probesize", limits.probe_size, 0);
  av_dict_set_int(&options, "analyzeduration", limits.analyze_duration_us, 0);
  av_dict_set_int(&options, "formatprobesize", limits.probe_size, 0);
  // The "file:" prefix makes every path a local file name, whatever it looks like.
  const std::string url = "file:" + path;
  const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return values;  // avformat_open_input has freed the context
  std::unique_ptr<AVFormatContext, FormatContextCloser> context(raw);

  if (IsTextRendering(context->iformat)) return values;
  if (avformat_find_stream_info(context.get(), nullptr) < 0) return values;

  const AVStream* video = nullptr;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVStream* stream = context->streams[i];
    if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) continue;  // cover art
    video = stream;
    break;
  }

  double duration = -1;
  if (video) {
    values.width = std::max(0, video->codecpar->width);
    values.height = std::max(0, video->codecpar->height);
    values.frame_rate = Rate(video->avg_frame_rate);
    if (values.frame_rate == 0) values.frame_rate = Rate(video->r_frame_rate);
    duration = Seconds(video->duration, video->time_base);
  }
  if (duration < 0) duration = Seconds(context->duration, AVRational{1, AV_TIME_BASE});
  if (duration >= 0) values.duration = FormatReaderDuration(duration);
  return values;
}

}  // namespace vidloom::analysis
