// The pictures of the program's buttons, menu entries and windows, by what they show, and each
// picture described once as shapes on a 32 x 32 grid, for every toolkit's painter to draw at any
// size (scaled by size / 32, with smooth edges).
#pragma once

#include <string>
#include <vector>

namespace vidloom {

enum class Picture { kNone, kAdd, kStop, kConvert, kRemove, kClear, kFolder, kApp };

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
};

struct PicturePoint {
  double x = 0;
  double y = 0;
};

// How a shape is filled: nothing, one colour, colours along the line from `from` to `to`, or
// colours around `from` out to `radius`. `stops` go from 0 to 1, in order.
struct PictureFill {
  enum class Kind { kNone, kSolid, kLinear, kRadial };
  struct Stop {
    double at;
    Rgb colour;
  };
  Kind kind = Kind::kNone;
  Rgb colour = {};
  PicturePoint from = {};
  PicturePoint to = {};
  double radius = 0;
  std::vector<Stop> stops = {};
};

struct PictureShape {
  enum class Kind {
    kRect,     // points: top left, bottom right; `corner` rounds it
    kEllipse,  // points: centre, radii (x, y)
    kPolygon,  // points: the corners, closed
    kLine,     // points: the two ends
    kText,     // `text` centred in the rect of points top left, bottom right, bold
  };
  Kind kind = Kind::kRect;
  std::vector<PicturePoint> points = {};
  double corner = 0;
  PictureFill fill = {};
  Rgb pen = {};
  double pen_width = 0;  // 0: no outline
  std::string text = {};
  double text_pixels = 0;
};

// The shapes of `picture`, to be drawn in order; none for Picture::kNone.
std::vector<PictureShape> PictureShapes(Picture picture);

}  // namespace vidloom
