// Base of the program's secondary windows: a QDialog tied to its model form's `visible` flag,
// with a close query. The close box and Escape both go through the query.
#pragma once

#include <QDialog>
#include <QRect>
#include <functional>

#include "model/form_layouts.h"

namespace vidloom::gui {

// `box` as a Qt rectangle.
QRect DesignedRect(const Box& box);
// Gives a new widget the layout's name, its font where it is not the window's and its
// accessible name where the layout gives one.
void Designed(QWidget* widget, const FormControlLayout& layout);
// Chains the keyboard focus through `window`'s buttons, check boxes, numeric fields and links
// in the layout's order.
void SetTabOrder(QWidget* window, const FormLayout& layout);

class FormDialog : public QDialog {
  Q_OBJECT

 public:
  // Asked when the user closes the window (close box, Escape); false keeps it open.
  // Unset: closing is allowed.
  std::function<bool()> close_query;

  // Shows (or raises) the window, centred on its parent the first time it appears and where it
  // was when hidden after that, and sets the model's `visible`.
  void ShowWindow();
  // Hides the window (no query) and clears the model's `visible`.
  void HideWindow();
  // Shows or hides the window to match the model's `visible`.
  void SyncVisibility();
  // Shows the window modally, centred on its parent; returns the dialog's result when closed.
  int ShowModal();

 protected:
  FormDialog(bool& visible, QWidget* parent);
  void reject() override;
  void done(int result) override;

 private:
  bool& visible_;
  QRect last_geometry_;  // where the window was when last hidden; null before
};

}  // namespace vidloom::gui
