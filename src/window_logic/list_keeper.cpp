#include "window_logic/list_keeper.h"

#include <utility>
#include <vector>

#include "platform/filesystem.h"
#include "texts/language.h"

namespace vidloom {
namespace {

using kept_list::KeptRow;

// Whether the kept fields of two entries agree: a progress reading (percent, frames, size so
// far) or new details alone are no change worth a write.
bool SameKept(const FileEntry& a, const FileEntry& b) {
  return a.checked == b.checked && a.state == b.state && a.reason == b.reason &&
         a.output_path == b.output_path && a.output_written == b.output_written &&
         a.thumbnail_path == b.thumbnail_path && a.notes == b.notes &&
         a.given_outputs == b.given_outputs && a.output_extension == b.output_extension &&
         a.input_path == b.input_path && a.source_folder == b.source_folder &&
         a.media.size_text == b.media.size_text && a.media.rate_text == b.media.rate_text &&
         a.media.duration_text == b.media.duration_text &&
         a.media.display_size == b.media.display_size;
}

// The row as it is kept: without its details and cells, and a done row with its output's size.
KeptRow Kept(const FileEntry& entry) {
  KeptRow row;
  row.entry = entry;
  row.entry.details.clear();
  row.entry.cells = {};
  if (entry.state == RowState::kDone && !entry.output_path.empty()) {
    row.output_bytes = platform::FileSize(entry.output_path);
  }
  return row;
}

}  // namespace

ListKeeper::ListKeeper(UiThread& ui, MainForm& form, Dialogs& dialogs)
    : ui_(ui), form_(form), dialogs_(dialogs) {
  form_.FileList.SubscribeRows(
      [this, alive = std::weak_ptr<bool>(alive_)](ListView::Change change, int index) {
        if (!alive.expired()) RowsChanged(change, index);
      });
}

ListKeeper::~ListKeeper() = default;

void ListKeeper::Start(const std::string& path) {
  if (database_ != nullptr || forgotten_) return;
  auto opened = kept_list::ListDatabase::Open(path);
  using Outcome = kept_list::ListDatabase::Outcome;
  if (opened.outcome == Outcome::kUnavailable) {
    TellOnce(texts::Tr(kListNotKeptText) + path + "\n\r" + opened.why);
    return;
  }
  if (opened.outcome == Outcome::kSetAside) {
    dialogs_.ShowMessage(form_, texts::Tr(kInformationCaption),
                         texts::Tr(kListSetAsideText) + opened.set_aside_as + "\n\r" + opened.why);
  }
  database_ = std::move(opened.database);
  if (const auto left = database_->ClaimLeftList()) {
    std::size_t converted = 0;
    std::vector<FileEntry> rows;
    for (const KeptRow& row : left->rows) {
      rows.push_back(kept_list::RestoredEntry(
          row, left->facts.batch_running,
          [](const std::string& output) { return platform::FileSize(output); }));
      if (rows.back().state == RowState::kDone) ++converted;
    }
    if (dialogs_.ConfirmYesNo(form_, kept_list::RestoreQuestion(rows.size(), converted))) {
      if (!database_->Begin()) {
        TellOnce(texts::Tr(kListWriteFailedText) + database_->last_error());
        return;
      }
      restoring_ = true;
      if (left->facts.format_index >= 0) {
        form_.ComboOutputFormat.UserSelect(left->facts.format_index);
      }
      form_.FileList.BeginUpdate();
      for (FileEntry& row : rows) form_.FileList.AddRow(std::move(row));
      form_.FileList.EndUpdate();
      restoring_ = false;
      // The restored rows become this list's and the left list goes, in one transaction.
      for (const FileEntry& row : form_.FileList.rows()) pending_.insert(row.id);
      Flush(/*adopt_claimed=*/true);
      return;
    }
    database_->DiscardClaimed();
  }
  if (!database_->Begin()) TellOnce(texts::Tr(kListWriteFailedText) + database_->last_error());
}

void ListKeeper::BatchStarted() {
  batch_running_ = true;
  Flush();
}

void ListKeeper::BatchEnded() {
  batch_running_ = false;
  Flush();
}

void ListKeeper::Forget() {
  if (forgotten_) return;
  forgotten_ = true;
  if (database_ != nullptr) database_->Forget();
  database_.reset();
  written_.clear();
  pending_.clear();
}

void ListKeeper::RowsChanged(ListView::Change change, int index) {
  if (!keeping() || restoring_) return;
  const ListView& list = form_.FileList;
  switch (change) {
    case ListView::Change::kInserted:
      pending_.insert(list.row(index).id);
      break;
    case ListView::Change::kRowChanged: {
      const FileEntry& row = list.row(index);
      const auto written = written_.find(row.id);
      if (written != written_.end() && SameKept(written->second.entry, row)) return;
      pending_.insert(row.id);
      break;
    }
    case ListView::Change::kRemoved:
    case ListView::Change::kReset: {
      // Whatever changed: every row against what is written, and the written rows now gone.
      std::set<RowId> present;
      for (const FileEntry& row : list.rows()) {
        present.insert(row.id);
        const auto written = written_.find(row.id);
        if (written == written_.end() || !SameKept(written->second.entry, row)) {
          pending_.insert(row.id);
        }
      }
      for (const auto& [id, row] : written_) {
        if (!present.contains(id)) pending_.insert(id);
      }
      break;
    }
    case ListView::Change::kSelection:
    case ListView::Change::kScrolled:
      return;
  }
  if (!pending_.empty()) Flush();
}

bool ListKeeper::Flush(bool adopt_claimed) {
  if (!keeping()) return false;
  kept_list::ListChanges changes;
  changes.facts.format_index = form_.ComboOutputFormat.selected();
  changes.facts.batch_running = batch_running_;
  changes.adopt_claimed = adopt_claimed;
  for (RowId id : pending_) {
    if (const FileEntry* entry = form_.FileList.Find(id)) {
      changes.rows.push_back(Kept(*entry));
    } else if (written_.contains(id)) {
      changes.removed.push_back(id);
    }
  }
  if (!database_->Write(changes)) {
    TellOnce(texts::Tr(kListWriteFailedText) + database_->last_error());
    return false;
  }
  for (KeptRow& row : changes.rows) written_[row.entry.id] = std::move(row);
  for (RowId id : changes.removed) written_.erase(id);
  pending_.clear();
  return true;
}

void ListKeeper::TellOnce(const std::string& text) {
  if (told_) return;
  told_ = true;
  // Posted: a change is written from inside the list's notification, where no box may open.
  ui_.Post([this, alive = std::weak_ptr<bool>(alive_), text] {
    if (!alive.expired()) dialogs_.ShowMessage(form_, texts::Tr(kInformationCaption), text);
  });
}

}  // namespace vidloom
