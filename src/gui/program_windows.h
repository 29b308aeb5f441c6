// The program's five windows drawn over a MainWindow's forms, wired the way the desktop program
// runs them: each secondary window follows its form's visibility, the close boxes ask the
// window logic, the About box's links call its handlers, and message boxes centre on the main
// window. Tests build this same object over their own MainWindow.
//
//   MainWindow window(ui, dialogs, options, ports);
//   ProgramWindows windows(window, &dialogs);   // declared after `window`: destroyed first
//   window.Startup();
//   windows.main().show();
#pragma once

#include <memory>

namespace vidloom {
class MainWindow;
}

namespace vidloom::gui {

class AboutBoxView;
class AnalyzingWindowView;
class MainWindowView;
class OptionsDialogView;
class QtDialogs;
class WarningWindowView;

class ProgramWindows {
 public:
  // GUI thread, after the QApplication. `window` must outlive this object; `dialogs` (may be
  // null) has its boxes centred on the main window.
  explicit ProgramWindows(MainWindow& window, QtDialogs* dialogs = nullptr);
  // Destroys the views. The form subscriptions stay with the model (they cannot be removed) but
  // do nothing once their view is gone, so the MainWindow may still change its forms while it
  // shuts down.
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  MainWindowView& main() const { return *main_; }
  AnalyzingWindowView& analyzing() const { return *analyzing_; }
  AboutBoxView& about() const { return *about_; }
  WarningWindowView& warning() const { return *warning_; }
  OptionsDialogView& options() const { return *options_; }

 private:
  QtDialogs* dialogs_;
  // The secondary windows are children of the main window; they are declared after it and so
  // destroyed before it.
  std::unique_ptr<MainWindowView> main_;
  std::unique_ptr<AnalyzingWindowView> analyzing_;
  std::unique_ptr<AboutBoxView> about_;
  std::unique_ptr<WarningWindowView> warning_;
  std::unique_ptr<OptionsDialogView> options_;
};

}  // namespace vidloom::gui
