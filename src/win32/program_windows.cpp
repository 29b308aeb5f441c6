#include "win32/program_windows.h"

#include <string>
#include <vector>

#include "window_logic/main_window.h"
#include "window_logic/window_handlers.h"

namespace vidloom::win32 {

ProgramWindows::ProgramWindows(MainWindow& window, Win32UiThread& ui, Win32Dialogs* dialogs)
    : ui_(ui),
      dialogs_(dialogs),
      main_(std::make_unique<MainWindowView>(window.main_form)),
      analyzing_(std::make_unique<AnalyzingWindowView>(window.analyzing_form, main_->hwnd())),
      about_(std::make_unique<AboutBoxView>(window.about_form, main_->hwnd())),
      warning_(std::make_unique<WarningWindowView>(window.warning_form, main_->hwnd())),
      options_(std::make_unique<OptionsDialogView>(window.options_form, main_->hwnd())) {
  if (dialogs_ != nullptr) {
    // Every question belongs to the window whose handler asks it.
    dialogs_->SetMainWindow(main_->hwnd());
    dialogs_->SetWindow(window.main_form, main_->hwnd());
    dialogs_->SetWindow(window.analyzing_form, analyzing_->hwnd());
    dialogs_->SetWindow(window.about_form, about_->hwnd());
    dialogs_->SetWindow(window.warning_form, warning_->hwnd());
    dialogs_->SetWindow(window.options_form, options_->hwnd());
  }
  const WindowHandlers handlers = WindowHandlersOf(window);
  main_->close_query = handlers.may_close_main;
  main_->on_close = [] { PostQuitMessage(0); };
  warning_->close_query = handlers.may_close_warning;
  analyzing_->close_query = handlers.may_close_analyzing;
  about_->on_website_click = handlers.website_click;
  about_->on_support_click = handlers.support_click;
  main_->on_delete_key = handlers.delete_key;
  main_->on_output_folder_label_enter = handlers.output_folder_label_enter;
  main_->drops_allowed = handlers.drops_allowed;
  Win32UiThread* loop = &ui;
  main_->on_drop = [add = handlers.add_dropped_files, loop](const std::vector<std::string>& paths) {
    loop->Post([add, paths] { add(paths); });
  };
  ui_.SetMessageFilter(&ProgramWindows::FilterMessage, this);
}

ProgramWindows::~ProgramWindows() {
  ui_.SetMessageFilter(nullptr, nullptr);
  if (dialogs_ != nullptr) dialogs_->ForgetWindows();
  options_.reset();
  warning_.reset();
  about_.reset();
  analyzing_.reset();
  main_.reset();
}

bool ProgramWindows::MainActive() const {
  return GetActiveWindow() == main_->hwnd() && GetForegroundWindow() == main_->hwnd();
}

bool ProgramWindows::FilterMessage(MSG& msg, void* context) {
  auto* self = static_cast<ProgramWindows*>(context);
  HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root == nullptr || FormWindow::Of(root) == nullptr) return false;
  // The menu's keys work wherever the main window has the focus.
  if (root == self->main_->hwnd() &&
      TranslateAcceleratorW(root, self->main_->accelerators(), &msg)) {
    return true;
  }
  // Tab and the arrow keys move between controls, Escape closes a dialog.
  return IsDialogMessageW(root, &msg) != FALSE;
}

}  // namespace vidloom::win32
