#include "model/pictures.h"

namespace vidloom {

namespace {

using Shape = PictureShape;
using Fill = PictureFill;
constexpr Rgb kWhite{255, 255, 255};

Fill Solid(Rgb colour) {
  return {.kind = Fill::Kind::kSolid, .colour = colour};
}

Fill Linear(PicturePoint from, PicturePoint to, std::vector<Fill::Stop> stops) {
  return {.kind = Fill::Kind::kLinear, .from = from, .to = to, .stops = std::move(stops)};
}

Shape Rect(double left, double top, double right, double bottom, Fill fill, Rgb pen = {},
           double pen_width = 0, double corner = 0) {
  return {.kind = Shape::Kind::kRect,
          .points = {{left, top}, {right, bottom}},
          .corner = corner,
          .fill = std::move(fill),
          .pen = pen,
          .pen_width = pen_width};
}

Shape Polygon(std::vector<PicturePoint> corners, Fill fill, Rgb pen = {}, double pen_width = 0) {
  return {.kind = Shape::Kind::kPolygon,
          .points = std::move(corners),
          .fill = std::move(fill),
          .pen = pen,
          .pen_width = pen_width};
}

// A sheet of film: the base of the add, convert, remove and program pictures.
void Film(std::vector<Shape>& out, double left, double top, double width, double height) {
  const double right = left + width;
  const double bottom = top + height;
  out.push_back(Rect(left, top, right, bottom, Solid({60, 66, 78}), {40, 44, 52}, 1.2, 2));
  const double hole = width / 8;
  for (double y = top + 2; y + hole <= bottom - 1; y += hole * 1.8) {
    out.push_back(Rect(left + 1.5, y, left + 1.5 + hole, y + hole * 0.9, Solid({235, 238, 242})));
    out.push_back(Rect(right - 1.5 - hole, y, right - 1.5, y + hole * 0.9, Solid({235, 238, 242})));
  }
  out.push_back(
      Rect(left + hole + 3, top + 3, right - hole - 3, bottom - 3,
           Linear({left, top}, {left, bottom}, {{0, {120, 180, 240}}, {1, {40, 100, 190}}})));
}

// A round badge in `colour`, lit from its top left, edged in `edge`.
void Badge(std::vector<Shape>& out, PicturePoint centre, double radius, Rgb colour, Rgb light,
           Rgb edge) {
  out.push_back({.kind = Shape::Kind::kEllipse,
                 .points = {centre, {radius, radius}},
                 .fill = {.kind = Fill::Kind::kRadial,
                          .from = {centre.x - radius / 3, centre.y - radius / 3},
                          .radius = radius * 1.4,
                          .stops = {{0, light}, {1, colour}}},
                 .pen = edge,
                 .pen_width = 1.2});
}

}  // namespace

std::vector<PictureShape> PictureShapes(Picture picture) {
  std::vector<Shape> out;
  switch (picture) {
    case Picture::kNone:
      break;
    case Picture::kAdd:
      Film(out, 2, 3, 20, 26);
      Badge(out, {22, 21}, 8.5, {40, 160, 60}, {56, 224, 84}, {29, 114, 43});
      out.push_back(Rect(17, 19.5, 27, 22.5, Solid(kWhite)));
      out.push_back(Rect(20.5, 16, 23.5, 26, Solid(kWhite)));
      break;
    case Picture::kStop: {
      // An octagon around the centre, its straight sides 8 long.
      const double a = 9, b = 4, c = 16;
      out.push_back(Polygon({{c - b, c - a - b + 1},
                             {c + b, c - a - b + 1},
                             {c + a + b - 1, c - b},
                             {c + a + b - 1, c + b},
                             {c + b, c + a + b - 1},
                             {c - b, c + a + b - 1},
                             {c - a - b + 1, c + b},
                             {c - a - b + 1, c - b}},
                            Linear({0, 3}, {0, 29}, {{0, {240, 80, 70}}, {1, {180, 20, 20}}}),
                            {130, 20, 20}, 1.2));
      out.push_back(Rect(10, 14, 22, 18, Solid(kWhite)));
      break;
    }
    case Picture::kConvert:
      Film(out, 2, 3, 18, 24);
      Badge(out, {22, 20}, 9, {230, 140, 20}, {255, 184, 89}, {164, 100, 14});
      // A play-like arrow: the conversion goes forward.
      out.push_back(Polygon({{18.5, 15}, {27, 20}, {18.5, 25}}, Solid(kWhite)));
      break;
    case Picture::kRemove:
      Film(out, 2, 3, 20, 26);
      Badge(out, {22, 21}, 8.5, {200, 40, 40}, {255, 76, 76}, {143, 29, 29});
      out.push_back(Rect(17, 19.5, 27, 22.5, Solid(kWhite)));
      break;
    case Picture::kClear: {
      // A waste bin: body, lid, handle, ribs.
      const Rgb edge{50, 60, 70};
      const Fill metal = Linear(
          {6, 0}, {26, 0}, {{0, {150, 160, 170}}, {0.5, {220, 225, 230}}, {1, {140, 150, 160}}});
      out.push_back(Polygon({{7, 9}, {25, 9}, {23, 29}, {9, 29}}, metal, edge, 1.2));
      out.push_back(Rect(5, 5, 27, 9, metal, edge, 1.2, 1));
      out.push_back(Rect(13, 2.5, 19, 5, metal, edge, 1.2));
      for (double x : {12.0, 16.0, 20.0}) {
        out.push_back({.kind = Shape::Kind::kLine,
                       .points = {{x, 12}, {x, 26}},
                       .pen = {90, 100, 110},
                       .pen_width = 1.5});
      }
      break;
    }
    case Picture::kFolder:
      out.push_back(Polygon({{3, 8}, {12, 8}, {14, 11}, {29, 11}, {29, 27}, {3, 27}},
                            Solid({230, 185, 70}), {150, 110, 20}, 1.2));
      out.push_back(Polygon({{3, 27}, {6, 14}, {31, 14}, {29, 27}},
                            Linear({0, 14}, {0, 27}, {{0, {255, 220, 110}}, {1, {240, 190, 60}}}),
                            {150, 110, 20}, 1.2));
      break;
    case Picture::kApp:
      Film(out, 3, 2, 26, 28);
      out.push_back({.kind = Shape::Kind::kText,
                     .points = {{3, 2}, {29, 30}},
                     .fill = Solid(kWhite),
                     .text = "V",
                     .text_pixels = 17});
      break;
  }
  return out;
}

}  // namespace vidloom
