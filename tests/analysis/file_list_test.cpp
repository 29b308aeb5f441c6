#include "analysis/file_list.h"

#include <gtest/gtest.h>

namespace vidloom::analysis {
namespace {

TEST(AddFileRow, AppendsOneCheckedRowInColumnOrder) {
  TForm1 form;
  std::vector<ListView::Change> changes;
  form.ListView1.SubscribeRows([&](ListView::Change change, int) { changes.push_back(change); });

  EXPECT_EQ(AddFileRow(form, "/m/a.avi", "640 x 480", "25", "00:02:05", "MP4"), 0);
  EXPECT_EQ(AddFileRow(form, "/m/a.avi", "640 x 480", "25", "00:02:05", "MP3"), 1);
  ASSERT_EQ(form.ListView1.count(), 2);
  const FileEntry& row = form.ListView1.row(0);
  EXPECT_TRUE(row.checked);
  EXPECT_EQ(row.caption, "/m/a.avi");
  EXPECT_EQ(row.cells, (std::array<std::string, kFileCellCount>{"640 x 480", "25", "00:02:05",
                                                                "MP4", "", ""}));
  // The same path twice gives two rows, both checked.
  EXPECT_TRUE(form.ListView1.row(1).checked);
  EXPECT_EQ(form.ListView1.cell(1, kCellOutput), "MP3");
  // One notification per row: the update is suspended while the row is added.
  EXPECT_EQ(changes,
            (std::vector<ListView::Change>{ListView::Change::kReset, ListView::Change::kReset}));
}

}  // namespace
}  // namespace vidloom::analysis
