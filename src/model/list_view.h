// The file list: report-style rows with a check box, a caption and six cells.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/controls.h"

namespace vidloom {

// Cell indexes of a FileEntry.
enum FileCell : int {
  kCellVideoSize = 0,
  kCellFrameRate = 1,
  kCellDuration = 2,
  kCellOutput = 3,
  kCellProgress = 4,
  kCellFrames = 5,
};
inline constexpr int kFileCellCount = 6;

struct FileEntry {
  bool checked = false;
  std::string caption;  // the input path
  std::array<std::string, kFileCellCount> cells;
  // The size the input is shown at, "W x H", when it differs from the stored "Video Size" (a
  // pixel aspect that is not square, a picture stored on its side); empty otherwise. The
  // letterbox keeps this shape.
  std::string display_size = {};
  // Why the row's last conversion did not end "Done" ("stopped", the encoder's error line, "the
  // file no longer exists", ...); empty otherwise.
  std::string reason = {};
  // The encoder's output of the row's last runs, each run headed by its command line; at most
  // kMaxDetailLines lines, the latest.
  std::vector<std::string> details = {};
  // The output's size so far in the row's conversion, as the status bar's size panel shows it
  // ("Output File Size : N KB"); empty before the encoder has reported one.
  std::string output_size = {};
};
inline constexpr std::size_t kMaxDetailLines = 200;

class ListView : public Control {
 public:
  enum class Change { kReset, kInserted, kRemoved, kRowChanged, kSelection, kScrolled };
  using RowListener = std::function<void(Change, int row)>;
  void SubscribeRows(RowListener listener) { row_listeners_.push_back(std::move(listener)); }

  int count() const { return static_cast<int>(rows_.size()); }
  const FileEntry& row(int index) const { return rows_.at(index); }
  const std::vector<FileEntry>& rows() const { return rows_; }

  // Appends a row; returns its index.
  int AddRow(FileEntry entry);
  void RemoveRow(int index);
  void Clear();

  void SetChecked(int index, bool checked);
  const std::string& cell(int index, int cell) const { return rows_.at(index).cells.at(cell); }
  void SetCell(int index, int cell, std::string text);
  void SetReason(int index, std::string reason);
  // Appends to the row's details, dropping its oldest lines beyond kMaxDetailLines.
  void AppendDetails(int index, const std::vector<std::string>& lines);
  void ClearDetails(int index);
  // Sends no notification of its own: the size comes with the row's progress cells, which do.
  void SetOutputSize(int index, std::string text) { rows_.at(index).output_size = std::move(text); }

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
  int selected_ = -1;
  int scrolled_to_ = -1;
  int update_depth_ = 0;
  bool update_dirty_ = false;
};

}  // namespace vidloom
