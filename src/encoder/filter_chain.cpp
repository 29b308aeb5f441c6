#include "filter_chain.h"

#include <cstdio>

namespace raziz2u {

std::string RationalText(AVRational r) {
  return std::to_string(r.num) + "/" + std::to_string(r.den);
}

std::string UprightFilters(const vidloom::media::Upright& upright) {
  using Transpose = vidloom::media::Upright::Transpose;
  std::string filters;
  switch (upright.transpose) {
    case Transpose::kNone:
      break;
    case Transpose::kClock:
      filters = "transpose=clock,";
      break;
    case Transpose::kCclock:
      filters = "transpose=cclock,";
      break;
    case Transpose::kClockFlip:
      filters = "transpose=clock_flip,";
      break;
    case Transpose::kCclockFlip:
      filters = "transpose=cclock_flip,";
      break;
  }
  if (upright.hflip) filters += "hflip,";
  if (upright.vflip) filters += "vflip,";
  return filters;
}

std::string VideoSourceArgs(int width, int height, const std::string& pixel_format,
                            AVRational time_base, AVRational pixel_aspect) {
  return "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
         ":pix_fmt=" + pixel_format + ":time_base=" + RationalText(time_base) +
         ":pixel_aspect=" + RationalText(pixel_aspect);
}

std::string VideoChain(const VideoFrame& frame, const vidloom::media::Upright& upright,
                       bool thumbnail, const std::string& pixel_format) {
  std::string chain = UprightFilters(upright);
  // Each output frame is the source frame shown at its time: the latest one that has begun
  // (round=up places a source frame at the first output time at or after its own; the default
  // would take a frame up to half an output frame early).
  if (!thumbnail) chain += "fps=" + RationalText(frame.frame_rate) + ":round=up,";
  chain += "scale=" + std::to_string(frame.picture_width) + ":" +
           std::to_string(frame.picture_height) +
           ":flags=bicubic,setsar=" + RationalText(frame.pixel_aspect);
  if (frame.width != frame.picture_width || frame.height != frame.picture_height) {
    chain += ",pad=" + std::to_string(frame.width) + ":" + std::to_string(frame.height) + ":" +
             std::to_string(frame.pad_left) + ":" + std::to_string(frame.pad_top) + ":black";
  }
  return chain + ",format=" + pixel_format;
}

std::string AudioSourceArgs(AVRational time_base, int sample_rate, const std::string& sample_format,
                            const std::string& layout) {
  return "time_base=" + RationalText(time_base) + ":sample_rate=" + std::to_string(sample_rate) +
         ":sample_fmt=" + sample_format + ":channel_layout=" + layout;
}

std::string AudioChain(std::optional<double> volume_factor, int sample_rate,
                       const std::string& sample_format, const std::string& layout) {
  std::string chain;
  if (volume_factor) {
    char gain[64];
    std::snprintf(gain, sizeof gain, "volume=%.4f,", *volume_factor / 50.0);
    chain += gain;
  }
  return chain + "aresample=" + std::to_string(sample_rate) +
         ",aformat=sample_fmts=" + sample_format + ":sample_rates=" + std::to_string(sample_rate) +
         ":channel_layouts=" + layout;
}

std::string SilenceSourceArgs(int sample_rate, const std::string& layout, int frame_samples) {
  return "r=" + std::to_string(sample_rate) + ":cl=" + layout +
         ":nb_samples=" + std::to_string(frame_samples);
}

std::string SilenceChain(const std::string& sample_format) {
  return "aformat=sample_fmts=" + sample_format;
}

}  // namespace raziz2u
