// What each output stream is, decided from plain values (the request, the codec and muxer names,
// the source's size, aspect and rates): the frame, its bars and pixel aspect, the frame rate, the
// rate control and level of the video encoder, the audio's rate and channels. No FFmpeg state:
// the transcoder reads the source, asks these rules, and writes their answers into the contexts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

#include "media/display.h"
#include "options.h"

namespace raziz2u {

// The source video as its decoder gives it.
struct VideoSource {
  int width = 0;  // the stored frame, in pixels
  int height = 0;
  AVRational pixel_aspect{1, 1};  // of the stored frame; see vidloom::media::PixelAspect
  AVRational frame_rate{0, 1};    // the stream's average rate, else its base rate; 0/1 unknown
  vidloom::media::Upright upright = {};  // how the stored picture is turned for display
};

// The output frame: the picture scaled to its size, then bars around it.
struct VideoFrame {
  int picture_width = 0;  // the picture inside the bars, in pixels
  int picture_height = 0;
  int pad_left = 0, pad_right = 0, pad_top = 0, pad_bottom = 0;
  int width = 0;  // picture plus bars: what the encoder codes
  int height = 0;
  AVRational pixel_aspect{1, 1};  // of the output
  AVRational frame_rate{25, 1};
  std::string error = {};  // when not empty, why there is no such frame (a sentence, no marker)
  // What was asked and is coded otherwise, one sentence each ("352x288 with bars: H.263 has no
  // 320x240"); printed as "Adjusted: <sentence>".
  std::vector<std::string> adjustments = {};
};

// The frame for `codec` (an encoder name: "h263", "libx264", ...) in `muxer`. The picture is -s,
// else the upright source size rounded down to even; -pad* add bars outside it. H.263 frames are
// put into the smallest standard size that holds them, with more bars. Only an MP4 or MOV output
// at the source's own size without bars keeps a non-square pixel aspect; every other output has
// square pixels. The rate is -r, else the source's when it is known and at most 240, else 25;
// MPEG-4 Visual and H.263 rates are reduced to a 16-bit denominator.
VideoFrame PlanVideoFrame(const Request& request, const std::string& codec,
                          const std::string& muxer, bool thumbnail, const VideoSource& source);

// The video encoder's rate control and level, for the context fields and private options.
struct VideoCoding {
  int64_t bit_rate = 0;               // bit/s
  int64_t max_rate = 0;               // bit/s; 0: no cap
  int buffer_bits = 0;                // decoder buffer; 0: the encoder's choice
  std::optional<int> gop;             // frames between key frames
  std::optional<int> tolerance;       // bit/s
  std::optional<double> qscale;       // a constant quantiser instead of a bit rate
  bool jpeg_range = false;            // full-range luma (the thumbnail's JPEG)
  bool no_b_frames = false;           // MPEG-4 Visual Simple profile and H.263
  bool mpeg4_simple_profile = false;  // the "mpeg4" encoder's profile
  int mpeg4_level = 0;                // the Simple-profile level its headers state; 0: none
  std::optional<int> h263_level;      // for the container's "d263" box
  std::optional<int> psp_level;       // for the PSP's profile box, when not its 2.1
  bool strip_sei = false;             // drop x264's version string from the first packet
  std::vector<std::pair<std::string, std::string>> options = {};  // private options, in order
};

// The level is the lowest whose limits the stream keeps (its frame, rate, highest bit rate and
// buffer). H.264: High profile (4.1 when no level fits); for the PSP Main profile at 2.1 to 3.0
// with three reference frames, no B-pyramid and no weighted prediction. MPEG-4 Visual and
// H.263: no B-frames, 768 kbit/s when neither -b nor -qscale is given, a buffer as large as the
// cap. The thumbnail: quantiser 3, full range. `default_bit_rate` is the encoder context's own,
// what the bit rate is without -b.
VideoCoding PlanVideoCoding(const Request& request, const std::string& codec,
                            const std::string& muxer, bool thumbnail, const VideoFrame& frame,
                            int64_t default_bit_rate);

// The audio encoder's parameters.
struct AudioCoding {
  int sample_rate = 0;  // Hz
  int channels = 0;
  int64_t bit_rate = 0;  // bit/s
  bool aac_low = false;  // the AAC-LC profile
  // What was asked (-ar, -ab, -ac) and cannot be: what is used instead and why, one sentence
  // each ("48000 Hz: MP3 has no 96000 Hz"); printed as "Adjusted: <sentence>".
  std::vector<std::string> adjustments = {};
};

// For a source of `source_rate` Hz and `source_channels`: -ar/-ac, else the source's (at most
// two channels), the rate moved to the nearest of `supported_rates` (empty: any). AMR-NB is 8000
// Hz mono at one of its mode rates. A value asked that the codec cannot take is named in the
// adjustments.
AudioCoding PlanAudioCoding(const Request& request, const std::string& codec, int source_rate,
                            int source_channels, const std::vector<int>& supported_rates);
// The bit rate LAME encodes MP3 at when asked for `bit_rate` at `sample_rate`: the nearest its
// MPEG version has (at most 320 kbit/s from 32000 Hz, 160 from 16000 Hz, 64 below).
int64_t Mp3BitRate(int64_t bit_rate, int sample_rate);
// The bit rate AAC encodes at: at most 6144 bits per channel and frame of 1024 samples (96
// kbit/s for stereo at 8000 Hz).
int64_t AacBitRate(int64_t bit_rate, int sample_rate, int channels);
// What `request` asked that `coding` does not do, one sentence each ("48000 Hz: MP3 has no
// 96000 Hz", "64 kbit/s: MP3 has no 320 kbit/s at 8000 Hz").
std::vector<std::string> AudioAdjustments(const Request& request, const std::string& codec,
                                          const AudioCoding& coding);

// The generated silence of a PSP output whose input has no audio: 48000 Hz stereo unless asked.
AudioCoding PlanSilenceCoding(const Request& request, const std::string& codec,
                              const std::vector<int>& supported_rates);

}  // namespace raziz2u
