// The Dialogs port as Windows message boxes: "Information" messages, "Confirm" questions, and a
// details window. Each box is owned by the window of the form that asked (SetWindow; the main
// window for a form without one), so that it stays in front of it and keeps input from it; it is
// topmost while its owner, or another window of ours that is topmost, is shown.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "model/dialogs.h"

namespace vidloom::win32 {

class Win32Dialogs : public Dialogs {
 public:
  // The window the boxes belong to when their asker has none of its own (may be null).
  void SetMainWindow(HWND window) { main_ = window; }
  // The window that draws `form`: its questions belong to it. Null forgets it.
  void SetWindow(const Form& form, HWND window);
  // Before the windows go: no box belongs to any of them any more.
  void ForgetWindows() {
    main_ = nullptr;
    windows_.clear();
  }

  void ShowMessage(const Form& asker, const std::string& caption, const std::string& text) override;
  bool ConfirmOkCancel(const Form& asker, const std::string& text) override;
  bool ConfirmYesNo(const Form& asker, const std::string& text) override;
  // A window with the summary, the details in a read-only box in a fixed-width font, and Close;
  // returns when it is closed.
  void ShowDetails(const Form& asker, const std::string& title, const std::string& summary,
                   const std::string& details) override;
  // Presses No (Cancel) on the open questions of `asker`; they close once the UI thread's
  // messages are read again.
  void WithdrawQuestions(const Form& asker) override;

  // The window a box of `asker` belongs to.
  HWND Owner(const Form& asker) const;

 private:
  int Ask(const Form& asker, const std::string& caption, const std::string& text, UINT kind);
  // Whether a box of `owner` must be topmost: its owner is, or another of our windows that is
  // topmost is shown and could cover it.
  bool KeepOnTop(HWND owner) const;

  // A question being asked: who asked, the window its box belongs to, the button that says No.
  struct OpenQuestion {
    const Form* asker;
    HWND owner;
    int no_button;
  };

  HWND main_ = nullptr;
  std::vector<std::pair<const Form*, HWND>> windows_;
  std::vector<OpenQuestion> questions_;  // innermost last
};

}  // namespace vidloom::win32
