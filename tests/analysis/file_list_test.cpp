#include "analysis/file_list.h"

#include <gtest/gtest.h>

namespace vidloom::analysis {
namespace {

TEST(AddFileRow, AppendsOneCheckedRowInColumnOrder) {
  MainForm form;
  std::vector<ListView::Change> changes;
  form.FileList.SubscribeRows([&](ListView::Change change, int) { changes.push_back(change); });

  EXPECT_EQ(AddFileRow(form, "/m/a.avi", "640 x 480", "25", "00:02:05", "MP4"), 0);
  EXPECT_EQ(AddFileRow(form, "/m/a.avi", "640 x 480", "25", "00:02:05", "MP3"), 1);
  ASSERT_EQ(form.FileList.count(), 2);
  const FileEntry& row = form.FileList.row(0);
  EXPECT_TRUE(row.checked);
  EXPECT_EQ(row.input_path, "/m/a.avi");
  EXPECT_EQ(row.cells, (std::array<std::string, kFileCellCount>{"640 x 480", "25", "00:02:05",
                                                                "MP4", "", ""}));
  // The same path twice gives two rows, both checked.
  EXPECT_TRUE(form.FileList.row(1).checked);
  EXPECT_EQ(form.FileList.cell(1, kCellOutput), "MP3");
  // One notification per row: the update is suspended while the row is added.
  EXPECT_EQ(changes,
            (std::vector<ListView::Change>{ListView::Change::kReset, ListView::Change::kReset}));
}

TEST(LowerExtension, FromTheLastDotOfTheFileName) {
  EXPECT_EQ(LowerExtension("/m/Track01.CDA"), ".cda");
  EXPECT_EQ(LowerExtension("/m/a.b/c"), "");
  EXPECT_EQ(LowerExtension("/m/clip"), "");
  EXPECT_EQ(LowerExtension("/m/clip."), ".");
  EXPECT_EQ(LowerExtension("/m/x.tar.GZ"), ".gz");
  EXPECT_TRUE(IsAudioCdTrack("/cd/Track02.cda"));
  EXPECT_FALSE(IsAudioCdTrack("/cd/Track02.cda.mp3"));
}

struct ReaderCase {
  const char* name;
  VideoInfoValues values;
  const char* path;
  RowTexts expected;
  bool probe;
};

TEST(ReaderRowTexts, Table) {
  const ReaderCase cases[] = {
      {"video", {640, 480, 25.0, "02:05"}, "/m/a.avi", {"640 x 480", "25", "00:02:05"}, false},
      {"hours stay",
       {320, 240, 29.97, "01:02:03"},
       "/m/a.avi",
       {"320 x 240", "30", "01:02:03"},
       false},
      {"half to even down",
       {320, 240, 24.5, "12:34"},
       "/m/a.avi",
       {"320 x 240", "24", "00:12:34"},
       false},
      {"half to even up",
       {320, 240, 23.5, "12:34"},
       "/m/a.avi",
       {"320 x 240", "24", "00:12:34"},
       false},
      {"unknown", {}, "/m/a.mp3", {"0 x 0", "0", "0"}, true},
      {"audio with duration", {0, 0, 0, "03:30"}, "/m/a.mp3", {"0 x 0", "0", "00:03:30"}, true},
      {"cd track is never probed", {}, "/cd/Track01.CDA", {"0 x 0", "0", ""}, false},
      {"absurd rate", {16, 16, 1e300, "00:01"}, "/m/a.avi", {"16 x 16", "0", "00:00:01"}, false},
      {"shown wider than stored",
       {720, 576, 25.0, "00:10", 768, 576},
       "/m/dvd.vob",
       {"720 x 576", "25", "00:00:10", "768 x 576"},
       false},
      {"shown as stored",
       {640, 480, 25.0, "00:10", 640, 480},
       "/m/a.avi",
       {"640 x 480", "25", "00:00:10", ""},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RowTexts texts = ReaderRowTexts(c.values, c.path);
    EXPECT_EQ(texts.size, c.expected.size);
    EXPECT_EQ(texts.frame_rate, c.expected.frame_rate);
    EXPECT_EQ(texts.duration, c.expected.duration);
    EXPECT_EQ(texts.display_size, c.expected.display_size);
    EXPECT_EQ(NeedsProbe(texts, c.path), c.probe);
  }
}

TEST(ProbeRowTexts, ByOutcome) {
  ProbeResult result;
  result.outcome = ProbeOutcome::Described;
  result.values = {"/m/a.mp3", "0 x 0", "0", "00:03:30"};
  const auto described = ProbeRowTexts(result);
  ASSERT_TRUE(described);
  EXPECT_EQ(described->size, "0 x 0");
  EXPECT_EQ(described->duration, "00:03:30");

  result.outcome = ProbeOutcome::Rejected;
  const auto rejected = ProbeRowTexts(result);
  ASSERT_TRUE(rejected);
  EXPECT_EQ(rejected->size, "Unknown");
  EXPECT_EQ(rejected->frame_rate, "");
  EXPECT_EQ(rejected->duration, "");

  result.outcome = ProbeOutcome::NotStarted;
  EXPECT_FALSE(ProbeRowTexts(result));
}

}  // namespace
}  // namespace vidloom::analysis
