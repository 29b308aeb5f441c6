#include "stream_rules.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "codec_rules.h"

namespace raziz2u {

namespace {

bool Known(AVRational r) {
  return r.num > 0 && r.den > 0;
}

// Puts a frame that H.263 cannot code into the smallest of its sizes that holds it, the extra
// width and height going to bars on both sides (the first side's share even).
void HoldInH263Size(VideoFrame& frame) {
  if (IsH263Size(frame.width, frame.height)) return;
  const auto fit = H263SizeHolding(frame.width, frame.height);
  if (!fit) {
    frame.error =
        "H.263 takes only the frame sizes 128x96, 176x144, 352x288, 704x576 and 1408x1152, "
        "none of which holds " +
        std::to_string(frame.width) + "x" + std::to_string(frame.height);
    return;
  }
  frame.adjustments.push_back(std::to_string(fit->first) + "x" + std::to_string(fit->second) +
                              " with bars: H.263 has no " + std::to_string(frame.width) + "x" +
                              std::to_string(frame.height));
  const int extra_w = fit->first - frame.width;
  const int extra_h = fit->second - frame.height;
  frame.pad_left += (extra_w / 2) & ~1;
  frame.pad_right += extra_w - ((extra_w / 2) & ~1);
  frame.pad_top += (extra_h / 2) & ~1;
  frame.pad_bottom += extra_h - ((extra_h / 2) & ~1);
  frame.width = fit->first;
  frame.height = fit->second;
}

AVRational FrameRate(const Request& request, const std::string& codec, AVRational source) {
  AVRational rate{25, 1};
  if (request.frame_rate_num) {
    rate = {*request.frame_rate_num, request.frame_rate_den};
  } else if (Known(source) && av_q2d(source) <= 240) {
    rate = source;
  }
  if (codec == "mpeg4" || codec == "libxvid" || codec == "h263") {
    // The MPEG-4 Visual and H.263 time base denominator has 16 bits.
    av_reduce(&rate.num, &rate.den, rate.num, rate.den, 65535);
  }
  return rate;
}

// What the stream will ask of a decoder, for the level its header states: the frame, the rate,
// the highest bit rate it may reach (the cap, or the target and its tolerance) and the buffer.
StreamDemand DemandOf(const Request& request, const VideoFrame& frame, const VideoCoding& coding) {
  StreamDemand demand;
  demand.width = frame.width;
  demand.height = frame.height;
  demand.fps = av_q2d(frame.frame_rate);
  if (coding.max_rate > 0) {
    demand.kbps = static_cast<double>(coding.max_rate) / 1000;
  } else if (coding.bit_rate > 0) {
    const double tolerance = request.tolerance_kbps ? *request.tolerance_kbps * 1000
                                                    : static_cast<double>(coding.bit_rate) / 2;
    demand.kbps = (static_cast<double>(coding.bit_rate) + tolerance) / 1000;
  }
  demand.buffer_kbits = static_cast<double>(coding.buffer_bits) / 1000;
  demand.references = 3;  // what both x264 settings use
  return demand;
}

// H.264: the lowest level the stream keeps. The PSP's own profile box (PROF) states Main level
// 2.1, which its sizes and bit rates fit: the PSP's stream says 2.1 at least, and a stream that
// needs more has the box set to its level (at most 3.0, what the PSP decodes).
void PlanH264(const Request& request, const std::string& muxer, const StreamDemand& demand,
              VideoCoding& coding) {
  std::string level = H264Level(demand, muxer != "psp");
  if (muxer == "psp") {
    // What the PSP decodes: Main profile, three reference frames, no B-pyramid and no weighted
    // prediction.
    if (level.empty() || level > "3.0") level = "3.0";
    if (level < "2.1") level = "2.1";
    if (level != "2.1") coding.psp_level = std::lround(std::stod(level) * 10);
    coding.options.emplace_back("profile", "main");
    coding.options.emplace_back("x264-params", "ref=3:b-pyramid=none:weightp=0:weightb=0");
  } else {
    if (level.empty()) level = "4.1";
    coding.options.emplace_back("profile", "high");
  }
  coding.options.emplace_back("level", level);
  if (request.coder) coding.options.emplace_back("coder", *request.coder == 0 ? "cavlc" : "cabac");
  coding.strip_sei = request.bitexact;
}

// MPEG-4 Visual (Simple profile: no B-frames) and H.263.
void PlanSimple(const Request& request, const std::string& codec, const std::string& muxer,
                StreamDemand demand, VideoCoding& coding) {
  coding.no_b_frames = true;
  coding.mpeg4_simple_profile = codec == "mpeg4";
  if (request.tolerance_kbps) coding.tolerance = static_cast<int>(*request.tolerance_kbps * 1000);
  if (!request.video_kbps && request.qscale) {
    coding.qscale = *request.qscale;
  } else if (!request.video_kbps) {
    coding.bit_rate = 768000;
  }
  if (coding.max_rate > 0 && coding.buffer_bits == 0) {
    coding.buffer_bits = static_cast<int>(std::min<int64_t>(coding.max_rate, INT32_MAX / 2));
    demand.buffer_kbits = static_cast<double>(coding.buffer_bits) / 1000;
  }
  // The level in the stream's header (MPEG-4) or in the container's "d263" box (H.263, set once
  // the file is written). A quality-driven stream without a bit rate keeps the encoder's.
  if (demand.kbps > 0 && codec == "h263") {
    if (const int level = H263Level(demand)) coding.h263_level = level;
  } else if (demand.kbps > 0) {
    if (const int level = Mpeg4SimpleLevel(demand)) {
      coding.mpeg4_level = level;
      if (muxer == "psp") coding.psp_level = level;
    }
  }
}

}  // namespace

VideoFrame PlanVideoFrame(const Request& request, const std::string& codec,
                          const std::string& muxer, bool thumbnail, const VideoSource& source) {
  // The picture as the source's player shows it: turned upright before anything else, its
  // pixel aspect turned with it.
  const bool swaps = source.upright.SwapsSides();
  const int upright_w = swaps ? source.height : source.width;
  const int upright_h = swaps ? source.width : source.height;
  AVRational sar = source.pixel_aspect;
  if (swaps) sar = {sar.den, sar.num};

  VideoFrame frame;
  frame.picture_width = request.width.value_or(upright_w & ~1);
  frame.picture_height = request.height.value_or(upright_h & ~1);
  frame.pad_left = request.pad_left;
  frame.pad_right = request.pad_right;
  frame.pad_top = request.pad_top;
  frame.pad_bottom = request.pad_bottom;
  frame.width = frame.picture_width + frame.pad_left + frame.pad_right;
  frame.height = frame.picture_height + frame.pad_top + frame.pad_bottom;
  if (!thumbnail && (frame.width % 2 != 0 || frame.height % 2 != 0)) {
    frame.error = "the frame size " + std::to_string(frame.width) + "x" +
                  std::to_string(frame.height) + " must be a multiple of 2";
    return frame;
  }
  if (codec == "h263") {
    HoldInH263Size(frame);
    if (!frame.error.empty()) return frame;
  }
  // An output at the source's own size without bars keeps its pixel aspect where the container
  // carries one (MP4); every other output is made of square pixels, the picture already at its
  // display shape.
  const bool keeps_aspect = !thumbnail && (muxer == "mp4" || muxer == "mov") &&
                            frame.picture_width == frame.width &&
                            frame.picture_height == frame.height && frame.width == upright_w &&
                            frame.height == upright_h && sar.num != sar.den;
  frame.pixel_aspect = keeps_aspect ? sar : AVRational{1, 1};
  frame.frame_rate = FrameRate(request, codec, source.frame_rate);
  return frame;
}

VideoCoding PlanVideoCoding(const Request& request, const std::string& codec,
                            const std::string& muxer, bool thumbnail, const VideoFrame& frame,
                            int64_t default_bit_rate) {
  VideoCoding coding;
  coding.bit_rate =
      request.video_kbps ? std::llround(*request.video_kbps * 1000) : default_bit_rate;
  if (request.max_kbps) coding.max_rate = std::llround(*request.max_kbps * 1000);
  if (request.buffer_kbytes) coding.buffer_bits = static_cast<int>(*request.buffer_kbytes * 8192);
  coding.gop = request.gop;
  const StreamDemand demand = DemandOf(request, frame, coding);
  if (thumbnail) {
    coding.qscale = 3;
    coding.jpeg_range = true;
  } else if (codec == "libx264") {
    PlanH264(request, muxer, demand, coding);
  } else {
    PlanSimple(request, codec, muxer, demand, coding);
  }
  return coding;
}

namespace {

// How the user knows the codec.
std::string CodecName(const std::string& codec) {
  if (codec == "libmp3lame") return "MP3";
  if (codec == "libopencore_amrnb") return "AMR-NB";
  if (codec == "aac") return "AAC";
  return codec;
}

// "12.2 kbit/s", "48 kbit/s".
std::string Kbps(double kbps) {
  char text[32];
  std::snprintf(text, sizeof text, "%g kbit/s", kbps);
  return text;
}

std::string ChannelsName(int channels) {
  return channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + " channels";
}

// The bit rates LAME encodes at, by the MPEG version of the sampling rate: MPEG-1 from 32000 Hz,
// MPEG-2 from 16000 Hz, MPEG-2.5 below.
constexpr int kMpeg1Kbps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kMpeg2Kbps[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kMpeg25Kbps[] = {8, 16, 24, 32, 40, 48, 56, 64};

// Whether the codec's highest bit rate depends on the sampling rate, so that a note names it.
bool RateBoundBitRate(const std::string& codec) {
  return codec == "libmp3lame" || codec == "aac";
}

}  // namespace

int64_t Mp3BitRate(int64_t bit_rate, int sample_rate) {
  const auto pick = [&](const auto& table) {
    // The nearest, the lower of two as near (as LAME chooses).
    int64_t best = table[0];
    for (const int kbps : table) {
      if (std::llabs(kbps * 1000LL - bit_rate) < std::llabs(best * 1000 - bit_rate)) best = kbps;
    }
    return best * 1000;
  };
  if (sample_rate >= 32000) return pick(kMpeg1Kbps);
  if (sample_rate >= 16000) return pick(kMpeg2Kbps);
  return pick(kMpeg25Kbps);
}

int64_t AacBitRate(int64_t bit_rate, int sample_rate, int channels) {
  // At most 6144 bits per channel in each frame of 1024 samples.
  const auto most = static_cast<int64_t>(6144.0 * channels / 1024.0 * sample_rate);
  return std::min(bit_rate, most);
}

std::vector<std::string> AudioAdjustments(const Request& request, const std::string& codec,
                                          const AudioCoding& coding) {
  std::vector<std::string> adjustments;
  const std::string name = CodecName(codec);
  if (request.sample_rate && *request.sample_rate != coding.sample_rate) {
    adjustments.push_back(std::to_string(coding.sample_rate) + " Hz: " + name + " has no " +
                          std::to_string(*request.sample_rate) + " Hz");
  }
  if (request.audio_kbps && std::llround(*request.audio_kbps * 1000) != coding.bit_rate) {
    std::string note = Kbps(static_cast<double>(coding.bit_rate) / 1000) + ": " + name +
                       " has no " + Kbps(*request.audio_kbps);
    if (RateBoundBitRate(codec)) note += " at " + std::to_string(coding.sample_rate) + " Hz";
    adjustments.push_back(std::move(note));
  }
  if (request.channels && *request.channels != coding.channels) {
    adjustments.push_back(ChannelsName(coding.channels) + ": " + name + " has no " +
                          ChannelsName(*request.channels));
  }
  return adjustments;
}

AudioCoding PlanAudioCoding(const Request& request, const std::string& codec, int source_rate,
                            int source_channels, const std::vector<int>& supported_rates) {
  AudioCoding coding;
  coding.sample_rate = request.sample_rate.value_or(source_rate);
  coding.channels = request.channels.value_or(std::min(source_channels, 2));
  if (codec == "libopencore_amrnb") {
    coding.sample_rate = 8000;
    coding.channels = 1;
    coding.bit_rate = AmrBitRate(request.audio_kbps.value_or(0), request.audio_kbps.has_value());
  } else {
    coding.sample_rate = NearestRate(coding.sample_rate, supported_rates);
    if (codec == "libmp3lame") coding.channels = std::min(coding.channels, 2);
    coding.bit_rate = request.audio_kbps ? std::llround(*request.audio_kbps * 1000) : 128000;
    if (codec == "libmp3lame") coding.bit_rate = Mp3BitRate(coding.bit_rate, coding.sample_rate);
    if (codec == "aac") {
      coding.bit_rate = AacBitRate(coding.bit_rate, coding.sample_rate, coding.channels);
    }
  }
  coding.aac_low = codec == "aac";
  coding.adjustments = AudioAdjustments(request, codec, coding);
  return coding;
}

AudioCoding PlanSilenceCoding(const Request& request, const std::string& codec,
                              const std::vector<int>& supported_rates) {
  AudioCoding coding;
  coding.sample_rate = NearestRate(request.sample_rate.value_or(48000), supported_rates);
  coding.channels = request.channels.value_or(2);
  coding.bit_rate = request.audio_kbps ? std::llround(*request.audio_kbps * 1000) : 64000;
  coding.aac_low = codec == "aac";
  return coding;
}

}  // namespace raziz2u
