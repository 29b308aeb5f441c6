// The file list kept on disk: rows written and read back whole, the lists of programs still
// running never offered, a left list claimed by one start only (two windows of separate
// programs: tests/gui/desktop_test.cpp), clean exits leaving nothing,
// damaged, truncated and foreign files set aside, a folder that cannot be written, and how the
// restored rows read.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "kept_list/list_database.h"
#include "support/temp_dir.h"

namespace vidloom::kept_list {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;
using Outcome = ListDatabase::Outcome;

std::unique_ptr<ListDatabase> OpenAt(const std::string& path) {
  auto opened = ListDatabase::Open(path);
  EXPECT_EQ(opened.outcome, Outcome::kOpened) << opened.why;
  return std::move(opened.database);
}

KeptRow Row(RowId id, const std::string& name, RowState state) {
  KeptRow row;
  row.entry.id = id;
  row.entry.checked = true;
  row.entry.input_path = "/media/" + name + ".avi";
  row.entry.media = MediaFacts::Of("640 x 480", "29.97", "00:01:30", "853 x 480");
  row.entry.output_extension = "MP4";
  row.entry.state = state;
  return row;
}

// A list of three rows in every kind of field, written as one change.
ListChanges ThreeRows() {
  ListChanges changes;
  changes.facts = {.format_index = 5, .batch_running = true};
  KeptRow done = Row(1, "done", RowState::kDone);
  done.entry.output_path = "/out/done.mp4";
  done.entry.given_outputs = {"/out/done.mp4", "/out/done.THM"};
  done.entry.output_written = true;
  done.entry.frames = 2700;
  done.entry.output_kb = 4321;
  done.entry.percent = 100;
  done.entry.thumbnail_path = "/out/done.THM";
  done.entry.notes = {"48000 Hz: MP3 has no 96000 Hz", "stereo"};
  done.output_bytes = 4424704;
  KeptRow failed = Row(2, "failed", RowState::kFailed);
  failed.entry.reason = "Invalid data found when processing input";
  failed.entry.checked = false;
  failed.entry.source_folder = "/media";
  KeptRow waiting = Row(3, "waiting", RowState::kWaiting);
  changes.rows = {done, failed, waiting};
  return changes;
}

TEST(ListDatabase, ALeftListComesBackWholeAndOnlyOnce) {
  TempDir dir;
  const std::string path = dir / kListFileName;
  {
    auto first = OpenAt(path);
    ASSERT_TRUE(first->Begin());
    ASSERT_TRUE(first->Write(ThreeRows()));
    // A removal and a later state: what the list says last is kept.
    ListChanges later;
    later.facts = {.format_index = 5, .batch_running = true};
    later.rows = {Row(3, "waiting", RowState::kConverting)};
    later.rows[0].entry.output_path = "/out/waiting.mp4";
    ASSERT_TRUE(first->Write(later));
    // Destroyed without Forget: the program ended without a clean exit.
  }
  auto second = OpenAt(path);
  const auto left = second->ClaimLeftList();
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->facts.format_index, 5);
  EXPECT_TRUE(left->facts.batch_running);
  ASSERT_EQ(left->rows.size(), 3u);
  const FileEntry& done = left->rows[0].entry;
  const ListChanges written = ThreeRows();
  const FileEntry& expected = written.rows[0].entry;
  EXPECT_EQ(done.input_path, expected.input_path);
  EXPECT_EQ(done.state, RowState::kDone);
  EXPECT_EQ(done.media.size_text, "640 x 480");
  EXPECT_EQ(done.media.shown_width, 853) << "the numbers are read again from the texts";
  EXPECT_EQ(done.media.duration_seconds, 90.0);
  EXPECT_EQ(done.given_outputs, expected.given_outputs);
  EXPECT_EQ(done.notes, expected.notes);
  EXPECT_EQ(done.frames, 2700);
  EXPECT_EQ(done.output_kb, 4321);
  EXPECT_EQ(done.thumbnail_path, expected.thumbnail_path);
  EXPECT_TRUE(done.output_written);
  EXPECT_EQ(left->rows[0].output_bytes, 4424704u);
  EXPECT_EQ(left->rows[1].entry.reason, "Invalid data found when processing input");
  EXPECT_FALSE(left->rows[1].entry.checked);
  EXPECT_EQ(left->rows[1].entry.source_folder, "/media");
  EXPECT_EQ(left->rows[1].output_bytes, std::nullopt);
  EXPECT_EQ(left->rows[2].entry.state, RowState::kConverting);
  EXPECT_EQ(left->rows[2].entry.output_path, "/out/waiting.mp4");

  // While this start holds its claim, a third start is not offered the same list.
  auto third = OpenAt(path);
  EXPECT_FALSE(third->ClaimLeftList().has_value());
  // Adopted: the rows are the second start's own, and the left list is gone.
  ASSERT_TRUE(second->Begin());
  ListChanges adopt;
  adopt.rows = left->rows;
  adopt.adopt_claimed = true;
  ASSERT_TRUE(second->Write(adopt));
  EXPECT_FALSE(third->ClaimLeftList().has_value()) << "the second start is alive";
  second.reset();
  const auto again = third->ClaimLeftList();
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->rows.size(), 3u) << "one list, not two";
}

TEST(ListDatabase, ACleanExitOrADiscardLeavesNothingToRestore) {
  TempDir dir;
  const std::string path = dir / kListFileName;
  {
    auto clean = OpenAt(path);
    ASSERT_TRUE(clean->Begin());
    ASSERT_TRUE(clean->Write(ThreeRows()));
    ASSERT_TRUE(clean->Forget());
    EXPECT_FALSE(clean->Write(ThreeRows())) << "nothing is written after a clean exit";
  }
  EXPECT_FALSE(OpenAt(path)->ClaimLeftList().has_value());
  {
    auto crashed = OpenAt(path);
    ASSERT_TRUE(crashed->Begin());
    ASSERT_TRUE(crashed->Write(ThreeRows()));
  }
  {
    auto declined = OpenAt(path);
    ASSERT_TRUE(declined->ClaimLeftList().has_value());
    ASSERT_TRUE(declined->DiscardClaimed());
  }
  // A list left without rows is not offered (and goes).
  { ASSERT_TRUE(OpenAt(path)->Begin()); }
  EXPECT_FALSE(OpenAt(path)->ClaimLeftList().has_value());
}

// Files that are no list of ours: each is renamed beside itself, untouched, and a new list works.
TEST(ListDatabase, DamagedTruncatedRandomAndForeignFilesAreSetAside) {
  TempDir dir;
  const std::string good = dir / "good.db";
  {
    auto database = OpenAt(good);
    ASSERT_TRUE(database->Begin());
    ListChanges many;
    for (RowId id = 1; id <= 200; ++id) many.rows.push_back(Row(id, "row", RowState::kDone));
    ASSERT_TRUE(database->Write(many));
  }
  const std::string whole = ReadTextFile(good);
  ASSERT_GT(whole.size(), 8192u);
  std::mt19937 random(7);
  std::string noise(16384, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string scribbled = whole;  // pages after the first overwritten
  for (std::size_t i = 4096; i < scribbled.size(); ++i) scribbled[i] = static_cast<char>(random());

  struct Case {
    const char* name;
    std::string bytes;  // empty: made by `make`
    std::function<void(const std::string&)> make = {};
  };
  const std::vector<Case> cases = {
      {"truncated to its header", whole.substr(0, 60)},
      {"truncated to half", whole.substr(0, whole.size() / 2)},
      {"random bytes", noise},
      {"scribbled over", scribbled},
      {"a text file", "[General]\nOutputDir=/srv\n"},
      {"another program's database", "",
       [](const std::string& path) {
         sqlite3* db = nullptr;
         ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
         sqlite3_exec(db, "CREATE TABLE rows(list, row, state); INSERT INTO rows VALUES(1,2,3);",
                      nullptr, nullptr, nullptr);
         sqlite3_close(db);
       }},
      {"a later version of ours", "",
       [&whole](const std::string& path) {
         WriteTextFile(path, whole);
         sqlite3* db = nullptr;
         ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
         sqlite3_exec(db, "PRAGMA user_version=2", nullptr, nullptr, nullptr);
         sqlite3_close(db);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / kListFileName;
    std::filesystem::remove(path);
    std::filesystem::remove(path + kSetAsideSuffix);
    if (c.make) {
      c.make(path);
    } else {
      WriteTextFile(path, c.bytes);
    }
    const std::string before = ReadTextFile(path);
    auto opened = ListDatabase::Open(path);
    ASSERT_EQ(opened.outcome, Outcome::kSetAside) << opened.why;
    EXPECT_EQ(opened.set_aside_as, path + kSetAsideSuffix);
    EXPECT_FALSE(opened.why.empty());
    EXPECT_EQ(ReadTextFile(opened.set_aside_as), before) << "set aside untouched";
    ASSERT_NE(opened.database, nullptr);
    EXPECT_FALSE(opened.database->ClaimLeftList().has_value());
    ASSERT_TRUE(opened.database->Begin());
    EXPECT_TRUE(opened.database->Write(ThreeRows()));
  }
  // A second damaged file does not overwrite the first one set aside.
  const std::string path = dir / kListFileName;
  std::filesystem::remove(path);
  WriteTextFile(path, noise);
  EXPECT_EQ(ListDatabase::Open(path).set_aside_as, path + kSetAsideSuffix + "-2");
}

TEST(ListDatabase, AFolderThatCannotBeWrittenKeepsNoListAndSaysWhy) {
  TempDir dir;
  // A file where the folder should be: nothing can be made below it, as root too.
  WriteTextFile(dir / "blocked", "");
  auto opened = ListDatabase::Open(dir / "blocked" + "/" + kListFileName);
  EXPECT_EQ(opened.outcome, Outcome::kUnavailable);
  EXPECT_EQ(opened.database, nullptr);
  EXPECT_FALSE(opened.why.empty());
}

TEST(ListDatabase, RestoredRowsSayHowTheProgramsEndLeftThem) {
  TempDir dir;
  const std::string whole = dir / "whole.mp4";
  const std::string partial = dir / "partial.mp4";
  WriteTextFile(whole, std::string(3000, 'x'));
  WriteTextFile(partial, std::string(1500, 'x'));
  const auto size = [](const std::string& path) -> std::optional<std::uint64_t> {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    return error ? std::nullopt : std::optional<std::uint64_t>(bytes);
  };
  struct Case {
    const char* name;
    RowState state;
    std::string output;
    std::optional<std::uint64_t> bytes;
    bool checked;
    bool batch_running;
    RowState restored;
    std::string reason;
    std::string progress;
  };
  const std::string ended = kEndedDuringConversion;
  const std::vector<Case> cases = {
      {"done, whole", RowState::kDone, whole, 3000, true, false, RowState::kDone, "", "Done"},
      {"done, output changed", RowState::kDone, whole, 2999, true, false, RowState::kFailed,
       "its output " + whole + " has changed since", "Failed"},
      {"done, output gone", RowState::kDone, dir / "gone.mp4", 3000, true, false, RowState::kFailed,
       "its output " + dir / "gone.mp4" + " is gone", "Failed"},
      {"converting, partial output",
       RowState::kConverting,
       partial,
       {},
       true,
       true,
       RowState::kAborted,
       ended + kPartialOutput + partial,
       "Aborted"},
      {"retrying, no output yet",
       RowState::kRetrying,
       dir / "none.mp4",
       {},
       true,
       true,
       RowState::kAborted,
       ended,
       "Failed"},
      {"thumbnail",
       RowState::kThumbnail,
       whole,
       {},
       true,
       true,
       RowState::kAborted,
       ended + kPartialOutput + whole,
       "Aborted"},
      {"waiting in a running batch",
       RowState::kWaiting,
       "",
       {},
       true,
       true,
       RowState::kSkipped,
       kEndedBeforeItsTurn,
       ""},
      {"unticked in a running batch",
       RowState::kWaiting,
       "",
       {},
       false,
       true,
       RowState::kWaiting,
       "",
       ""},
      {"waiting, no batch", RowState::kWaiting, "", {}, true, false, RowState::kWaiting, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeptRow row = Row(9, "in", c.state);
    row.entry.output_path = c.output;
    row.entry.checked = c.checked;
    row.entry.percent = 40;
    row.entry.details = {"encoder output"};
    row.output_bytes = c.bytes;
    FileEntry restored = RestoredEntry(row, c.batch_running, size);
    EXPECT_EQ(restored.id, 0u);
    EXPECT_EQ(restored.state, c.restored);
    EXPECT_EQ(restored.reason, c.reason);
    EXPECT_TRUE(restored.details.empty());
    RenderCells(restored);
    EXPECT_EQ(restored.cells[kCellProgress], c.progress);
  }
  EXPECT_EQ(RestoreQuestion(300, 212),
            "Vidloom was not closed properly. Restore the list of the last session: 300 files, "
            "212 converted?");
  EXPECT_EQ(RestoreQuestion(1, 0),
            "Vidloom was not closed properly. Restore the list of the last session: 1 file, 0 "
            "converted?");
}

}  // namespace
}  // namespace vidloom::kept_list
