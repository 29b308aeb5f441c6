// A Qt table model over the model's ListView: column 0 is the row's check box and caption
// ("Video File Name"), columns 1..6 its cells. It follows the ListView's row notifications
// one row at a time, so adding a row to a long list costs one insertion, not a reset.
#pragma once

#include <QAbstractTableModel>

#include "model/list_view.h"

namespace vidloom::gui {

// Where a column's texts stand: the file name on the left, the cells in the middle.
Qt::Alignment FileColumnAlignment(int column);

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FileListModel(ListView& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Check state of column 0 goes to ListView::SetChecked; nothing else is editable.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  ListView& list() { return list_; }

 Q_SIGNALS:
  // After the ListView's selection or scroll request changed (row: the new value, or -1).
  void selectionRequested(int row);
  void scrollRequested(int row);
  // Around every row insertion, removal or reset; structureChanging comes before any of
  // Qt's own notifications of the change.
  void structureChanging();
  void structureChanged();

 private:
  void OnRows(ListView::Change change, int row);

  ListView& list_;
  int rows_ = 0;  // the row count the view has been told about
};

}  // namespace vidloom::gui
