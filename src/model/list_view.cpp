#include "model/list_view.h"

namespace vidloom {

void ListView::Emit(Change change, int row) {
  if (update_depth_ > 0) {
    update_dirty_ = true;
    return;
  }
  for (const auto& l : row_listeners_) l(change, row);
}

int ListView::AddRow(FileEntry entry) {
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

void ListView::SetCell(int index, int cell, std::string text) {
  auto& c = rows_.at(index).cells.at(cell);
  if (c == text) return;
  c = std::move(text);
  Emit(Change::kRowChanged, index);
}

void ListView::SetReason(int index, std::string reason) {
  auto& r = rows_.at(index).reason;
  if (r == reason) return;
  r = std::move(reason);
  Emit(Change::kRowChanged, index);
}

void ListView::AppendDetails(int index, const std::vector<std::string>& lines) {
  auto& details = rows_.at(index).details;
  details.insert(details.end(), lines.begin(), lines.end());
  if (details.size() > kMaxDetailLines) {
    details.erase(details.begin(),
                  details.begin() + static_cast<std::ptrdiff_t>(details.size() - kMaxDetailLines));
  }
}

void ListView::ClearDetails(int index) {
  rows_.at(index).details.clear();
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
