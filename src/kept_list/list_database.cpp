#include "kept_list/list_database.h"

#include <sqlite3.h>

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/filesystem.h"
#include "texts/language.h"

namespace vidloom::kept_list {
namespace {

// "VLst": a database of another program is never taken for ours.
constexpr int kApplicationId = 0x564C7374;
constexpr int kSchemaVersion = 1;

constexpr const char* kSchema =
    "CREATE TABLE lists(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " format INTEGER NOT NULL DEFAULT -1, batch_running INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE rows(list INTEGER NOT NULL, row INTEGER NOT NULL, checked INTEGER NOT NULL,"
    " input_path TEXT NOT NULL, source_folder TEXT NOT NULL, size_text TEXT NOT NULL,"
    " rate_text TEXT NOT NULL, duration_text TEXT NOT NULL, display_size TEXT NOT NULL,"
    " output_extension TEXT NOT NULL, state TEXT NOT NULL, percent INTEGER, frames INTEGER,"
    " output_kb INTEGER, reason TEXT NOT NULL, output_path TEXT NOT NULL,"
    " given_outputs BLOB NOT NULL, output_written INTEGER NOT NULL, output_bytes INTEGER,"
    " thumbnail_path TEXT NOT NULL, notes BLOB NOT NULL, PRIMARY KEY(list, row)) WITHOUT ROWID;";

enum StatementIndex {
  kUpsertRow,
  kDeleteRow,
  kUpdateFacts,
  kStatementCount,
};

// Texts joined with NUL, which no path and no note holds.
std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i != 0) joined.push_back('\0');
    joined += texts[i];
  }
  return joined;
}

std::vector<std::string> Split(std::string_view joined) {
  std::vector<std::string> texts;
  if (joined.empty()) return texts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = joined.find('\0', start);
    texts.emplace_back(joined.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return texts;
}

RowState StateNamed(std::string_view name) {
  for (RowState state :
       {RowState::kWaiting, RowState::kConverting, RowState::kRetrying, RowState::kThumbnail,
        RowState::kDone, RowState::kFailed, RowState::kAborted, RowState::kSkipped}) {
    if (RowStateName(state) == name) return state;
  }
  return RowState::kWaiting;
}

std::string Column(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_blob(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size);
}

std::optional<std::int64_t> OptionalColumn(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(statement, column);
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void BindBlob(sqlite3_stmt* statement, int index, const std::string& bytes) {
  sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                    SQLITE_TRANSIENT);
}

void BindOptional(sqlite3_stmt* statement, int index, std::optional<std::int64_t> value) {
  if (value) {
    sqlite3_bind_int64(statement, index, *value);
  } else {
    sqlite3_bind_null(statement, index);
  }
}

// One integer a pragma or a query gives; none when it fails.
std::optional<std::int64_t> QueryInteger(sqlite3* db, const char* sql, int* code) {
  sqlite3_stmt* statement = nullptr;
  *code = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  std::optional<std::int64_t> value;
  if (*code == SQLITE_OK) {
    *code = sqlite3_step(statement);
    if (*code == SQLITE_ROW) {
      value = sqlite3_column_int64(statement, 0);
      *code = SQLITE_OK;
    }
  }
  sqlite3_finalize(statement);
  return value;
}

// Whether the file at `db` can be read as a list of ours; `why` says what is wrong, and `busy`
// whether another program held it past the wait. A new or empty database is one (no tables yet).
bool ReadableAsOurs(sqlite3* db, std::string* why, bool* empty, bool* busy) {
  int code = SQLITE_OK;
  const auto tables = QueryInteger(db, "SELECT count(*) FROM sqlite_master", &code);
  if (!tables) {
    *why = sqlite3_errstr(code);
    *busy = (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
    return false;
  }
  *empty = *tables == 0;
  if (*empty) return true;
  const auto id = QueryInteger(db, "PRAGMA application_id", &code);
  const auto version = QueryInteger(db, "PRAGMA user_version", &code);
  if (!id || *id != kApplicationId) {
    *why = "it is not a list of Vidloom";
    return false;
  }
  if (!version || *version != kSchemaVersion) {
    *why = "it was written by another version of Vidloom";
    return false;
  }
  sqlite3_stmt* check = nullptr;
  std::string verdict;
  if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
      sqlite3_step(check) == SQLITE_ROW) {
    verdict = Column(check, 0);
  } else {
    verdict = sqlite3_errmsg(db);
  }
  sqlite3_finalize(check);
  if (verdict != "ok") {
    *why = verdict;
    return false;
  }
  // The tables this version reads, with their columns.
  const auto columns = QueryInteger(
      db, "SELECT count(*) FROM pragma_table_info('rows') WHERE name IN ('list','row','state')",
      &code);
  if (!columns || *columns != 3) {
    *why = "it is not a list of Vidloom";
    return false;
  }
  return true;
}

// A free name beside `path` for a damaged file: "<path>.damaged", "<path>.damaged-2", ...
std::string SetAsideName(const std::string& path) {
  std::string name = path + kSetAsideSuffix;
  for (int n = 2; platform::PathExists(name); ++n) {
    name = path + kSetAsideSuffix + "-" + std::to_string(n);
  }
  return name;
}

bool Rename(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(platform::FsPath(from), platform::FsPath(to), error);
  return !error;
}

sqlite3* OpenFile(const std::string& path, int* code) {
  sqlite3* db = nullptr;
  *code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (*code != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyWaitMs);
  sqlite3_extended_result_codes(db, 1);
  return db;
}

// Makes the schema in a new database; false with `why` when the file cannot be written.
bool MakeSchema(sqlite3* db, std::string* why) {
  const std::string sql = "BEGIN IMMEDIATE;" + std::string(kSchema) +
                          "PRAGMA application_id=" + std::to_string(kApplicationId) +
                          ";PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";COMMIT;";
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return true;
  *why = error ? error : sqlite3_errmsg(db);
  sqlite3_free(error);
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

// Whether the database can be written: an empty immediate transaction takes the write lock.
bool Writable(sqlite3* db, std::string* why) {
  if (sqlite3_exec(db, "BEGIN IMMEDIATE; COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK) {
    return true;
  }
  *why = sqlite3_errmsg(db);
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

}  // namespace

ListDatabase::Opened ListDatabase::Open(const std::string& path) {
  Opened opened;
  std::error_code error;
  std::filesystem::create_directories(platform::FsPath(platform::ParentDirectory(path)), error);
  int code = SQLITE_OK;
  sqlite3* db = OpenFile(path, &code);
  if (db == nullptr) {
    opened.why = sqlite3_errstr(code);
    return opened;
  }
  // Every commit reaches the disk before the call returns: a power cut loses at most the change
  // in hand, never the file.
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  bool empty = false;
  bool busy = false;
  std::string why;
  if (!ReadableAsOurs(db, &why, &empty, &busy)) {
    sqlite3_close(db);
    // A busy database is another program's, not a damaged one: it is left alone.
    if (busy) {
      opened.why = why;
      return opened;
    }
    const std::string aside = SetAsideName(path);
    if (!Rename(path, aside)) {
      opened.why = why;
      return opened;
    }
    // Its rollback journal belongs to it, not to the new database.
    if (platform::PathExists(path + "-journal")) Rename(path + "-journal", aside + "-journal");
    opened.outcome = Outcome::kSetAside;
    opened.set_aside_as = aside;
    opened.why = why;
    db = OpenFile(path, &code);
    if (db == nullptr) {
      opened.outcome = Outcome::kUnavailable;
      opened.why = sqlite3_errstr(code);
      return opened;
    }
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    empty = true;
  }
  if (empty ? !MakeSchema(db, &why) : !Writable(db, &why)) {
    sqlite3_close(db);
    opened.outcome = Outcome::kUnavailable;
    opened.why = why;
    return opened;
  }
  auto database = std::unique_ptr<ListDatabase>(new ListDatabase(db, path));
  if (!database->owners_.Open(path + kOwnersSuffix, &why)) {
    opened.outcome = Outcome::kUnavailable;
    opened.why = why;
    return opened;
  }
  if (opened.outcome != Outcome::kSetAside) opened.outcome = Outcome::kOpened;
  opened.database = std::move(database);
  return opened;
}

ListDatabase::ListDatabase(sqlite3* db, std::string path)
    : db_(db), path_(std::move(path)), statements_(kStatementCount, nullptr) {}

ListDatabase::~ListDatabase() {
  for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  sqlite3_close(db_);
}

void ListDatabase::Fail() {
  last_error_ = sqlite3_errmsg(db_);
}

void ListDatabase::Rollback() {
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool ListDatabase::Exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  Fail();
  return false;
}

sqlite3_stmt* ListDatabase::Statement(int index, const char* sql) {
  sqlite3_stmt*& statement = statements_[index];
  if (statement == nullptr && sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    Fail();
    return nullptr;
  }
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return statement;
}

bool ListDatabase::Begin() {
  if (own_ != 0) return true;
  if (!Exec("BEGIN IMMEDIATE")) return false;
  // The new list is locked before others can see it, so that none takes it for a left one.
  if (!Exec("INSERT INTO lists DEFAULT VALUES")) {
    Rollback();
    return false;
  }
  const std::int64_t list = sqlite3_last_insert_rowid(db_);
  if (!owners_.TryLock(static_cast<std::uint64_t>(list))) {
    last_error_ = "its lock could not be taken";
    Rollback();
    return false;
  }
  if (!Exec("COMMIT")) {
    Rollback();
    owners_.Unlock(static_cast<std::uint64_t>(list));
    return false;
  }
  own_ = list;
  return true;
}

std::optional<KeptList> ListDatabase::ClaimLeftList() {
  if (claimed_ != 0) return std::nullopt;
  // One transaction, so that no list is begun or claimed by another program meanwhile.
  if (!Exec("BEGIN IMMEDIATE")) return std::nullopt;
  std::vector<std::pair<std::int64_t, ListFacts>> lists;
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT id, format, batch_running FROM lists ORDER BY id DESC", -1,
                         &query, nullptr) == SQLITE_OK) {
    while (sqlite3_step(query) == SQLITE_ROW) {
      lists.push_back({sqlite3_column_int64(query, 0),
                       {static_cast<int>(sqlite3_column_int64(query, 1)),
                        sqlite3_column_int64(query, 2) != 0}});
    }
  }
  sqlite3_finalize(query);
  std::optional<KeptList> left;
  for (const auto& [list, facts] : lists) {
    if (list == own_ || !owners_.TryLock(static_cast<std::uint64_t>(list))) continue;
    std::vector<KeptRow> rows = ReadRows(list);
    if (rows.empty()) {
      DropList(list);
      owners_.Unlock(static_cast<std::uint64_t>(list));
      continue;
    }
    claimed_ = list;
    left = KeptList{facts, std::move(rows)};
    break;
  }
  if (!Exec("COMMIT")) Rollback();
  return left;
}

bool ListDatabase::DiscardClaimed() {
  return RemoveHeldList(claimed_);
}

bool ListDatabase::RemoveHeldList(std::int64_t& list) {
  if (list == 0) return true;
  if (!Exec("BEGIN IMMEDIATE")) return false;
  if (!DropList(list) || !Exec("COMMIT")) {
    Rollback();
    return false;
  }
  owners_.Unlock(static_cast<std::uint64_t>(list));
  list = 0;
  return true;
}

bool ListDatabase::DropList(std::int64_t list) {
  const std::string sql = "DELETE FROM rows WHERE list=" + std::to_string(list) +
                          ";DELETE FROM lists WHERE id=" + std::to_string(list) + ";";
  return Exec(sql.c_str());
}

std::vector<KeptRow> ListDatabase::ReadRows(std::int64_t list) {
  std::vector<KeptRow> rows;
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(
          db_,
          "SELECT checked, input_path, source_folder, size_text, rate_text, duration_text,"
          " display_size, output_extension, state, percent, frames, output_kb, reason,"
          " output_path, given_outputs, output_written, output_bytes, thumbnail_path, notes, row"
          " FROM rows WHERE list=? ORDER BY row",
          -1, &query, nullptr) != SQLITE_OK) {
    Fail();
    return rows;
  }
  sqlite3_bind_int64(query, 1, list);
  while (sqlite3_step(query) == SQLITE_ROW) {
    KeptRow row;
    FileEntry& entry = row.entry;
    entry.checked = sqlite3_column_int64(query, 0) != 0;
    entry.input_path = Column(query, 1);
    entry.source_folder = Column(query, 2);
    entry.media =
        MediaFacts::Of(Column(query, 3), Column(query, 4), Column(query, 5), Column(query, 6));
    entry.output_extension = Column(query, 7);
    entry.state = StateNamed(Column(query, 8));
    entry.percent = OptionalColumn(query, 9);
    entry.frames = OptionalColumn(query, 10);
    entry.output_kb = OptionalColumn(query, 11);
    entry.reason = Column(query, 12);
    entry.output_path = Column(query, 13);
    entry.given_outputs = Split(Column(query, 14));
    entry.output_written = sqlite3_column_int64(query, 15) != 0;
    if (const auto bytes = OptionalColumn(query, 16); bytes && *bytes >= 0) {
      row.output_bytes = static_cast<std::uint64_t>(*bytes);
    }
    entry.thumbnail_path = Column(query, 17);
    entry.notes = Split(Column(query, 18));
    entry.id = static_cast<RowId>(sqlite3_column_int64(query, 19));
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(query);
  return rows;
}

bool ListDatabase::WriteRow(const KeptRow& row) {
  sqlite3_stmt* upsert = Statement(
      kUpsertRow,
      "INSERT OR REPLACE INTO rows VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13,"
      " ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21)");
  if (upsert == nullptr) return false;
  const FileEntry& entry = row.entry;
  sqlite3_bind_int64(upsert, 1, own_);
  sqlite3_bind_int64(upsert, 2, static_cast<std::int64_t>(entry.id));
  sqlite3_bind_int(upsert, 3, entry.checked ? 1 : 0);
  BindText(upsert, 4, entry.input_path);
  BindText(upsert, 5, entry.source_folder);
  BindText(upsert, 6, entry.media.size_text);
  BindText(upsert, 7, entry.media.rate_text);
  BindText(upsert, 8, entry.media.duration_text);
  BindText(upsert, 9, entry.media.display_size);
  BindText(upsert, 10, entry.output_extension);
  BindText(upsert, 11, std::string(RowStateName(entry.state)));
  BindOptional(upsert, 12, entry.percent);
  BindOptional(upsert, 13, entry.frames);
  BindOptional(upsert, 14, entry.output_kb);
  BindText(upsert, 15, entry.reason);
  BindText(upsert, 16, entry.output_path);
  BindBlob(upsert, 17, Joined(entry.given_outputs));
  sqlite3_bind_int(upsert, 18, entry.output_written ? 1 : 0);
  BindOptional(upsert, 19,
               row.output_bytes ? std::optional<std::int64_t>(*row.output_bytes) : std::nullopt);
  BindText(upsert, 20, entry.thumbnail_path);
  BindBlob(upsert, 21, Joined(entry.notes));
  if (sqlite3_step(upsert) == SQLITE_DONE) return true;
  Fail();
  return false;
}

bool ListDatabase::Write(const ListChanges& changes) {
  if (own_ == 0) return false;
  if (!Exec("BEGIN IMMEDIATE")) return false;
  bool written = true;
  sqlite3_stmt* facts =
      Statement(kUpdateFacts, "UPDATE lists SET format=?1, batch_running=?2 WHERE id=?3");
  if (facts == nullptr) {
    written = false;
  } else {
    sqlite3_bind_int(facts, 1, changes.facts.format_index);
    sqlite3_bind_int(facts, 2, changes.facts.batch_running ? 1 : 0);
    sqlite3_bind_int64(facts, 3, own_);
    if (sqlite3_step(facts) != SQLITE_DONE) {
      Fail();
      written = false;
    }
  }
  for (const KeptRow& row : changes.rows) {
    if (!written) break;
    written = WriteRow(row);
  }
  for (RowId id : changes.removed) {
    if (!written) break;
    sqlite3_stmt* remove = Statement(kDeleteRow, "DELETE FROM rows WHERE list=?1 AND row=?2");
    if (remove == nullptr) {
      written = false;
      break;
    }
    sqlite3_bind_int64(remove, 1, own_);
    sqlite3_bind_int64(remove, 2, static_cast<std::int64_t>(id));
    if (sqlite3_step(remove) != SQLITE_DONE) {
      Fail();
      written = false;
    }
  }
  const bool adopt = changes.adopt_claimed && claimed_ != 0;
  if (written && adopt) written = DropList(claimed_);
  if (!written || !Exec("COMMIT")) {
    Rollback();
    return false;
  }
  if (adopt) {
    owners_.Unlock(static_cast<std::uint64_t>(claimed_));
    claimed_ = 0;
  }
  return true;
}

bool ListDatabase::Forget() {
  return RemoveHeldList(own_);
}

FileEntry RestoredEntry(
    const KeptRow& row, bool batch_running,
    const std::function<std::optional<std::uint64_t>(const std::string&)>& file_size) {
  FileEntry entry = row.entry;
  entry.id = 0;
  entry.details.clear();
  const auto size = entry.output_path.empty() ? std::nullopt : file_size(entry.output_path);
  const bool there = size.has_value();
  const std::uint64_t bytes = size.value_or(0);
  switch (entry.state) {
    case RowState::kConverting:
    case RowState::kRetrying:
    case RowState::kThumbnail:
      entry.state = RowState::kAborted;
      entry.percent.reset();
      entry.output_written = bytes > 0;
      entry.output_kb = there ? std::optional<std::int64_t>((bytes + 1023) / 1024) : std::nullopt;
      entry.reason = texts::Tr(kEndedDuringConversion);
      if (entry.output_written) entry.reason += texts::Tr(kPartialOutput) + entry.output_path;
      break;
    case RowState::kDone:
      // Done only with the whole output: there, of the size it had when it was converted.
      if (!there || (row.output_bytes ? bytes != *row.output_bytes : bytes == 0)) {
        entry.state = RowState::kFailed;
        entry.output_written = bytes > 0;
        entry.reason = !there ? "its output " + entry.output_path + " is gone"
                              : "its output " + entry.output_path + " has changed since";
      }
      break;
    case RowState::kWaiting:
      if (batch_running && entry.checked) {
        entry.state = RowState::kSkipped;
        entry.reason = texts::Tr(kEndedBeforeItsTurn);
      }
      break;
    default:
      break;
  }
  return entry;
}

std::string RestoreQuestion(std::size_t files, std::size_t converted) {
  return texts::Fill(
      files == 1 ? texts::Tr("Vidloom was not closed properly. Restore the list of the last "
                             "session: %s file, %s converted?")
                 : texts::Tr("Vidloom was not closed properly. Restore the list of the last "
                             "session: %s files, %s converted?"),
      {std::to_string(files), std::to_string(converted)});
}

}  // namespace vidloom::kept_list
