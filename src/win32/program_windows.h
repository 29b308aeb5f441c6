// The program's five windows drawn over a MainWindow's forms, wired the way the program runs
// them: each secondary window follows its form, the close boxes ask the window logic, the About
// box's links and the Delete key call its handlers, dropped files are added after the drop.
// Tests build this same object over their own MainWindow.
//
//   MainWindow window(ui, dialogs, options, ports);
//   ProgramWindows windows(window, ui, &dialogs);   // declared after `window`: destroyed first
//   window.Startup();
//   windows.Show(SW_SHOWNORMAL);
#pragma once

#include <memory>

#include "win32/form_views.h"
#include "win32/main_window_view.h"
#include "win32/message_boxes.h"
#include "win32/ui_thread.h"

namespace vidloom {
class MainWindow;
}

namespace vidloom::win32 {

class ProgramWindows {
 public:
  // UI thread. `window` must outlive this object; `dialogs` (may be null) gets the main window
  // as the owner of its boxes. The loop of `ui` hands keys to the windows' keyboard handling
  // (Tab between controls, the menu's keys).
  ProgramWindows(MainWindow& window, Win32UiThread& ui, Win32Dialogs* dialogs = nullptr);
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  MainWindowView& main() const { return *main_; }
  AnalyzingWindowView& analyzing() const { return *analyzing_; }
  AboutBoxView& about() const { return *about_; }
  WarningWindowView& warning() const { return *warning_; }
  OptionsDialogView& options() const { return *options_; }

  // The main window is in front and has the keyboard.
  bool MainActive() const;

 private:
  static bool FilterMessage(MSG& msg, void* self);

  Win32UiThread& ui_;
  Win32Dialogs* dialogs_;
  // The secondary windows are owned by the main window; they go before it.
  std::unique_ptr<MainWindowView> main_;
  std::unique_ptr<AnalyzingWindowView> analyzing_;
  std::unique_ptr<AboutBoxView> about_;
  std::unique_ptr<WarningWindowView> warning_;
  std::unique_ptr<OptionsDialogView> options_;
};

}  // namespace vidloom::win32
