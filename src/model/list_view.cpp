#include "model/list_view.h"

#include <algorithm>

namespace vidloom {

void ListView::Emit(Change change, int row) {
  if (update_depth_ > 0) {
    update_dirty_ = true;
    return;
  }
  for (const auto& l : row_listeners_) l(change, row);
}

int ListView::AddRow(FileEntry entry) {
  entry.id = next_id_++;
  RenderCells(entry);
  rows_.push_back(std::move(entry));
  const int index = count() - 1;
  Emit(Change::kInserted, index);
  return index;
}

void ListView::RemoveRow(int index) {
  if (index < 0 || index >= count()) return;
  rows_.erase(rows_.begin() + index);
  if (selected_ == index) {
    selected_ = -1;
  } else if (selected_ > index) {
    --selected_;
  }
  Emit(Change::kRemoved, index);
}

void ListView::Clear() {
  rows_.clear();
  selected_ = -1;
  scrolled_to_ = -1;
  Emit(Change::kReset, -1);
}

void ListView::SetChecked(int index, bool checked) {
  auto& r = rows_.at(index);
  if (r.checked == checked) return;
  r.checked = checked;
  Emit(Change::kRowChanged, index);
}

int ListView::IndexOf(RowId id) const {
  // Rows are appended with growing identities and never reordered: the list is sorted by them.
  const auto it =
      std::lower_bound(rows_.begin(), rows_.end(), id,
                       [](const FileEntry& row, RowId wanted) { return row.id < wanted; });
  return it != rows_.end() && it->id == id ? static_cast<int>(it - rows_.begin()) : -1;
}

const FileEntry* ListView::Find(RowId id) const {
  const int index = IndexOf(id);
  return index < 0 ? nullptr : &rows_[static_cast<std::size_t>(index)];
}

namespace {

// What a view or a front-end shows of a row.
struct Shown {
  explicit Shown(const FileEntry& e)
      : cells(e.cells),
        checked(e.checked),
        state(e.state),
        reason(e.reason),
        output_kb(e.output_kb),
        output_path(e.output_path),
        output_written(e.output_written),
        notes(e.notes) {}
  bool operator==(const Shown&) const = default;

  std::array<std::string, kFileCellCount> cells;
  bool checked;
  RowState state;
  std::string reason;
  std::optional<std::int64_t> output_kb;
  std::string output_path;
  bool output_written;
  std::vector<std::string> notes;
};

}  // namespace

bool ListView::Update(RowId id, const std::function<void(FileEntry&)>& change) {
  const int index = IndexOf(id);
  if (index < 0) return false;
  FileEntry& row = rows_[static_cast<std::size_t>(index)];
  const Shown before(row);
  change(row);
  row.id = id;
  RenderCells(row);
  if (!(Shown(row) == before)) Emit(Change::kRowChanged, index);
  return true;
}

void ListView::Select(int index) {
  selected_ = (index >= 0 && index < count()) ? index : -1;
  Emit(Change::kSelection, selected_);
}

void ListView::ScrollIntoView(int index) {
  if (index < 0 || index >= count()) return;
  scrolled_to_ = index;
  Emit(Change::kScrolled, index);
}

void ListView::BeginUpdate() {
  ++update_depth_;
}

void ListView::EndUpdate() {
  if (update_depth_ == 0) return;
  if (--update_depth_ == 0 && update_dirty_) {
    update_dirty_ = false;
    Emit(Change::kReset, -1);
  }
}

}  // namespace vidloom
