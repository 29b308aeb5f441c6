// Pure decisions about containers, codecs and values; no FFmpeg state.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace raziz2u {

// The libavformat muxer for the request: -f psp/3gp/singlejpeg first, then the output name's
// extension (.mp4, .3gp, .3g2, .mp3, .aac -> adts, .thm/.jpg -> mjpeg). Empty when unknown.
// -f 3gp with a .3g2 name gives "3g2": the name promises a 3GPP2 file and both share one muxer.
std::string MuxerFor(const Request& request);

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

// The five frame sizes H.263 allows.
bool IsH263Size(int width, int height);

}  // namespace raziz2u

namespace raziz2u {

// Removes the SEI NAL units (type 6) from an Annex B H.264 packet; the encoder's version string
// travels in one of them. Other units are kept byte for byte.
std::string StripH264Sei(const std::string& annexb);

}  // namespace raziz2u
