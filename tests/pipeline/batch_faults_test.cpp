// The batch when the world changes under it: inputs deleted, the output directory removed or
// replaced, the encoder file removed. Every row ends with a clear word (or none, when it was
// skipped), and the batch goes on or ends with its message, without a hang.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "pipeline/batch_driver.h"
#include "pipeline/batch_fixture.h"
#include "platform/filesystem.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::BatchTest;
using testing::kPs3;
using testing::kPspGood;
using testing::TempDir;
using testing::WriteTextFile;

class BatchFaultTest : public BatchTest {
 protected:
  // Runs `fault` on the UI thread just before the n-th conversion of the batch begins (n from
  // 1), after the command of that row has been built.
  void BeforeConversion(int n, std::function<void()> fault) {
    on_disable_ = [this, n, fault = std::move(fault)] {
      if (disable_calls_ == n) fault();
    };
  }

  // Every word the row's "Progress" cell showed, in order.
  const std::vector<std::string>& History(int row) { return progress_history_[row]; }

  bool Showed(int row, const std::string& word) {
    const auto& history = History(row);
    return std::find(history.begin(), history.end(), word) != history.end();
  }

  void ExpectBatchEnded() {
    EXPECT_FALSE(state_.batch.Converting);
    EXPECT_FALSE(state_.requests.StopRequested);
    EXPECT_TRUE(form_.ConvertNowButton.enabled());
    EXPECT_TRUE(form_.AddFileButton.enabled());
    EXPECT_TRUE(form_.FileList.popup_enabled);
    EXPECT_TRUE(form_.ComboOutputFormat.enabled());
    EXPECT_FALSE(form_.ConversionCountTimer.enabled());
  }

  std::string OutputDirectory() const { return media_ / "out"; }
};

TEST_F(BatchFaultTest, InputsDeletedAfterAddingAreSkippedAndSayWhy) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  const std::string b = AddRow("b.avi");
  const std::string c = AddRow("c.avi");
  AddRow("d.avi");
  fs::remove(b);                                // gone before the batch starts
  BeforeConversion(1, [&] { fs::remove(c); });  // gone while the first row converts
  Convert();

  EXPECT_EQ(Runs(), 2);
  EXPECT_EQ(Progress(0), "Done");
  EXPECT_EQ(Progress(1), "Failed");
  EXPECT_EQ(Progress(2), "Failed");
  EXPECT_EQ(Progress(3), "Done");
  // The skipped rows were cleared at the start and then marked, never run.
  for (int row : {1, 2}) {
    EXPECT_EQ(History(row), std::vector<std::string>{"Failed"}) << row;
    EXPECT_EQ(form_.FileList.row(row).reason, "the file no longer exists") << row;
  }
  for (int row : {0, 3}) EXPECT_EQ(form_.FileList.row(row).reason, "") << row;
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  ExpectBatchEnded();
}

TEST_F(BatchFaultTest, EveryInputDeletedMeansNoJobAndNoCountdown) {
  SelectFormat(kPs3);
  options_.CheckBoxShutDown.SetChecked(true);
  fs::remove(AddRow("a.avi"));
  fs::remove(AddRow("b.avi"));
  Convert();
  EXPECT_EQ(Runs(), 0);
  EXPECT_EQ(state_.batch.JobsStarted, 0);
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_FALSE(shutdown_.ShutdownArmed);
  ExpectBatchEnded();
}

// What happens to the output directory while the second of three rows converts, and how the
// batch must end.
struct DirectoryFault {
  const char* name;
  std::function<void(const std::string& directory)> fault;
  int runs;                           // encoder starts in the whole batch
  std::vector<std::string> words;     // final "Progress" words of the three rows
  std::vector<std::string> messages;  // boxes shown
  bool retried_second_row;            // row 1 showed "Re-scan" (its retry run started)
};

class DirectoryFaultTest : public BatchFaultTest,
                           public ::testing::WithParamInterface<DirectoryFault> {};

TEST_P(DirectoryFaultTest, RowsEndClearlyAndTheBatchGoesOnOrStopsWithItsMessage) {
  const DirectoryFault& c = GetParam();
  SelectFormat(kPs3);
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  BeforeConversion(2, [&] { c.fault(OutputDirectory()); });
  Convert();

  EXPECT_EQ(Runs(), c.runs);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(Progress(row), c.words[row]) << row;
  EXPECT_EQ(dialogs_.Messages(), c.messages);
  EXPECT_EQ(Showed(1, "Re-scan"), c.retried_second_row);
  ExpectBatchEnded();
}

INSTANTIATE_TEST_SUITE_P(
    Batch, DirectoryFaultTest,
    ::testing::Values(
        // The retry's command makes the directory again, and the retry converts.
        DirectoryFault{"RemovedIsMadeAgainByTheRetry",
                       [](const std::string& dir) { fs::remove_all(dir); },
                       4,
                       {"Done", "Done", "Done"},
                       {kAllDoneText},
                       true},
        // A file now stands where the directory was: the encoder cannot write, and the retry's
        // command cannot make the directory, so the batch stops with the directory message.
        DirectoryFault{"ReplacedByAFileStopsTheBatch",
                       [](const std::string& dir) {
                         fs::remove_all(dir);
                         WriteTextFile(dir, "not a directory");
                       },
                       2,
                       {"Done", "Failed", ""},
                       {std::string(kOutputDirectoryErrorText)},
                       false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(BatchFaultTest, DirectoryReplacedByAFileBeforeARowIsReachedStopsBeforeItsRun) {
  SelectFormat(kPs3);
  AddRow("a.avi");
  AddRow("b.avi");
  // After the first row's run has ended (its watchdog is switched off last), before the second
  // row's command is built.
  form_.ConversionCountTimer.Subscribe([&] {
    if (!form_.ConversionCountTimer.enabled() && Runs() == 1 &&
        platform::DirectoryExists(OutputDirectory())) {
      fs::remove_all(OutputDirectory());
      WriteTextFile(OutputDirectory(), "not a directory");
    }
  });
  Convert();
  EXPECT_EQ(Runs(), 1);
  EXPECT_EQ(Progress(0), "Done");
  // The row whose output directory could not be made fails, and says why.
  EXPECT_EQ(Progress(1), "Failed");
  EXPECT_EQ(form_.FileList.row(1).reason,
            "the output directory cannot be created: " + OutputDirectory());
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{std::string(kOutputDirectoryErrorText)});
  ExpectBatchEnded();
}

// The encoder file disappears after the batch has checked for it: the runs that cannot start
// fail without a retry, and the batch goes on to its end.
class EncoderRemovedTest : public BatchFaultTest,
                           public ::testing::WithParamInterface<const char*> {
 protected:
  EncoderRemovedTest() {
    fs::copy_file(FAKE_ENCODER_PATH, program_ / platform::kEncoderFileName);
    fs::permissions(program_ / platform::kEncoderFileName, fs::perms::owner_all,
                    fs::perm_options::add);
    UseProgramDirectory(program_.path() + "/");
  }
  TempDir program_;
};

TEST_P(EncoderRemovedTest, LaterRowsFailAndTheBatchEnds) {
  SelectFormat(GetParam());
  const bool psp = std::string(GetParam()) == kPspGood;
  AddRow("a.avi");
  AddRow("b.avi");
  AddRow("c.avi");
  BeforeConversion(2, [&] { fs::remove(program_ / platform::kEncoderFileName); });
  Convert();

  EXPECT_EQ(Runs(), psp ? 2 : 1);  // only the first row's runs started
  EXPECT_EQ(Progress(0), "Done");
  for (int row : {1, 2}) {
    EXPECT_EQ(Progress(row), "Failed") << row;
    EXPECT_FALSE(Showed(row, "Re-scan")) << row;  // a run that could not start is not retried
  }
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  ExpectBatchEnded();

  // The next batch checks again and tells the user.
  dialogs_.boxes.clear();
  Convert();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kRequiredFileMissingText});
}

INSTANTIATE_TEST_SUITE_P(Batch, EncoderRemovedTest, ::testing::Values(kPs3, kPspGood),
                         [](const auto& test) {
                           return std::string(test.param) == kPs3 ? "Ps3" : "PspWithThumbnail";
                         });

}  // namespace
}  // namespace vidloom
