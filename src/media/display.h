// How a video stream is shown: the container's display matrix (which turns or mirrors the stored
// picture) and the pixel aspect, read once for the encoder and the media-information reader.
#pragma once

#include <cstdint>
#include <utility>

extern "C" {
#include <libavformat/avformat.h>
}

namespace vidloom::media {

// The filters that bring a stored picture upright, by the ffmpeg command line's autorotation
// rules: a quarter turn is one transpose (with or without a flip), a half turn and a mirror are
// horizontal and vertical flips. Other angles are left as they are.
struct Upright {
  enum class Transpose { kNone, kClock, kCclock, kClockFlip, kCclockFlip };
  Transpose transpose = Transpose::kNone;
  bool hflip = false;  // applied after the transpose (the two never come together)
  bool vflip = false;

  // A quarter turn: the shown picture's width is the stored height.
  bool SwapsSides() const { return transpose != Transpose::kNone; }
  bool operator==(const Upright&) const = default;
};

// From the nine values of a display matrix (libavutil's layout, 16.16 fixed point).
Upright UprightFrom(const int32_t matrix[9]);
// From a stream's display-matrix side data; nothing to do when it has none.
Upright UprightOf(const AVStream* stream);

// The pixel aspect of a stream: the codec's, else the container's, else square. Never 0 or
// negative.
AVRational PixelAspect(AVRational codec, AVRational container);

// The size a video stream's player shows it at: turned upright (a quarter turn swaps width and
// height) and its pixel aspect applied to the width.
std::pair<int, int> DisplaySize(const AVStream* stream);

}  // namespace vidloom::media
