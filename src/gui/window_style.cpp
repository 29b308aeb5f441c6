#include "gui/window_style.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace vidloom::gui {

QFont WindowFont() {
  return WindowFont(11, false);
}

QFont WindowFont(int pixels, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans Condensed"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void MakeFixedDialog(QWidget* window, int width, int height, bool on_top) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint;
  if (on_top) flags |= Qt::WindowStaysOnTopHint;
  window->setWindowFlags(flags);
  window->setFixedSize(width, height);
  window->setFont(WindowFont());
}

void GroupFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetrics metrics(font());
  const int top = metrics.height() / 2;
  const QRect frame(0, top, width() - 2, height() - top - 2);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(frame);
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(frame.translated(1, 1));
  const QString text = title();
  if (text.isEmpty()) return;
  const QRect caption(8, 0, metrics.horizontalAdvance(text), metrics.height());
  p.fillRect(caption, palette().color(backgroundRole()));
  p.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void CentreOn(QWidget* window, const QWidget* anchor) {
  QRect area;
  if (anchor && anchor->isVisible()) {
    area = anchor->frameGeometry();
  } else if (QScreen* screen =
                 window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isNull()) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

}  // namespace vidloom::gui
