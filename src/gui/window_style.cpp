#include "gui/window_style.h"

#include <QGuiApplication>
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
