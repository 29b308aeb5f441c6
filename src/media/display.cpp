#include "media/display.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/display.h>
}

namespace vidloom::media {

Upright UprightFrom(const int32_t matrix[9]) {
  Upright upright;
  // The turn the player applies, clockwise, in whole degrees from 0 to 359 (NaN for a matrix
  // that has no rotation, which then matches none of the cases).
  double theta = -std::round(av_display_rotation_get(matrix));
  theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
  if (std::fabs(theta - 90) < 1.0) {
    upright.transpose =
        matrix[3] > 0 ? Upright::Transpose::kCclockFlip : Upright::Transpose::kClock;
  } else if (std::fabs(theta - 270) < 1.0) {
    upright.transpose =
        matrix[3] < 0 ? Upright::Transpose::kClockFlip : Upright::Transpose::kCclock;
  } else if (std::fabs(theta - 180) < 1.0 || std::fabs(theta) < 1.0) {
    // Turned half-way, or mirrored without a turn.
    upright.hflip = matrix[0] < 0;
    upright.vflip = matrix[4] < 0;
  }
  return upright;
}

Upright UprightOf(const AVStream* stream) {
  size_t size = 0;
  const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (data == nullptr || size < 9 * sizeof(int32_t)) return {};
  int32_t matrix[9];
  std::memcpy(matrix, data, sizeof matrix);
  return UprightFrom(matrix);
}

AVRational PixelAspect(AVRational codec, AVRational container) {
  if (codec.num > 0 && codec.den > 0) return codec;
  if (container.num > 0 && container.den > 0) return container;
  return {1, 1};
}

std::pair<int, int> DisplaySize(const AVStream* stream) {
  const AVCodecParameters* par = stream->codecpar;
  AVRational sar = PixelAspect(par->sample_aspect_ratio, stream->sample_aspect_ratio);
  int width = par->width;
  int height = par->height;
  if (UprightOf(stream).SwapsSides()) {
    std::swap(width, height);
    sar = {sar.den, sar.num};
  }
  return {static_cast<int>(std::lround(static_cast<double>(width) * sar.num / sar.den)), height};
}

}  // namespace vidloom::media
