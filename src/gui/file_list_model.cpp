#include "gui/file_list_model.h"

#include <QPointer>
#include <QStringList>

#include "gui/window_style.h"
#include "model/main_window_layout.h"
#include "texts/language.h"

namespace vidloom::gui {

Qt::Alignment FileColumnAlignment(int column) {
  return column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
}

FileListModel::FileListModel(ListView& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(list.count()) {
  QPointer<FileListModel> guard(this);
  list_.SubscribeRows([guard](ListView::Change change, int row) {
    if (guard) guard->OnRows(change, row);
  });
}

void FileListModel::OnRows(ListView::Change change, int row) {
  switch (change) {
    case ListView::Change::kInserted:
      // The ListView appends one row at a time; anything else is taken as a reset.
      if (row == rows_ && list_.count() == rows_ + 1) {
        emit structureChanging();
        beginInsertRows({}, row, row);
        ++rows_;
        endInsertRows();
        emit structureChanged();
        return;
      }
      break;
    case ListView::Change::kRemoved:
      if (row >= 0 && row < rows_ && list_.count() == rows_ - 1) {
        emit structureChanging();
        beginRemoveRows({}, row, row);
        --rows_;
        endRemoveRows();
        emit structureChanged();
        return;
      }
      break;
    case ListView::Change::kRowChanged:
      if (row >= 0 && row < rows_ && rows_ == list_.count()) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
      }
      break;
    case ListView::Change::kSelection:
      emit selectionRequested(row);
      return;
    case ListView::Change::kScrolled:
      emit scrollRequested(row);
      return;
    case ListView::Change::kReset:
      break;
  }
  emit structureChanging();
  beginResetModel();
  rows_ = list_.count();
  endResetModel();
  emit structureChanged();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kFileColumns.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  // rows_ may briefly exceed the ListView's count between a removal and its notification.
  if (!index.isValid() || index.row() >= list_.count()) return {};
  const FileEntry& entry = list_.row(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return column == 0 ? Q(entry.input_path) : Q(texts::Shown(entry.cells.at(column - 1)));
    case Qt::CheckStateRole:
      if (column == 0) return static_cast<int>(entry.checked ? Qt::Checked : Qt::Unchecked);
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(FileColumnAlignment(column));
    case Qt::ToolTipRole: {
      // The whole path on the name (it may be cut in the middle there); why the row did not
      // convert and what its conversion left wherever the mouse rests on it.
      QStringList lines;
      if (column == 0) lines << Q(entry.input_path);
      if (!entry.reason.empty()) lines << Q(entry.reason);
      for (const std::string& line : OutputLines(entry)) lines << Q(line);
      if (lines.isEmpty()) return {};
      return lines.join(QLatin1Char('\n'));
    }
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(texts::Tr(kFileColumns[section].caption));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(FileColumnAlignment(section));
  return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
      index.row() >= list_.count()) {
    return false;
  }
  list_.SetChecked(index.row(), value.toInt() == Qt::Checked);
  return true;
}

}  // namespace vidloom::gui
