// The Dialogs port as Windows message boxes: "Information" messages, "Confirm" questions, and a
// details window. Each box is owned by the window the user works in (the active one of ours, else
// the main window), so that it stays in front of it and keeps input from it.
#pragma once

#include <windows.h>

#include "model/dialogs.h"

namespace vidloom::win32 {

class Win32Dialogs : public Dialogs {
 public:
  // The window the boxes belong to when none of ours is active (may be null).
  void SetMainWindow(HWND window) { main_ = window; }

  void ShowMessage(const std::string& caption, const std::string& text) override;
  bool ConfirmOkCancel(const std::string& text) override;
  bool ConfirmYesNo(const std::string& text) override;
  // A window with the summary, the details in a read-only box in a fixed-width font, and Close;
  // returns when it is closed.
  void ShowDetails(const std::string& title, const std::string& summary,
                   const std::string& details) override;

  HWND Owner() const;

 private:
  int Ask(const std::string& caption, const std::string& text, UINT kind) const;

  HWND main_ = nullptr;
};

}  // namespace vidloom::win32
