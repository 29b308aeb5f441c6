#include "gui/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vidloom::gui {

namespace {

// A sheet of film: the base of the add, convert and program pictures.
void PaintFilm(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(40, 44, 52), 1.2));
  p.setBrush(QColor(60, 66, 78));
  p.drawRoundedRect(r, 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(235, 238, 242));
  const double hole = r.width() / 8;
  for (double y = r.top() + 2; y + hole <= r.bottom() - 1; y += hole * 1.8) {
    p.drawRect(QRectF(r.left() + 1.5, y, hole, hole * 0.9));
    p.drawRect(QRectF(r.right() - 1.5 - hole, y, hole, hole * 0.9));
  }
  QLinearGradient frame(r.topLeft(), r.bottomLeft());
  frame.setColorAt(0, QColor(120, 180, 240));
  frame.setColorAt(1, QColor(40, 100, 190));
  p.setBrush(frame);
  p.drawRect(QRectF(r.left() + hole + 3, r.top() + 3, r.width() - 2 * hole - 6, r.height() - 6));
}

void PaintBadge(QPainter& p, const QPointF& centre, double radius, const QColor& colour) {
  p.setPen(QPen(colour.darker(140), 1.2));
  QRadialGradient fill(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
  fill.setColorAt(0, colour.lighter(140));
  fill.setColorAt(1, colour);
  p.setBrush(fill);
  p.drawEllipse(centre, radius, radius);
}

void PaintPlus(QPainter& p, const QPointF& c, double arm, double thick) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(c.x() - arm, c.y() - thick / 2, 2 * arm, thick));
  p.drawRect(QRectF(c.x() - thick / 2, c.y() - arm, thick, 2 * arm));
}

void Paint(QPainter& p, Picture kind) {
  switch (kind) {
    case Picture::kNone:
      break;
    case Picture::kAdd:
      PaintFilm(p, QRectF(2, 3, 20, 26));
      PaintBadge(p, QPointF(22, 21), 8.5, QColor(40, 160, 60));
      PaintPlus(p, QPointF(22, 21), 5, 3);
      break;
    case Picture::kStop: {
      QPainterPath octagon;
      const double a = 9, b = 4;
      const QPointF c(16, 16);
      octagon.moveTo(c + QPointF(-b, -a - b + 1));
      octagon.lineTo(c + QPointF(b, -a - b + 1));
      octagon.lineTo(c + QPointF(a + b - 1, -b));
      octagon.lineTo(c + QPointF(a + b - 1, b));
      octagon.lineTo(c + QPointF(b, a + b - 1));
      octagon.lineTo(c + QPointF(-b, a + b - 1));
      octagon.lineTo(c + QPointF(-a - b + 1, b));
      octagon.lineTo(c + QPointF(-a - b + 1, -b));
      octagon.closeSubpath();
      p.setPen(QPen(QColor(130, 20, 20), 1.2));
      QLinearGradient fill(0, 3, 0, 29);
      fill.setColorAt(0, QColor(240, 80, 70));
      fill.setColorAt(1, QColor(180, 20, 20));
      p.setBrush(fill);
      p.drawPath(octagon);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(10, 14, 12, 4));
      break;
    }
    case Picture::kConvert: {
      PaintFilm(p, QRectF(2, 3, 18, 24));
      PaintBadge(p, QPointF(22, 20), 9, QColor(230, 140, 20));
      QPainterPath arrow;  // a play-like arrow: the conversion goes forward
      arrow.moveTo(18.5, 15);
      arrow.lineTo(27, 20);
      arrow.lineTo(18.5, 25);
      arrow.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawPath(arrow);
      break;
    }
    case Picture::kRemove:
      PaintFilm(p, QRectF(2, 3, 20, 26));
      PaintBadge(p, QPointF(22, 21), 8.5, QColor(200, 40, 40));
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(17, 19.5, 10, 3));
      break;
    case Picture::kClear: {
      // A waste bin.
      p.setPen(QPen(QColor(50, 60, 70), 1.2));
      QLinearGradient body(6, 0, 26, 0);
      body.setColorAt(0, QColor(150, 160, 170));
      body.setColorAt(0.5, QColor(220, 225, 230));
      body.setColorAt(1, QColor(140, 150, 160));
      p.setBrush(body);
      QPainterPath bin;
      bin.moveTo(7, 9);
      bin.lineTo(25, 9);
      bin.lineTo(23, 29);
      bin.lineTo(9, 29);
      bin.closeSubpath();
      p.drawPath(bin);
      p.drawRoundedRect(QRectF(5, 5, 22, 4), 1, 1);
      p.drawRect(QRectF(13, 2.5, 6, 2.5));
      p.setPen(QPen(QColor(90, 100, 110), 1.5));
      for (double x : {12.0, 16.0, 20.0}) p.drawLine(QPointF(x, 12), QPointF(x, 26));
      break;
    }
    case Picture::kFolder: {
      p.setPen(QPen(QColor(150, 110, 20), 1.2));
      p.setBrush(QColor(230, 185, 70));
      QPainterPath back;
      back.moveTo(3, 8);
      back.lineTo(12, 8);
      back.lineTo(14, 11);
      back.lineTo(29, 11);
      back.lineTo(29, 27);
      back.lineTo(3, 27);
      back.closeSubpath();
      p.drawPath(back);
      QLinearGradient front(0, 14, 0, 27);
      front.setColorAt(0, QColor(255, 220, 110));
      front.setColorAt(1, QColor(240, 190, 60));
      p.setBrush(front);
      QPainterPath flap;
      flap.moveTo(3, 27);
      flap.lineTo(6, 14);
      flap.lineTo(31, 14);
      flap.lineTo(29, 27);
      flap.closeSubpath();
      p.drawPath(flap);
      break;
    }
    case Picture::kApp: {
      PaintFilm(p, QRectF(3, 2, 26, 28));
      QFont font;
      font.setPixelSize(17);
      font.setBold(true);
      p.setFont(font);
      p.setPen(Qt::white);
      p.drawText(QRectF(3, 2, 26, 28), Qt::AlignCenter, QStringLiteral("V"));
      break;
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
