#include "win32/icons.h"

#include <algorithm>
#include <cstdint>
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

void Fill(const Canvas& c, COLORREF colour, COLORREF edge) {
  SelectObject(c.dc, GetStockObject(DC_BRUSH));
  SelectObject(c.dc, GetStockObject(DC_PEN));
  SetDCBrushColor(c.dc, colour);
  SetDCPenColor(c.dc, edge);
}

void Film(const Canvas& c, double left, double top, double width, double height) {
  Fill(c, RGB(60, 66, 78), RGB(40, 44, 52));
  RoundRect(c.dc, c.X(left), c.X(top), c.X(left + width), c.X(top + height), c.X(2), c.X(2));
  Fill(c, RGB(235, 238, 242), RGB(235, 238, 242));
  const double hole = width / 8;
  for (double y = top + 2; y + hole <= top + height - 1; y += hole * 1.8) {
    Rectangle(c.dc, c.X(left + 1.5), c.X(y), c.X(left + 1.5 + hole), c.X(y + hole * 0.9));
    Rectangle(c.dc, c.X(left + width - 1.5 - hole), c.X(y), c.X(left + width - 1.5),
              c.X(y + hole * 0.9));
  }
  Fill(c, RGB(70, 140, 220), RGB(40, 100, 190));
  Rectangle(c.dc, c.X(left + hole + 3), c.X(top + 3), c.X(left + width - hole - 3),
            c.X(top + height - 3));
}

void Badge(const Canvas& c, double x, double y, double radius, COLORREF colour, COLORREF edge) {
  Fill(c, colour, edge);
  Ellipse(c.dc, c.X(x - radius), c.X(y - radius), c.X(x + radius), c.X(y + radius));
}

void Bar(const Canvas& c, double x, double y, double half_width, double half_height) {
  Fill(c, RGB(255, 255, 255), RGB(255, 255, 255));
  Rectangle(c.dc, c.X(x - half_width), c.X(y - half_height), c.X(x + half_width),
            c.X(y + half_height));
}

void Shape(const Canvas& c, std::initializer_list<POINT> designed) {
  std::vector<POINT> points;
  for (POINT p : designed) points.push_back({c.X(p.x), c.X(p.y)});
  Polygon(c.dc, points.data(), static_cast<int>(points.size()));
}

void Draw(const Canvas& c, Picture picture) {
  switch (picture) {
    case Picture::kNone:
    case Picture::kApp:  // the program's icon comes from the resources
      break;
    case Picture::kAdd:
      Film(c, 2, 3, 20, 26);
      Badge(c, 22, 21, 8.5, RGB(40, 160, 60), RGB(28, 112, 42));
      Bar(c, 22, 21, 5, 1.5);
      Bar(c, 22, 21, 1.5, 5);
      break;
    case Picture::kStop:
      Fill(c, RGB(210, 40, 40), RGB(140, 20, 20));
      Shape(c, {{12, 3}, {20, 3}, {29, 12}, {29, 20}, {20, 29}, {12, 29}, {3, 20}, {3, 12}});
      Bar(c, 16, 16, 8, 2);
      break;
    case Picture::kConvert:
      Film(c, 2, 3, 20, 26);
      Badge(c, 22, 21, 8.5, RGB(40, 110, 200), RGB(28, 76, 140));
      Fill(c, RGB(255, 255, 255), RGB(255, 255, 255));
      Shape(c, {{19, 16}, {27, 21}, {19, 26}});
      break;
    case Picture::kRemove:
      Badge(c, 16, 16, 12, RGB(210, 50, 50), RGB(140, 30, 30));
      Bar(c, 16, 16, 7, 2);
      break;
    case Picture::kClear:
      Badge(c, 16, 16, 12, RGB(230, 140, 30), RGB(160, 95, 20));
      Fill(c, RGB(255, 255, 255), RGB(255, 255, 255));
      Shape(c, {{10, 12}, {12, 10}, {22, 20}, {20, 22}});
      Shape(c, {{20, 10}, {22, 12}, {12, 22}, {10, 20}});
      break;
    case Picture::kFolder:
      Fill(c, RGB(220, 170, 50), RGB(160, 120, 30));
      Shape(c, {{2, 7}, {12, 7}, {15, 10}, {30, 10}, {30, 27}, {2, 27}});
      Fill(c, RGB(250, 205, 90), RGB(180, 140, 40));
      Shape(c, {{2, 13}, {30, 13}, {30, 27}, {2, 27}});
      break;
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
