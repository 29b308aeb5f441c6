// The window's file list kept on disk as it changes (kept_list::ListDatabase), and offered back
// at the next start when the program did not close properly. Rows are written when what they
// keep changes (added, ticked, a new state, reason, notes or output; removed), never for a
// progress reading. UI thread only.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "kept_list/list_database.h"
#include "model/dialogs.h"
#include "model/forms.h"
#include "model/ui_thread.h"
#include "texts/language.h"

namespace vidloom {

// Said once, at start-up, when the list cannot be kept; then the reason.
inline constexpr const char* kListNotKeptText =
    N_("The file list will not be kept for a restore after a crash: ");
// Said once, at start-up, when the kept lists' file could not be read: "...set aside as
// <new name>", then the reason on a line of its own.
inline constexpr const char* kListSetAsideText =
    N_("The file list of the last session could not be read. The damaged file was set aside as ");
// Said once when a write fails later (a full disk, a file another program locks); then why.
inline constexpr const char* kListWriteFailedText =
    N_("The file list could not be written for a restore after a crash: ");

class ListKeeper {
 public:
  ListKeeper(UiThread& ui, MainForm& form, Dialogs& dialogs);
  ~ListKeeper();
  ListKeeper(const ListKeeper&) = delete;
  ListKeeper& operator=(const ListKeeper&) = delete;

  // Opens the kept lists at `path` (telling the user once when that file was set aside or no
  // list can be kept), offers the list a program left without closing properly (Yes: its rows
  // come back before anything else is added; No: it is removed), then keeps this list.
  void Start(const std::string& path);
  // The batch's start and end: a list left during a batch says which rows it did not reach.
  void BatchStarted();
  void BatchEnded();
  // A clean exit: the kept list is removed and nothing more is written.
  void Forget();

  bool keeping() const { return database_ != nullptr && !forgotten_; }

 private:
  void RowsChanged(ListView::Change change, int index);
  void Restore(const kept_list::KeptList& left);
  bool Flush(bool adopt_claimed = false);
  void TellOnce(const std::string& text);

  UiThread& ui_;
  MainForm& form_;
  Dialogs& dialogs_;
  std::unique_ptr<kept_list::ListDatabase> database_;
  std::map<RowId, kept_list::KeptRow> written_;  // what the database holds of each row
  std::set<RowId> pending_;                      // rows to write (again)
  bool batch_running_ = false;
  bool restoring_ = false;
  bool forgotten_ = false;
  bool told_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vidloom
