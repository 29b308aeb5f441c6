// Pure decisions about containers, codecs and values; no FFmpeg state.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "options.h"

namespace raziz2u {

// The libavformat muxer for the request: -f psp/3gp/singlejpeg first, then the output name's
// extension (.mp4, .3gp, .3g2, .mp3, .aac -> adts, .thm/.jpg -> mjpeg). Empty when unknown.
// -f 3gp with a .3g2 name gives "3g2": the name promises a 3GPP2 file and both share one muxer.
std::string MuxerFor(const Request& request);

// The muxers of the QuickTime/MP4 family (an index box, "moov").
bool IsQuickTimeFamily(const std::string& muxer);
// True for containers that carry audio only (no video stream is written).
bool IsAudioOnlyMuxer(const std::string& muxer);

// Video codec for the request's -vcodec on this muxer: "libxvid", "mpeg4", "h263", "libx264",
// "mjpeg"; empty -vcodec chooses by container. Empty result = unsupported name.
std::string VideoEncoderFor(const std::string& vcodec, const std::string& muxer);
// Audio codec: "aac", "libmp3lame", "libopencore_amrnb". Empty result = unsupported name.
std::string AudioEncoderFor(const std::string& acodec, const std::string& muxer);

// The AMR-NB mode rate in bit/s: the nearest mode at or below the asked rate, at most 12.2 kbit/s
// and at least 4.75; 12.2 when nothing was asked.
int AmrBitRate(double asked_kbps, bool asked);

// The entry of `supported` nearest to `wanted` (the lower one on a tie); `wanted` when the list
// is empty.
int NearestRate(int wanted, const std::vector<int>& supported);

// The title of an output whose input and command give none: the input file's name without its
// folders and its extension, whatever separators the path uses ("/" and "\", and the ":" of a
// drive letter), so that no folder name travels with the file.
std::string TitleFromPath(const std::string& path);

// The five frame sizes H.263 allows.
bool IsH263Size(int width, int height);
// The smallest of them that holds a width x height frame; nullopt when none does.
std::optional<std::pair<int, int>> H263SizeHolding(int width, int height);

// What a video stream asks of a decoder, from the encode's own parameters.
struct StreamDemand {
  int width = 0;
  int height = 0;
  double fps = 0;           // frames per second
  double kbps = 0;          // the highest bit rate the stream may reach, kbit/s
  double buffer_kbits = 0;  // the decoder buffer the stream needs (0: not set)
  int references = 1;       // reference frames (H.264)
};

// The lowest level whose limits a stream keeps (frame size and macroblock rate, bit rate,
// buffer, for H.264 also the reference frames), from the level tables of each standard.
// MPEG-4 Part 2 Simple profile (ISO/IEC 14496-2 Annex N): 1, 2, 3, 4 (4a), 5, 6; 0 when none.
int Mpeg4SimpleLevel(const StreamDemand& demand);
// H.263 (ITU-T H.263 Annex X), profile 0: 10, 20, 30, 40, 50, 60, 70; 0 when none.
int H263Level(const StreamDemand& demand);
// H.264 (ITU-T H.264 Table A-1), as x264 names them ("2.1"); `high` for the High profile's
// larger bit rates. Empty when none.
std::string H264Level(const StreamDemand& demand, bool high);

}  // namespace raziz2u

namespace raziz2u {

// Removes the SEI NAL units (type 6) from an Annex B H.264 packet; the encoder's version string
// travels in one of them. Other units are kept byte for byte.
std::string StripH264Sei(const std::string& annexb);

}  // namespace raziz2u
