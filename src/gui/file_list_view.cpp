#include "gui/file_list_view.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include "gui/bind.h"
#include "model/main_window_layout.h"

namespace vidloom::gui {

FileListView::FileListView(ListView& list, QWidget* parent)
    : QTableView(parent), list_(list), model_(new FileListModel(list, this)) {
  setModel(model_);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  // A long path keeps its start and its file name; the whole path is the tooltip.
  setTextElideMode(Qt::ElideMiddle);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setAlternatingRowColors(false);

  QHeaderView* rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView* columns = horizontalHeader();
  columns->setHighlightSections(false);
  columns->setSectionsClickable(false);
  columns->setStretchLastSection(false);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  for (int c = 0; c < static_cast<int>(kFileColumns.size()); ++c) {
    setColumnWidth(c, kFileColumns[c].width);
  }

  // The selection stays as visible as with focus.
  QPalette p = palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
    p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
  }
  setPalette(p);

  BindControl(list_, this);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &FileListView::OnViewSelection);
  connect(model_, &FileListModel::selectionRequested, this, &FileListView::ApplyModelSelection);
  connect(model_, &FileListModel::scrollRequested, this, [this](int row) {
    if (row >= 0 && row < model_->rowCount()) scrollTo(model_->index(row, 0));
  });
  // Structural changes move Qt's selection by its own rules, and the ListView has already
  // moved its own: the widget's selection events are ignored meanwhile and the model's
  // selection is applied afterwards.
  connect(model_, &FileListModel::structureChanging, this, [this] { applying_ = true; });
  connect(model_, &FileListModel::structureChanged, this, [this] {
    applying_ = false;
    ApplyModelSelection();
  });

  // Files from a file manager; the list's own rows are not dragged.
  setDragEnabled(false);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &FileListView::OnContextMenu);
  ApplyModelSelection();
}

void FileListView::ApplyModelSelection() {
  if (applying_) return;
  applying_ = true;
  const int row = list_.selected();
  if (row >= 0 && row < model_->rowCount()) {
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else {
    selectionModel()->clearSelection();
  }
  applying_ = false;
}

void FileListView::OnViewSelection() {
  if (applying_) return;
  const QModelIndexList rows = selectionModel()->selectedRows();
  const int row = rows.isEmpty() ? -1 : rows.first().row();
  if (row == list_.selected()) return;
  applying_ = true;
  list_.Select(row);
  applying_ = false;
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
  if (drops_) {
    drops_->DragEnter(event);
  } else {
    event->ignore();
  }
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
  if (drops_) {
    drops_->DragMove(event);
  } else {
    event->ignore();
  }
}

void FileListView::dropEvent(QDropEvent* event) {
  if (drops_) {
    drops_->Drop(event);
  } else {
    event->ignore();
  }
}

bool FileListView::event(QEvent* event) {
  // Ctrl+Return belongs to File > Convert, not to the list's own use of Return.
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & Qt::ControlModifier)) {
      event->ignore();
      return true;
    }
  }
  return QTableView::event(event);
}

void FileListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier && on_delete_key) {
    on_delete_key();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void FileListView::OnContextMenu(const QPoint& pos) {
  if (!popup_ || !list_.popup_enabled || !isEnabled()) return;
  popup_->popup(viewport()->mapToGlobal(pos));
}

}  // namespace vidloom::gui
