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

#include "media/describe.h"
#include "media/display.h"
#include "media/local_input.h"

namespace vidloom::analysis {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

struct Interruption {
  SteadyTime deadline;
  const std::atomic<bool>* cancel;
};

// libavformat's interrupt callback: nonzero once the deadline has passed or the analysis is
// cancelled, which makes any blocking read or probe return with an error.
int Interrupted(void* opaque) {
  const auto* interruption = static_cast<const Interruption*>(opaque);
  if (interruption->cancel != nullptr && interruption->cancel->load()) return 1;
  return std::chrono::steady_clock::now() >= interruption->deadline ? 1 : 0;
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

struct FormatContextCloser {
  void operator()(AVFormatContext* context) const { media::CloseLocalInput(&context); }
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

  const Interruption interruption{
      std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.timeout_ms),
      limits.cancel};

  AVDictionary* options = nullptr;
  av_dict_set_int(&options, "probesize", limits.probe_size, 0);
  av_dict_set_int(&options, "analyzeduration", limits.analyze_duration_us, 0);
  // Only a regular file in one of the media containers is read (never a pipe, a device, a
  // playlist or a text rendering), and it is taken as a file name, whatever it looks like.
  media::LocalInputOptions open;
  open.demuxer_options = &options;
  open.interrupt = {&Interrupted, const_cast<Interruption*>(&interruption)};
  media::LocalInput input = media::OpenLocalInput(path, open);
  av_dict_free(&options);
  if (input.error != media::LocalInputError::kNone) return values;
  std::unique_ptr<AVFormatContext, FormatContextCloser> context(input.context);

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
    const auto [display_width, display_height] = media::DisplaySize(video);
    values.display_width = std::max(0, display_width);
    values.display_height = std::max(0, display_height);
    values.frame_rate = Rate(video->avg_frame_rate);
    if (values.frame_rate == 0) values.frame_rate = Rate(video->r_frame_rate);
    duration = Seconds(video->duration, video->time_base);
  }
  if (duration < 0) duration = Seconds(context->duration, AVRational{1, AV_TIME_BASE});
  if (duration >= 0) values.duration = FormatReaderDuration(duration);
  // Opened as the encoder opens a file it probes (the same container detection, probe size and
  // analysis time), the description is the encoder's own, except where libavformat analyses
  // longer by default than the time set here.
  const std::string container = context->iformat->name;
  if (!video && container != "flv" && container != "mpeg" && container != "mpegts") {
    values.encoder_description = media::DescribeInput(*context, path);
  }
  return values;
}

}  // namespace vidloom::analysis
