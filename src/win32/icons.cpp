#include "win32/icons.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vidloom::win32 {

namespace {

// Drawing happens at four times the size on a key colour; each output pixel averages its 16
// samples, and the share of samples that were drawn becomes its opacity.
constexpr int kSamples = 4;
constexpr COLORREF kKey = RGB(255, 0, 255);

struct Canvas {
  HDC dc;
  int unit;  // one 32nd of the drawing's side, in samples
  int X(double v) const { return static_cast<int>(v * unit); }
};

COLORREF Ref(Rgb c) {
  return RGB(c.red, c.green, c.blue);
}

// The colour at `t` (0..1) of a gradient's stops.
COLORREF At(const std::vector<PictureFill::Stop>& stops, double t) {
  const PictureFill::Stop* before = &stops.front();
  for (const PictureFill::Stop& stop : stops) {
    if (stop.at >= t) {
      const double span = stop.at - before->at;
      const double k = span > 0 ? std::clamp((t - before->at) / span, 0.0, 1.0) : 1.0;
      const auto mix = [k](int from, int to) {
        return static_cast<BYTE>(from + (to - from) * k + 0.5);
      };
      return RGB(mix(before->colour.red, stop.colour.red),
                 mix(before->colour.green, stop.colour.green),
                 mix(before->colour.blue, stop.colour.blue));
    }
    before = &stop;
  }
  return Ref(stops.back().colour);
}

// Draws the shape with the selected pen and brush.
void Outline(const Canvas& c, const PictureShape& s, const std::vector<POINT>& points) {
  switch (s.kind) {
    case PictureShape::Kind::kRect:
      if (s.corner > 0) {
        RoundRect(c.dc, points[0].x, points[0].y, points[1].x, points[1].y, c.X(2 * s.corner),
                  c.X(2 * s.corner));
      } else {
        Rectangle(c.dc, points[0].x, points[0].y, points[1].x, points[1].y);
      }
      break;
    case PictureShape::Kind::kEllipse:
      Ellipse(c.dc, points[0].x - points[1].x, points[0].y - points[1].y, points[0].x + points[1].x,
              points[0].y + points[1].y);
      break;
    case PictureShape::Kind::kPolygon:
      Polygon(c.dc, points.data(), static_cast<int>(points.size()));
      break;
    case PictureShape::Kind::kLine:
      MoveToEx(c.dc, points[0].x, points[0].y, nullptr);
      LineTo(c.dc, points[1].x, points[1].y);
      break;
    case PictureShape::Kind::kText:
      break;
  }
}

// A gradient inside the shape: bands one sample wide across a linear gradient's line (the
// pictures' lines run straight down or across), rings around a radial one's centre.
void Gradient(const Canvas& c, const PictureShape& s, const std::vector<POINT>& points) {
  const PictureFill& f = s.fill;
  BeginPath(c.dc);
  Outline(c, s, points);
  EndPath(c.dc);
  SelectClipPath(c.dc, RGN_COPY);
  RECT box;
  GetClipBox(c.dc, &box);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  SelectObject(c.dc, GetStockObject(DC_BRUSH));
  if (f.kind == PictureFill::Kind::kLinear) {
    const bool down = f.from.x == f.to.x;
    const double from = c.X(down ? f.from.y : f.from.x);
    const double length = c.X(down ? f.to.y : f.to.x) - from;
    for (LONG at = down ? box.top : box.left; at < (down ? box.bottom : box.right); ++at) {
      SetDCBrushColor(c.dc, At(f.stops, std::clamp((at - from) / length, 0.0, 1.0)));
      const RECT band =
          down ? RECT{box.left, at, box.right, at + 1} : RECT{at, box.top, at + 1, box.bottom};
      FillRect(c.dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
  } else {
    SetDCBrushColor(c.dc, At(f.stops, 1));
    FillRect(c.dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const int radius = c.X(f.radius);
    const int x = c.X(f.from.x);
    const int y = c.X(f.from.y);
    for (int r = radius; r > 0; --r) {
      SetDCBrushColor(c.dc, At(f.stops, static_cast<double>(r) / radius));
      Ellipse(c.dc, x - r, y - r, x + r + 1, y + r + 1);
    }
  }
  SelectClipRgn(c.dc, nullptr);
}

void Draw(const Canvas& c, Picture picture) {
  for (const PictureShape& s : PictureShapes(picture)) {
    std::vector<POINT> points;
    for (PicturePoint p : s.points) points.push_back({c.X(p.x), c.X(p.y)});
    if (s.kind == PictureShape::Kind::kText) {
      HFONT font = CreateFontW(-c.X(s.text_pixels), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
      HGDIOBJ old = SelectObject(c.dc, font);
      SetBkMode(c.dc, TRANSPARENT);
      SetTextColor(c.dc, Ref(s.fill.colour));
      RECT r{points[0].x, points[0].y, points[1].x, points[1].y};
      const std::wstring text(s.text.begin(), s.text.end());
      DrawTextW(c.dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(c.dc, old);
      DeleteObject(font);
      continue;
    }
    const bool gradient =
        s.fill.kind == PictureFill::Kind::kLinear || s.fill.kind == PictureFill::Kind::kRadial;
    if (gradient) Gradient(c, s, points);
    // The solid fill and the outline (over a gradient, the outline alone).
    HPEN pen =
        s.pen_width > 0 ? CreatePen(PS_SOLID, std::max(1, c.X(s.pen_width)), Ref(s.pen)) : nullptr;
    SelectObject(c.dc, pen != nullptr ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    if (s.fill.kind == PictureFill::Kind::kSolid) {
      SelectObject(c.dc, GetStockObject(DC_BRUSH));
      SetDCBrushColor(c.dc, Ref(s.fill.colour));
    } else {
      SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    }
    if (pen != nullptr || s.fill.kind == PictureFill::Kind::kSolid) Outline(c, s, points);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    if (pen != nullptr) DeleteObject(pen);
  }
}

}  // namespace

HICON MakePicture(Picture picture, int size, bool disabled) {
  const int big = size * kSamples;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = big;
  info.bmiHeader.biHeight = -big;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* big_bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP sheet = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &big_bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, sheet);
  RECT all{0, 0, big, big};
  HBRUSH key = CreateSolidBrush(kKey);
  FillRect(dc, &all, key);
  DeleteObject(key);
  Draw({dc, std::max(1, big / 32)}, picture);
  GdiFlush();

  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const auto* in = static_cast<const std::uint32_t*>(big_bits);
  auto* out = static_cast<std::uint32_t*>(bits);
  const std::uint32_t key_pixel = 0x00FF00FF;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      unsigned r = 0, g = 0, b = 0, n = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const std::uint32_t p = in[(y * kSamples + sy) * big + x * kSamples + sx] & 0xFFFFFF;
          if (p == key_pixel) continue;
          r += (p >> 16) & 0xFF;
          g += (p >> 8) & 0xFF;
          b += p & 0xFF;
          ++n;
        }
      }
      std::uint32_t pixel = 0;
      if (n > 0) {
        r /= n, g /= n, b /= n;
        if (disabled) {
          // Grey and lighter: the look of a button that cannot be pressed.
          const unsigned grey = (r * 30 + g * 59 + b * 11) / 100;
          r = g = b = 128 + grey / 2;
        }
        const unsigned a = n * 255 / (kSamples * kSamples);
        // Premultiplied, as icons with an alpha channel are drawn.
        pixel = (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
      }
      out[y * size + x] = pixel;
    }
  }
  SelectObject(dc, old);
  DeleteObject(sheet);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);

  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  ICONINFO icon{};
  icon.fIcon = TRUE;
  icon.hbmColor = colour;
  icon.hbmMask = mask;
  HICON result = CreateIconIndirect(&icon);
  DeleteObject(colour);
  DeleteObject(mask);
  return result;
}

HIMAGELIST MakeButtonPictures(Picture picture, int size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 6, 0);
  HICON normal = MakePicture(picture, size);
  HICON greyed = MakePicture(picture, size, true);
  // The states in the order buttons read them: normal, hot, pressed, disabled, default, hot
  // default.
  for (int state = 0; state < 6; ++state) ImageList_AddIcon(list, state == 3 ? greyed : normal);
  DestroyIcon(normal);
  DestroyIcon(greyed);
  return list;
}

HICON ProgramIcon(int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       size, size, LR_DEFAULTCOLOR));
}

}  // namespace vidloom::win32
