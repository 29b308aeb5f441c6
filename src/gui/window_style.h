// Shared look of the program's windows: the fixed-layout font, window flags, text conversion.
#pragma once

#include <QFont>
#include <QGroupBox>
#include <QString>
#include <QWidget>
#include <string>

namespace vidloom::gui {

// Model texts are UTF-8 (paths come from the file system as they are).
inline QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// How long a tooltip stays up once shown.
inline constexpr int kHintMs = 30'000;

// The font the fixed pixel layouts are designed for: a sans serif with 11-pixel glyphs.
QFont WindowFont();
// WindowFont() in `pixels`, bold or not.
QFont WindowFont(int pixels, bool bold);

// A fixed-size dialog frame with a client area of `width` x `height`: title and close button,
// no maximise or resize; `on_top` keeps it above other windows.
void MakeFixedDialog(QWidget* window, int width, int height, bool on_top);

// A group frame drawn as an etched rectangle whose top edge runs through the middle of the
// title, so that children placed near the top (y >= title height) sit inside the frame.
class GroupFrame : public QGroupBox {
 public:
  GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Moves a top-level `window` so that it is centred on `anchor` (or on its screen when `anchor`
// is null or hidden).
void CentreOn(QWidget* window, const QWidget* anchor);

}  // namespace vidloom::gui
