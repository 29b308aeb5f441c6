#include "gui/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vidloom::gui {

namespace {

QColor Colour(Rgb c) {
  return QColor(c.red, c.green, c.blue);
}

QPointF At(PicturePoint p) {
  return {p.x, p.y};
}

QBrush Brush(const PictureFill& fill) {
  switch (fill.kind) {
    case PictureFill::Kind::kNone:
      break;
    case PictureFill::Kind::kSolid:
      return Colour(fill.colour);
    case PictureFill::Kind::kLinear:
    case PictureFill::Kind::kRadial: {
      QLinearGradient linear(At(fill.from), At(fill.to));
      QRadialGradient radial(At(fill.from), fill.radius);
      QGradient& gradient = fill.kind == PictureFill::Kind::kLinear
                                ? static_cast<QGradient&>(linear)
                                : static_cast<QGradient&>(radial);
      for (const PictureFill::Stop& stop : fill.stops)
        gradient.setColorAt(stop.at, Colour(stop.colour));
      return gradient;
    }
  }
  return Qt::NoBrush;
}

void Paint(QPainter& p, Picture picture) {
  for (const PictureShape& s : PictureShapes(picture)) {
    p.setPen(s.pen_width > 0 ? QPen(Colour(s.pen), s.pen_width) : QPen(Qt::NoPen));
    p.setBrush(Brush(s.fill));
    switch (s.kind) {
      case PictureShape::Kind::kRect: {
        const QRectF r(At(s.points[0]), At(s.points[1]));
        if (s.corner > 0) {
          p.drawRoundedRect(r, s.corner, s.corner);
        } else {
          p.drawRect(r);
        }
        break;
      }
      case PictureShape::Kind::kEllipse:
        p.drawEllipse(At(s.points[0]), s.points[1].x, s.points[1].y);
        break;
      case PictureShape::Kind::kPolygon: {
        QPainterPath path;
        path.moveTo(At(s.points[0]));
        for (std::size_t i = 1; i < s.points.size(); ++i) path.lineTo(At(s.points[i]));
        path.closeSubpath();
        p.drawPath(path);
        break;
      }
      case PictureShape::Kind::kLine:
        p.drawLine(At(s.points[0]), At(s.points[1]));
        break;
      case PictureShape::Kind::kText: {
        QFont font;
        font.setPixelSize(qRound(s.text_pixels));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Colour(s.fill.colour));
        p.drawText(QRectF(At(s.points[0]), At(s.points[1])), Qt::AlignCenter,
                   QString::fromStdString(s.text));
        break;
      }
    }
  }
}

}  // namespace

QPixmap MakePixmap(Picture kind, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  Paint(p, kind);
  return pixmap;
}

QIcon MakeIcon(Picture kind) {
  QIcon icon;
  if (kind == Picture::kNone) return icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(MakePixmap(kind, size));
  return icon;
}

}  // namespace vidloom::gui
