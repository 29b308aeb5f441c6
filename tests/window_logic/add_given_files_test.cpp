// Files dropped on the main window or named on the command line: folders expanded, relative
// paths made absolute, the analysis of "Add Files" without its dialog, and nothing while a
// batch converts or files are being added. The reader is a table (it may run on the adding's
// worker threads), probes go to the fake encoder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/filesystem.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_runs.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"
#include "window_logic/add_files.h"
#include "window_logic/main_window.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::TempDir;
using testing::WriteTextFile;
using Paths = std::vector<std::string>;

class NoFileDialog : public FileDialog {
 public:
  std::optional<Paths> ChooseFiles(const std::string&) override {
    ADD_FAILURE() << "dropped files never open the file dialog";
    return std::nullopt;
  }
};

class OneFolderChooser : public FolderChooser {
 public:
  std::optional<std::string> ChooseFolder(const std::string& headline,
                                          const std::string&) override {
    headlines.push_back(headline);
    return answer;
  }
  std::optional<std::string> answer;
  Paths headlines;
};

class AddGivenFilesTest : public ::testing::Test {
 protected:
  AddGivenFilesTest() {
    setenv("FAKE_ENCODER_SEQUENCE", sequence_.path().c_str(), 1);
    // Probes (audio files, which the reader finds no size in) are answered by the fake encoder.
    WriteTextFile(sequence_ / "default.txt",
                  "print Input #0, mp3, from 'in':\n"
                  "print   Duration: 00:03:25.40, start: 0.000000, bitrate: 128 kb/s\n"
                  "print     Stream #0.0: Audio: mp3, 44100 Hz, stereo, s16, 128 kb/s\n");
  }
  ~AddGivenFilesTest() override {
    window_.reset();
    unsetenv("FAKE_ENCODER_SEQUENCE");
  }

  MainWindow& Start(Paths required = {"raziz2u"}) {
    MainWindowOptions options;
    options.program_directory = fs::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
    options.required_files = std::move(required);
    options.end_pause_ms = 0;
    options.settings_path = config_ / "vazadi.ini";
    options.add_files_pause_ms = 0;
    options.read_video_info = [this](const std::string& path) {
      {
        std::lock_guard<std::mutex> lock(reads_mutex_);
        reads_.push_back(path);
      }
      if (path.ends_with(".avi") || path.ends_with(".AVI")) return testing::SdVideoInfo();
      return analysis::VideoInfoValues{};
    };
    MainWindowPorts ports;
    ports.file_dialog = &no_dialog_;
    ports.folder_chooser = &folder_chooser_;
    window_ = std::make_unique<MainWindow>(ui_, dialogs_, options, ports);
    window_->Startup();
    return *window_;
  }

  std::string File(const std::string& relative) {
    const fs::path path = fs::path(media_.path()) / relative;
    fs::create_directories(path.parent_path());
    WriteTextFile(path.string(), "media");
    return path.string();
  }

  // The files the reader was asked about, sorted (files are read ahead in parallel).
  Paths Reads() {
    std::lock_guard<std::mutex> lock(reads_mutex_);
    Paths reads = reads_;
    std::sort(reads.begin(), reads.end());
    return reads;
  }

  // Runs `action` on the UI thread whenever the analysing window shows the next file's name.
  void OnEachFile(std::function<void(const std::string& name)> action) {
    Label& panel = window_->analyzing_form.FileBeingAnalysed;
    panel.Subscribe([&panel, action] { action(panel.caption()); });
  }

  Paths Captions() const {
    Paths captions;
    for (const auto& row : window_->main_form.FileList.rows()) captions.push_back(row.input_path);
    return captions;
  }

  TempDir sequence_;
  TempDir media_;
  TempDir config_;
  platform::FakeClock clock_;
  TestUiThread ui_{clock_};
  ScriptedDialogs dialogs_;
  NoFileDialog no_dialog_;
  OneFolderChooser folder_chooser_;
  std::mutex reads_mutex_;
  Paths reads_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(AddGivenFilesTest, FoldersAndFilesGoThroughTheAnalysisInOrder) {
  MainWindow& w = Start();
  File("season/ep10.avi");
  File("season/ep2.avi");
  File("season/notes.txt");
  File("season/music/theme.mp3");
  const std::string named = File("other/readme.txt");  // named directly: kept
  const std::string clip = File("clip.AVI");

  // A path where nothing is gets no row; the status bar names it.
  const AddFilesResult result =
      w.AddGivenFiles({clip, media_ / "season", media_ / "gone.avi", named});
  EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
  EXPECT_EQ(result.rows_added, 5);
  EXPECT_EQ(result.missing, Paths{media_ / "gone.avi"});
  EXPECT_EQ(w.main_form.Status.message(), "Skipped (no such file): gone.avi");
  const Paths expected = {clip, media_ / "season/ep2.avi", media_ / "season/ep10.avi",
                          media_ / "season/music/theme.mp3", named};
  EXPECT_EQ(Captions(), expected);
  Paths sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(Reads(), sorted);
  const ListView& list = w.main_form.FileList;
  for (const auto& row : list.rows()) EXPECT_TRUE(row.checked) << row.input_path;
  EXPECT_EQ(list.cell(0, kCellVideoSize), "640 x 480");
  EXPECT_EQ(list.cell(0, kCellDuration), "00:01:40");
  EXPECT_EQ(list.cell(0, kCellOutput), "MP4");
  EXPECT_EQ(list.cell(3, kCellVideoSize), "0 x 0") << "probed by the encoder";
  EXPECT_EQ(list.cell(3, kCellDuration), "00:03:25");
  // The adding ended as "Add Files" ends: window closed, controls back.
  EXPECT_FALSE(w.analyzing_form.visible);
  EXPECT_TRUE(w.main_form.AddFileButton.enabled());
  EXPECT_TRUE(w.main_form.ConvertNowButton.enabled());
  EXPECT_TRUE(w.main_form.ComboOutputFormat.enabled());
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_TRUE(w.AcceptsGivenFiles());
  // A folder's files keep it: their outputs can keep their places below it.
  const Paths folders = {"", media_ / "season", media_ / "season", media_ / "season", ""};
  for (std::size_t i = 0; i < folders.size(); ++i) {
    EXPECT_EQ(list.rows()[i].source_folder, folders[i]) << i;
  }

  // File > "Add Folder..." adds the chosen folder as a dropped one.
  w.main_form.FileList.Clear();
  folder_chooser_.answer = media_ / "season";
  w.main_form.AddFolderEntry.Click();
  EXPECT_EQ(Captions(), Paths(expected.begin() + 1, expected.end() - 1));
  EXPECT_EQ(list.rows()[2].source_folder, media_ / "season");
  EXPECT_EQ(folder_chooser_.headlines, Paths{"Choose a folder of video and audio files :"});
  // A folder without media says so instead of doing nothing.
  fs::create_directories(media_ / "empty");
  folder_chooser_.answer = media_ / "empty";
  w.main_form.AddFolderEntry.Click();
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(w.main_form.Status.message(), "Skipped (no media files): empty");
}

TEST_F(AddGivenFilesTest, RelativePathsAreTakenAgainstTheCurrentDirectory) {
  MainWindow& w = Start();
  File("here/a.avi");
  File("here/sub/b.avi");
  const fs::path before = fs::current_path();
  fs::current_path(media_.path());
  const AddFilesResult result = w.AddGivenFiles({"here/a.avi", "./here/sub"});
  fs::current_path(before);
  EXPECT_EQ(result.rows_added, 2);
  EXPECT_EQ(Captions(), (Paths{media_ / "here/a.avi", media_ / "here/sub/b.avi"}));
}

TEST_F(AddGivenFilesTest, NothingLeftAfterExpansionDoesNothingAtAll) {
  MainWindow& w = Start();
  File("empty/readme.txt");
  fs::create_directories(media_ / "empty/deeper");
  int splash_changes = 0;
  w.analyzing_form.Subscribe([&] { ++splash_changes; });
  for (const Paths& given : {Paths{}, Paths{media_ / "empty"}}) {
    const AddFilesResult result = w.AddGivenFiles(given);
    EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
    EXPECT_EQ(result.rows_added, 0);
  }
  EXPECT_EQ(w.main_form.FileList.count(), 0);
  EXPECT_EQ(splash_changes, 0) << "the analysing window never showed";
  EXPECT_TRUE(Reads().empty());
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(AddGivenFilesTest, AMissingEncoderIsReportedAsByAddFiles) {
  MainWindow& w = Start({"raziz2u", "no-such-library"});
  const AddFilesResult result = w.AddGivenFiles({File("a.avi")});
  EXPECT_EQ(result.end, AddFilesResult::End::kRequiredFileMissing);
  EXPECT_EQ(dialogs_.Messages(), Paths{kRequiredFileMissingText});
  EXPECT_EQ(w.main_form.FileList.count(), 0);
  EXPECT_TRUE(w.main_form.ComboOutputFormat.enabled());
}

TEST_F(AddGivenFilesTest, CancelStopsBeforeTheNextFile) {
  MainWindow& w = Start();
  const Paths files = {File("a.avi"), File("b.avi"), File("c.avi")};
  // "Cancel" once the first file's row is in, as the second file's name shows.
  OnEachFile([&](const std::string& name) {
    if (name == "b.avi") w.analyzing_form.CancelButton.UserClick();
  });
  const AddFilesResult result = w.AddGivenFiles(files);
  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  EXPECT_EQ(Captions(), Paths{files[0]});
  EXPECT_EQ(result.not_analysed, (Paths{files[1], files[2]}));
  EXPECT_TRUE(w.AcceptsGivenFiles());
}

TEST_F(AddGivenFilesTest, ADropDuringAnAddingDoesNothing) {
  MainWindow& w = Start();
  const std::string first = File("a.avi");
  const std::string second = File("b.avi");
  std::vector<AddFilesResult::End> nested;
  std::vector<bool> accepted;
  OnEachFile([&](const std::string& name) {
    if (name != "a.avi") return;
    accepted.push_back(w.AcceptsGivenFiles());
    nested.push_back(w.AddGivenFiles({second}).end);
  });
  const AddFilesResult result = w.AddGivenFiles({first});
  EXPECT_EQ(result.rows_added, 1);
  EXPECT_EQ(nested, std::vector<AddFilesResult::End>{AddFilesResult::End::kBusy});
  EXPECT_EQ(accepted, std::vector<bool>{false});
  EXPECT_EQ(Captions(), Paths{first});
  EXPECT_TRUE(w.AcceptsGivenFiles());
}

TEST_F(AddGivenFilesTest, ADropWhileABatchConvertsDoesNothing) {
  MainWindow& w = Start();
  // One row to convert, with an encoder that hangs until it is stopped.
  ASSERT_EQ(w.AddGivenFiles({File("a.avi")}).rows_added, 1);
  w.main_form.OutputFolder.SetText(media_ / "out");
  const std::string started = sequence_ / "started";
  WriteTextFile(sequence_ / "default.txt",
                "print Input #0, avi, from 'in':\npidfile " + started + "\nhang\n");
  w.ConvertNowButtonClick();
  ASSERT_TRUE(ui_.RunUntil([&] { return platform::FileExists(started); }, false));

  EXPECT_FALSE(w.AcceptsGivenFiles());
  const AddFilesResult result = w.AddGivenFiles({File("b.avi"), media_.path()});
  EXPECT_EQ(result.end, AddFilesResult::End::kBusy);
  EXPECT_EQ(w.main_form.FileList.count(), 1);
  EXPECT_EQ(Reads().size(), 1u) << "nothing analysed";
  EXPECT_FALSE(w.analyzing_form.visible);

  dialogs_.ExpectQuestion(true);
  w.StopConvertButtonClick();
  EXPECT_TRUE(ui_.RunUntil([&] { return !w.BatchRunning(); }));
  w.WaitForBatch();
  EXPECT_TRUE(w.AcceptsGivenFiles());
  EXPECT_EQ(w.AddGivenFiles({media_ / "b.avi"}).rows_added, 1);
}

}  // namespace
}  // namespace vidloom
