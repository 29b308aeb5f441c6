#include "gui/form_dialog.h"

#include "gui/window_style.h"
#include "texts/language.h"

namespace vidloom::gui {

QRect DesignedRect(const Box& box) {
  return {box.x, box.y, box.width, box.height};
}

void Designed(QWidget* widget, const FormControlLayout& layout) {
  widget->setObjectName(QString::fromLatin1(layout.name));
  if (layout.font.pixels != TextFont{}.pixels || layout.font.bold != TextFont{}.bold) {
    widget->setFont(WindowFont(layout.font.pixels, layout.font.bold));
  }
  if (layout.text != nullptr && layout.kind != FormControlKind::kGroup) {
    widget->setAccessibleName(QString::fromUtf8(texts::Tr(layout.text)));
  }
}

void SetTabOrder(QWidget* window, const FormLayout& layout) {
  QWidget* previous = nullptr;
  for (const FormControlLayout& control : layout.controls) {
    if (control.out_of_sight) continue;
    switch (control.kind) {
      case FormControlKind::kCheckBox:
      case FormControlKind::kNumber:
      case FormControlKind::kButton:
      case FormControlKind::kLink:
        break;
      default:
        continue;
    }
    auto* widget = window->findChild<QWidget*>(QString::fromLatin1(control.name));
    if (widget == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

FormDialog::FormDialog(bool& visible, QWidget* parent) : QDialog(parent), visible_(visible) {}

void FormDialog::ShowWindow() {
  visible_ = true;
  if (!isVisible()) {
    // Centred the first time; then where the user left it. The window's own rectangle, without
    // the window manager's frame: a frame position taken while shown and given back while
    // hidden is read as a client position by some managers, and the window creeps up.
    if (last_geometry_.isValid()) {
      setGeometry(last_geometry_);
    } else {
      CentreOn(this, parentWidget());
    }
  }
  show();
  raise();
  activateWindow();
}

void FormDialog::HideWindow() {
  visible_ = false;
  if (isVisible()) {
    last_geometry_ = geometry();
    QDialog::done(QDialog::Rejected);
  }
}

void FormDialog::SyncVisibility() {
  if (visible_ != isVisible()) visible_ ? ShowWindow() : HideWindow();
}

int FormDialog::ShowModal() {
  visible_ = true;
  CentreOn(this, parentWidget());
  return exec();
}

void FormDialog::reject() {
  // QDialog's close event and Escape key both come here.
  if (close_query && !close_query()) return;
  QDialog::reject();
}

void FormDialog::done(int result) {
  visible_ = false;
  if (isVisible()) last_geometry_ = geometry();
  QDialog::done(result);
}

}  // namespace vidloom::gui
