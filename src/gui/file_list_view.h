// The file list widget over the model's FileList: check box per row, grid lines, whole-row
// single selection kept visible without focus, no editing, and a context menu that opens only
// while ListView::popup_enabled is set. The selection follows the model both ways: a user's
// click runs ListView::Select; ListView::Select and ScrollIntoView move the widget. Local files
// dragged onto the list go to its FileDropTarget; rows are never dragged.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <functional>

#include "gui/file_drops.h"
#include "gui/file_list_model.h"

namespace vidloom::gui {

class FileListView : public QTableView {
  Q_OBJECT

 public:
  FileListView(ListView& list, QWidget* parent = nullptr);

  // The menu to open on right click (not owned).
  void SetPopupMenu(QMenu* menu) { popup_ = menu; }
  FileListModel* fileModel() const { return model_; }
  // Where local files dropped on the list go (not owned; null: the list takes no drops).
  void SetFileDropTarget(FileDropTarget* target) { drops_ = target; }
  // The Delete key (the logic decides whether a row goes).
  std::function<void()> on_delete_key;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ApplyModelSelection();
  void OnViewSelection();
  void OnContextMenu(const QPoint& pos);

  ListView& list_;
  FileListModel* model_;
  QPointer<QMenu> popup_;
  FileDropTarget* drops_ = nullptr;
  bool applying_ = false;  // the widget is being moved to the model's state
};

}  // namespace vidloom::gui
