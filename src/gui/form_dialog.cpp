#include "gui/form_dialog.h"

#include "gui/window_style.h"

namespace vidloom::gui {

FormDialog::FormDialog(bool& visible, QWidget* parent) : QDialog(parent), visible_(visible) {}

void FormDialog::ShowWindow() {
  visible_ = true;
  if (!isVisible()) CentreOn(this, parentWidget());
  show();
  raise();
  activateWindow();
}

void FormDialog::HideWindow() {
  visible_ = false;
  if (isVisible()) QDialog::done(QDialog::Rejected);
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
  QDialog::done(result);
}

}  // namespace vidloom::gui
