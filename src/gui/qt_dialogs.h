// The Dialogs port as Qt message boxes. Each box opens above the window that asked (a modal one
// in front, else the active window, else one of ours that stays on top, else `parent`, which
// may be null), centred on it. Call on the GUI thread; a call from another thread is carried
// over to it and waits for the answer.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "model/dialogs.h"

namespace vidloom::gui {

// Turns the model's "\n\r" line breaks (and lone "\n" or "\r") into single "\n" breaks.
QString MessageText(const std::string& text);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the boxes are centred on.
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const std::string& caption, const std::string& text) override;
  bool ConfirmOkCancel(const std::string& text) override;
  bool ConfirmYesNo(const std::string& text) override;
  // A resizable window with the summary, the details in a read-only monospaced box, and Close.
  void ShowDetails(const std::string& title, const std::string& summary,
                   const std::string& details) override;

 private:
  QWidget* Owner() const;
  QPointer<QWidget> parent_;
};

}  // namespace vidloom::gui
