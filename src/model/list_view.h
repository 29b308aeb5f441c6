// The file list: report-style rows with a check box, a caption and six cells.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/controls.h"
#include "rows/file_entry.h"

namespace vidloom {

class ListView : public Control {
 public:
  enum class Change { kReset, kInserted, kRemoved, kRowChanged, kSelection, kScrolled };
  using RowListener = std::function<void(Change, int row)>;
  void SubscribeRows(RowListener listener) { row_listeners_.push_back(std::move(listener)); }

  int count() const { return static_cast<int>(rows_.size()); }
  const FileEntry& row(int index) const { return rows_.at(index); }
  const std::vector<FileEntry>& rows() const { return rows_; }

  // Appends a row with a new identity and its cells rendered; returns its index.
  int AddRow(FileEntry entry);
  void RemoveRow(int index);
  void Clear();

  // The index of the row `id`, or -1 when it is gone; the row itself, or null.
  int IndexOf(RowId id) const;
  const FileEntry* Find(RowId id) const;

  void SetChecked(int index, bool checked);
  const std::string& cell(int index, int cell) const { return rows_.at(index).cells.at(cell); }
  // Changes the record of row `id` through `change` and renders its cells again; the listeners
  // hear of it when anything shown changed (cells, check box, state, reason, output). False,
  // and nothing done, when the row is gone. The identity cannot be changed.
  bool Update(RowId id, const std::function<void(FileEntry&)>& change);

  int selected() const { return selected_; }  // -1: none
  void Select(int index);

  // The row the view should scroll into sight; -1 when none was asked for.
  int scrolled_to() const { return scrolled_to_; }
  void ScrollIntoView(int index);

  // Suspends row notifications while many rows change; EndUpdate() sends one kReset.
  void BeginUpdate();
  void EndUpdate();

  // Whether the context menu opens on right click.
  bool popup_enabled = true;

 private:
  void Emit(Change change, int row);
  std::vector<FileEntry> rows_;
  std::vector<RowListener> row_listeners_;
  RowId next_id_ = 1;
  int selected_ = -1;
  int scrolled_to_ = -1;
  int update_depth_ = 0;
  bool update_dirty_ = false;
};

}  // namespace vidloom
