#include "model/list_view.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vidloom {
namespace {

using Change = ListView::Change;

class ListViewTest : public ::testing::Test {
 protected:
  static FileEntry Entry(bool checked, std::string caption,
                         std::array<std::string, kFileCellCount> cells = {}) {
    FileEntry entry;
    entry.checked = checked;
    entry.caption = std::move(caption);
    entry.cells = std::move(cells);
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
    for (const auto& row : list_.rows()) captions.push_back(row.caption);
    return captions;
  }
  ListView list_;
  std::vector<std::pair<Change, int>> events_;
};

TEST_F(ListViewTest, AddRowAppendsAndReturnsTheIndex) {
  EXPECT_EQ(list_.AddRow(Entry(false, "/a.avi")), 0);
  EXPECT_EQ(list_.AddRow(Entry(true, "/b.avi", {"320 x 240", "25", "00:01:00", "MP4", "", ""})), 1);
  EXPECT_EQ(list_.count(), 2);
  EXPECT_EQ(list_.row(1).caption, "/b.avi");
  EXPECT_TRUE(list_.row(1).checked);
  EXPECT_EQ(list_.cell(1, kCellOutput), "MP4");
  EXPECT_EQ(events_,
            (std::vector<std::pair<Change, int>>{{Change::kInserted, 0}, {Change::kInserted, 1}}));
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
  list_.SetCell(1, kCellProgress, "50%");
  list_.SetCell(1, kCellProgress, "50%");
  list_.SetChecked(0, true);  // already checked
  list_.SetChecked(0, false);
  EXPECT_EQ(list_.cell(1, kCellProgress), "50%");
  EXPECT_FALSE(list_.row(0).checked);
  EXPECT_EQ(events_, (std::vector<std::pair<Change, int>>{{Change::kRowChanged, 1},
                                                          {Change::kRowChanged, 0}}));
  EXPECT_THROW(list_.SetCell(2, kCellProgress, "x"), std::out_of_range);
}

TEST_F(ListViewTest, BatchedUpdatesSendOneReset) {
  list_.BeginUpdate();
  list_.BeginUpdate();
  AddRows(3);
  list_.SetCell(0, kCellFrames, "10");
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
