#include "model/list_view.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vidloom {
namespace {

using Change = ListView::Change;

class ListViewTest : public ::testing::Test {
 protected:
  static FileEntry Entry(bool checked, std::string caption, MediaFacts media = {},
                         std::string extension = {}) {
    FileEntry entry;
    entry.checked = checked;
    entry.input_path = std::move(caption);
    entry.media = std::move(media);
    entry.output_extension = std::move(extension);
    return entry;
  }
  void SetUp() override {
    list_.SubscribeRows([this](Change change, int row) { events_.emplace_back(change, row); });
  }
  void AddRows(int n) {
    for (int i = 0; i < n; ++i) list_.AddRow(Entry(true, "/v/" + std::to_string(i) + ".avi"));
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& row : list_.rows()) captions.push_back(row.input_path);
    return captions;
  }
  ListView list_;
  std::vector<std::pair<Change, int>> events_;
};

TEST_F(ListViewTest, AddRowAppendsAndReturnsTheIndex) {
  EXPECT_EQ(list_.AddRow(Entry(false, "/a.avi")), 0);
  EXPECT_EQ(
      list_.AddRow(Entry(true, "/b.avi", MediaFacts::Of("320 x 240", "25", "00:01:00"), "MP4")), 1);
  EXPECT_EQ(list_.count(), 2);
  EXPECT_EQ(list_.row(1).input_path, "/b.avi");
  EXPECT_TRUE(list_.row(1).checked);
  EXPECT_EQ(list_.row(1).cells, (std::array<std::string, kFileCellCount>{
                                    "320 x 240", "25", "00:01:00", "MP4", "", ""}));
  EXPECT_EQ(events_,
            (std::vector<std::pair<Change, int>>{{Change::kInserted, 0}, {Change::kInserted, 1}}));
}

TEST_F(ListViewTest, RowsKeepTheirIdentityWhenRowsBeforeThemGo) {
  AddRows(3);
  const RowId last = list_.row(2).id;
  EXPECT_NE(list_.row(0).id, list_.row(1).id);
  list_.RemoveRow(0);
  EXPECT_EQ(list_.IndexOf(last), 1);
  EXPECT_EQ(list_.Find(last)->input_path, "/v/2.avi");
  const RowId gone = list_.row(0).id;
  list_.RemoveRow(0);
  EXPECT_EQ(list_.IndexOf(gone), -1);
  EXPECT_FALSE(list_.Update(gone, [](FileEntry& entry) { entry.frames = 1; }));
  AddRows(1);
  EXPECT_GT(list_.row(1).id, last) << "an identity is never given twice";
}

// The cells are rendered from the record: the media texts, the extension, the conversion's
// state and frame count.
TEST_F(ListViewTest, CellsAreRenderedFromTheRecord) {
  struct Case {
    RowState state;
    std::optional<std::int64_t> percent;
    bool output_written;
    const char* progress;
  } const cases[] = {
      {RowState::kWaiting, 40, false, ""},
      {RowState::kConverting, std::nullopt, false, ""},
      {RowState::kConverting, 30, false, "30%"},
      {RowState::kConverting, 140, false, "100%"},
      {RowState::kRetrying, std::nullopt, false, "Re-scan"},
      {RowState::kRetrying, 7, false, "7%"},
      {RowState::kThumbnail, 100, true, "THM"},
      {RowState::kDone, 100, true, "Done"},
      {RowState::kFailed, 100, true, "Failed"},
      {RowState::kAborted, 12, true, "Aborted"},
      {RowState::kAborted, 12, false, "Failed"},
      {RowState::kSkipped, std::nullopt, false, ""},
  };
  list_.AddRow(Entry(true, "/a.cda", MediaFacts::Of("0 x 0", "0", ""), "MP3"));
  const RowId id = list_.row(0).id;
  for (const Case& c : cases) {
    list_.Update(id, [&](FileEntry& entry) {
      entry.state = c.state;
      entry.percent = c.percent;
      entry.output_written = c.output_written;
      entry.frames = 812;
    });
    EXPECT_EQ(list_.cell(0, kCellProgress), c.progress) << RowStateName(c.state);
    EXPECT_EQ(list_.cell(0, kCellFrames), "812");
  }
  list_.Update(id, [](FileEntry& entry) { entry.media.SetDuration("00:03:25"); });
  EXPECT_EQ(list_.cell(0, kCellDuration), "00:03:25");
  EXPECT_EQ(list_.row(0).media.duration_seconds, 205);
  EXPECT_EQ(list_.cell(0, kCellOutput), "MP3");
}

TEST(MediaFacts, NumbersAreReadFromTheTexts) {
  const MediaFacts known = MediaFacts::Of("640 x 480", "29.97", "01:02:03", "768 x 576");
  EXPECT_EQ(known.width, 640);
  EXPECT_EQ(known.height, 480);
  EXPECT_DOUBLE_EQ(known.frame_rate, 29.97);
  EXPECT_EQ(known.duration_seconds, 3723);
  EXPECT_EQ(known.display_size, "768 x 576");
  for (const MediaFacts& unknown :
       {MediaFacts::Of("0 x 0", "0", "0"), MediaFacts::Of("Unknown", "", ""),
        MediaFacts::Of("", "", "")}) {
    EXPECT_EQ(unknown.width, 0) << unknown.size_text;
    EXPECT_EQ(unknown.frame_rate, 0) << unknown.rate_text;
    EXPECT_FALSE(unknown.duration_seconds) << unknown.duration_text;
  }
}

TEST_F(ListViewTest, RemovingARowKeepsTheSelectionOnTheSameRow) {
  struct Case {
    int selected;
    int removed;
    int selected_after;
  };
  const std::vector<Case> cases = {{2, 0, 1},   {2, 2, -1}, {2, 3, 2},
                                   {-1, 1, -1}, {0, 9, 0},  {0, -1, 0}};
  for (const auto& c : cases) {
    list_.Clear();
    AddRows(4);
    list_.Select(c.selected);
    list_.RemoveRow(c.removed);
    EXPECT_EQ(list_.selected(), c.selected_after) << c.selected << " " << c.removed;
    EXPECT_EQ(list_.count(), (c.removed >= 0 && c.removed < 4) ? 3 : 4);
  }
  list_.Clear();
  AddRows(3);
  list_.RemoveRow(1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"/v/0.avi", "/v/2.avi"}));
}

TEST_F(ListViewTest, SelectingBeyondTheRowsSelectsNothing) {
  AddRows(2);
  list_.Select(1);
  EXPECT_EQ(list_.selected(), 1);
  list_.Select(2);
  EXPECT_EQ(list_.selected(), -1);
  list_.Select(0);
  list_.Clear();
  EXPECT_EQ(list_.selected(), -1);
  EXPECT_EQ(list_.count(), 0);
}

TEST_F(ListViewTest, CellAndCheckChangesAreReportedOnlyWhenSomethingChanged) {
  AddRows(2);
  events_.clear();
  auto converting = [](FileEntry& entry) {
    entry.state = RowState::kConverting;
    entry.percent = 50;
  };
  list_.Update(list_.row(1).id, converting);
  list_.Update(list_.row(1).id, converting);
  list_.Update(list_.row(1).id, [](FileEntry& entry) { entry.details.push_back("not shown"); });
  list_.SetChecked(0, true);  // already checked
  list_.SetChecked(0, false);
  EXPECT_EQ(list_.cell(1, kCellProgress), "50%");
  EXPECT_FALSE(list_.row(0).checked);
  EXPECT_EQ(events_, (std::vector<std::pair<Change, int>>{{Change::kRowChanged, 1},
                                                          {Change::kRowChanged, 0}}));
}

TEST_F(ListViewTest, BatchedUpdatesSendOneReset) {
  list_.BeginUpdate();
  list_.BeginUpdate();
  AddRows(3);
  list_.Update(list_.row(0).id, [](FileEntry& entry) { entry.frames = 10; });
  list_.EndUpdate();
  EXPECT_TRUE(events_.empty()) << "still inside the outer update";
  list_.EndUpdate();
  EXPECT_EQ(events_, (std::vector<std::pair<Change, int>>{{Change::kReset, -1}}));
  list_.EndUpdate();  // unbalanced: ignored
  list_.BeginUpdate();
  list_.EndUpdate();
  EXPECT_EQ(events_.size(), 1u) << "an update without changes sends nothing";
}

TEST_F(ListViewTest, ScrollIntoViewRemembersValidRowsOnly) {
  AddRows(3);
  list_.ScrollIntoView(5);
  EXPECT_EQ(list_.scrolled_to(), -1);
  list_.ScrollIntoView(2);
  EXPECT_EQ(list_.scrolled_to(), 2);
}

}  // namespace
}  // namespace vidloom
