// The file list kept on disk while the window runs, so that a crash, a kill or a power cut costs
// only the file in hand: an SQLite database beside the settings file, holding one list per
// running window. Each window's list is held by a lock that the system drops when the window's
// program ends, however it ends; a list that is still in the file and whose lock is free was
// left by a program that did not close properly, and is offered back at the next start.
//
//   auto opened = ListDatabase::Open(dir + kListFileName);
//   if (auto left = opened.database->ClaimLeftList()) { ... AdoptClaimed or DiscardClaimed }
//   opened.database->Begin();
//   opened.database->Write(changes);          // at each change of a row's state
//   opened.database->Forget();                // a clean exit: nothing is left to restore
//
// UI thread only; every call is bounded (a database another program holds is waited for at most
// kBusyWaitMs).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/owner_locks.h"
#include "rows/file_entry.h"
#include "texts/language.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vidloom::kept_list {

inline constexpr const char* kListFileName = "vidloom-list.db";
// Beside the database: the lock file of the lists' owners.
inline constexpr const char* kOwnersSuffix = "-owners";
// What a database that could not be read is renamed to, beside itself ("vidloom-list.db.damaged").
inline constexpr const char* kSetAsideSuffix = ".damaged";
inline constexpr int kBusyWaitMs = 2000;

// A row as kept: the entry's lasting fields (not its details, not its cells) and, for a done
// row, the size its output had.
struct KeptRow {
  FileEntry entry;
  std::optional<std::uint64_t> output_bytes;
};

// What the list says beside its rows.
struct ListFacts {
  int format_index = -1;       // the output format list's selected position
  bool batch_running = false;  // a batch had started and not yet ended
};

struct KeptList {
  ListFacts facts;
  std::vector<KeptRow> rows;  // in list order
};

// One write: the rows that changed (their whole kept state) and the rows removed since the last.
struct ListChanges {
  ListFacts facts;
  std::vector<KeptRow> rows;
  std::vector<RowId> removed;
  // The list claimed by ClaimLeftList goes in the same transaction: its rows are now this one's.
  bool adopt_claimed = false;
};

class ListDatabase {
 public:
  enum class Outcome {
    kOpened,
    kSetAside,     // the file could not be read, or is no list of ours: renamed, a new one made
    kUnavailable,  // no list can be kept (a folder that cannot be written): `why` says why
  };
  struct Opened {
    std::unique_ptr<ListDatabase> database;  // null when kUnavailable
    Outcome outcome = Outcome::kUnavailable;
    std::string set_aside_as;  // kSetAside: the damaged file's new name
    std::string why;           // kSetAside, kUnavailable: what was wrong
  };
  // Opens the database at `path`, creating it (and its folder) when missing.
  static Opened Open(const std::string& path);

  ~ListDatabase();
  ListDatabase(const ListDatabase&) = delete;
  ListDatabase& operator=(const ListDatabase&) = delete;

  // The newest list with rows that a program left without a clean exit and that no running
  // program holds. It stays claimed (no other window is offered it) until AdoptClaimed,
  // DiscardClaimed or the end of this object. Lists without rows that were left are removed.
  std::optional<KeptList> ClaimLeftList();
  // Removes the claimed list.
  bool DiscardClaimed();

  // Starts this program's own list, empty. False when it could not be written.
  bool Begin();
  // Writes `changes` into the own list in one transaction. False when it could not be written
  // (nothing of it was); the caller writes the same rows again with the next change.
  bool Write(const ListChanges& changes);
  // A clean exit: the own list is removed, nothing is left to restore. Later writes do nothing.
  bool Forget();

  // The last failure's words ("database is locked", "disk I/O error", ...).
  const std::string& last_error() const { return last_error_; }
  const std::string& path() const { return path_; }

 private:
  ListDatabase(sqlite3* db, std::string path);
  bool Exec(const char* sql);
  sqlite3_stmt* Statement(int index, const char* sql);
  bool WriteRow(const KeptRow& row);
  bool DropList(std::int64_t list);
  // Removes `list`, held by this object, in a transaction of its own; then lets it go (0).
  bool RemoveHeldList(std::int64_t& list);
  std::vector<KeptRow> ReadRows(std::int64_t list);
  void Fail();
  void Rollback();

  sqlite3* db_;
  std::string path_;
  std::string last_error_;
  platform::OwnerLocks owners_;
  std::int64_t own_ = 0;      // this program's list; 0 before Begin and after Forget
  std::int64_t claimed_ = 0;  // the list ClaimLeftList claimed; 0: none
  std::vector<sqlite3_stmt*> statements_;
};

// A kept row as the restored list shows it. A row whose conversion the program's end cut off
// says so, naming its partial output; a done row stays done only while its output is there with
// the size it had (`file_size` reads it); a waiting ticked row of a running batch says that the
// batch ended before its turn. The identity is left for the list to give.
FileEntry RestoredEntry(
    const KeptRow& row, bool batch_running,
    const std::function<std::optional<std::uint64_t>(const std::string&)>& file_size);

// The question offered at start-up: "... 300 files, 212 converted?"
std::string RestoreQuestion(std::size_t files, std::size_t converted);
// The reasons a restored row gives.
inline constexpr const char* kEndedDuringConversion = N_("Vidloom ended during its conversion");
inline constexpr const char* kPartialOutput = N_("; partial output: ");
inline constexpr const char* kEndedBeforeItsTurn = N_("Vidloom ended before its turn");

}  // namespace vidloom::kept_list
