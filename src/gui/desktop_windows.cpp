#include "gui/desktop_windows.h"

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
#include "shell/main_window.h"

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

DesktopWindows::DesktopWindows(MainWindow& window, QtDialogs* dialogs)
    : dialogs_(dialogs),
      main_(std::make_unique<MainWindowView>(window.Form1)),
      analyzing_(std::make_unique<AnalyzingWindowView>(window.FormAnalyzingSplash, main_.get())),
      about_(std::make_unique<AboutBoxView>(window.FormAbout, main_.get())),
      warning_(std::make_unique<WarningWindowView>(window.Form3, main_.get())),
      options_(std::make_unique<OptionsDialogView>(window.Form4, main_.get())) {
  if (dialogs_ != nullptr) {
    // Every question belongs to the window whose handler asks it.
    dialogs_->SetParent(main_.get());
    dialogs_->SetWindow(window.Form1, main_.get());
    dialogs_->SetWindow(window.FormAnalyzingSplash, analyzing_.get());
    dialogs_->SetWindow(window.FormAbout, about_.get());
    dialogs_->SetWindow(window.Form3, warning_.get());
    dialogs_->SetWindow(window.Form4, options_.get());
  }
  // The About box is modal: while it shows, the other windows take no input. It is shown
  // without a nested event loop, so About1Click returns at once.
  about_->setWindowModality(Qt::ApplicationModal);
  FollowVisibility(window.FormAnalyzingSplash, analyzing_.get());
  FollowVisibility(window.FormAbout, about_.get());
  FollowVisibility(window.Form3, warning_.get());
  FollowVisibility(window.Form4, options_.get());

  MainWindow* logic = &window;
  main_->close_query = [logic] { return logic->TryClose(); };
  warning_->close_query = [logic] { return logic->WarningFormCloseQuery(); };
  analyzing_->close_query = [logic] { return logic->AnalyzingFormCloseQuery(); };
  about_->on_label2_click = [logic] { logic->AboutLabel2Click(); };
  about_->on_label3_click = [logic] { logic->AboutLabel3Click(); };
  main_->fileList()->on_delete_key = [logic] { logic->DeleteKeyPressed(); };

  // Local files dropped on the main window: refused while the logic would take none, and added
  // after the drop has returned (the file manager waits for it; the analysis runs the loop).
  main_->fileDrops().allowed = [logic] { return logic->AcceptsGivenFiles(); };
  // The main view as the timer's context: a call still queued when it goes is dropped.
  MainWindowView* main_view = main_.get();
  main_->fileDrops().on_drop = [logic, main_view](const std::vector<std::string>& paths) {
    QTimer::singleShot(0, main_view, [logic, paths] { logic->AddGivenFiles(paths); });
  };
}

DesktopWindows::~DesktopWindows() {
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
