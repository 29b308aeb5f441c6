// The main window over the model's MainForm. Every widget is named after its model control
// (objectName), follows the control's changes and forwards user actions to it; no handler
// logic lives here. Construct on the GUI thread after the QApplication; `form` must outlive it.
//
//   MainWindowView view(form);
//   view.close_query = [] { return !converting; };   // false refuses the close box
//   view.on_close = [] { SaveSettings(); };           // after an allowed close
//   view.fileDrops().on_drop = [](const std::vector<std::string>& paths) { ... };
//   view.show();                                      // centred on the screen
#pragma once

#include <QMainWindow>
#include <functional>

#include "gui/file_drops.h"
#include "model/forms.h"

class QMenu;

namespace vidloom::gui {

class FileListView;

class MainWindowView : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindowView(MainForm& form, QWidget* parent = nullptr);

  // Asked when the user closes the window; false keeps it open. Unset: closing is allowed.
  std::function<bool()> close_query;
  // Runs once a close has been allowed, before the window closes.
  std::function<void()> on_close;
  // The mouse rests on "Output Directory : " (before its tooltip shows).
  std::function<void()> on_output_folder_label_enter;

  FileListView* fileList() const { return list_; }
  QMenu* listPopup() const { return popup_; }
  // Local files dropped anywhere on the window, the file list included.
  FileDropTarget& fileDrops() { return drops_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void BuildControls(QWidget* client);
  void BuildStatusBar();

  MainForm& form_;
  FileListView* list_ = nullptr;
  QMenu* popup_ = nullptr;
  QWidget* folder_label_ = nullptr;
  FileDropTarget drops_;
  bool centred_ = false;
};

}  // namespace vidloom::gui
