#include "gui/program_windows.h"

#include <QPointer>
#include <QTimer>
#include <string>
#include <vector>

#include "gui/about_box_view.h"
#include "gui/analyzing_window_view.h"
#include "gui/file_list_view.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/qt_dialogs.h"
#include "gui/warning_window_view.h"
#include "window_logic/main_window.h"
#include "window_logic/window_handlers.h"

namespace vidloom::gui {

namespace {

// The view shows or hides itself whenever its form's visibility changes; the subscription does
// nothing once the view is gone.
void FollowVisibility(Form& form, FormDialog* view) {
  QPointer<FormDialog> guard(view);
  form.Subscribe([guard] {
    if (guard) guard->SyncVisibility();
  });
}

}  // namespace

ProgramWindows::ProgramWindows(MainWindow& window, QtDialogs* dialogs)
    : dialogs_(dialogs),
      main_(std::make_unique<MainWindowView>(window.main_form)),
      analyzing_(std::make_unique<AnalyzingWindowView>(window.analyzing_form, main_.get())),
      about_(std::make_unique<AboutBoxView>(window.about_form, main_.get())),
      warning_(std::make_unique<WarningWindowView>(window.warning_form, main_.get())),
      options_(std::make_unique<OptionsDialogView>(window.options_form, main_.get())) {
  if (dialogs_ != nullptr) {
    // Every question belongs to the window whose handler asks it.
    dialogs_->SetParent(main_.get());
    dialogs_->SetWindow(window.main_form, main_.get());
    dialogs_->SetWindow(window.analyzing_form, analyzing_.get());
    dialogs_->SetWindow(window.about_form, about_.get());
    dialogs_->SetWindow(window.warning_form, warning_.get());
    dialogs_->SetWindow(window.options_form, options_.get());
  }
  // The About box is modal: while it shows, the other windows take no input. It is shown
  // without a nested event loop, so AboutEntryClick returns at once.
  about_->setWindowModality(Qt::ApplicationModal);
  FollowVisibility(window.analyzing_form, analyzing_.get());
  FollowVisibility(window.about_form, about_.get());
  FollowVisibility(window.warning_form, warning_.get());
  FollowVisibility(window.options_form, options_.get());

  const WindowHandlers handlers = WindowHandlersOf(window);
  main_->close_query = handlers.may_close_main;
  warning_->close_query = handlers.may_close_warning;
  analyzing_->close_query = handlers.may_close_analyzing;
  about_->on_website_click = handlers.website_click;
  about_->on_support_click = handlers.support_click;
  main_->fileList()->on_delete_key = handlers.delete_key;
  main_->on_output_folder_label_enter = handlers.output_folder_label_enter;
  main_->fileDrops().allowed = handlers.drops_allowed;
  // The main view as the timer's context: a call still queued when it goes is dropped.
  MainWindowView* main_view = main_.get();
  main_->fileDrops().on_drop = [add = handlers.add_dropped_files,
                                main_view](const std::vector<std::string>& paths) {
    QTimer::singleShot(0, main_view, [add, paths] { add(paths); });
  };
}

ProgramWindows::~ProgramWindows() {
  // The windows given to SetWindow forget themselves as they go.
  if (dialogs_ != nullptr) dialogs_->SetParent(nullptr);
  // Children before their parent (the member order does the same; this makes it explicit).
  options_.reset();
  warning_.reset();
  about_.reset();
  analyzing_.reset();
  main_.reset();
}

}  // namespace vidloom::gui
