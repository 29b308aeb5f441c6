// The Dialogs port as Qt message boxes. Each box belongs to the window of the form that asked
// (SetWindow; `parent`, which may be null, for a form without one) and opens centred above it;
// it stays on top while its owner, or any other window of ours that stays on top, is shown, so
// that no box is ever hidden under one. Call on the GUI thread; a call from another thread is
// carried over to it and waits for the answer.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

#include "model/dialogs.h"

namespace vidloom::gui {

// Turns the model's "\n\r" line breaks (and lone "\n" or "\r") into single "\n" breaks.
QString MessageText(const std::string& text);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  // The window of the boxes whose asker has no window of its own (the main window).
  void SetParent(QWidget* parent) { parent_ = parent; }
  // The window that draws `form`: its questions belong to it. Null forgets it.
  void SetWindow(const Form& form, QWidget* window);

  void ShowMessage(const Form& asker, const std::string& caption, const std::string& text) override;
  bool ConfirmOkCancel(const Form& asker, const std::string& text) override;
  bool ConfirmYesNo(const Form& asker, const std::string& text) override;
  // A resizable window with the summary, the details in a read-only monospaced box, and Close.
  void ShowDetails(const Form& asker, const std::string& title, const std::string& summary,
                   const std::string& details) override;
  // Presses No (Cancel) on the open questions of `asker`.
  void WithdrawQuestions(const Form& asker) override;

  // The window a box of `asker` belongs to.
  QWidget* Owner(const Form& asker) const;

 private:
  // Whether a box of `owner` must stay on top: its owner does, or another of our windows that
  // stays on top is shown and could cover it.
  bool KeepOnTop(const QWidget* owner) const;

  // Asks on the GUI thread; the box is open to WithdrawQuestions until answered.
  int AskQuestion(const Form& asker, const std::string& text, QMessageBox::StandardButtons buttons,
                  QMessageBox::StandardButton default_button);

  QPointer<QWidget> parent_;
  std::vector<std::pair<const Form*, QPointer<QWidget>>> windows_;
  std::vector<std::pair<const Form*, QPointer<QMessageBox>>> questions_;  // open, innermost last
};

}  // namespace vidloom::gui
