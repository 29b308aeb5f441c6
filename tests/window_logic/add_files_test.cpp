// Adding files: the whole "Add Files" run on the window model, with a scripted file dialog, a
// table-driven reader, the scripted fake encoder for the probes and a fake clock for the pauses.
#include "window_logic/add_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/encoder_files.h"
#include "profiles/window_state.h"
#include "support/fake_clock.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"
#include "window_logic/main_window_setup.h"
#include "window_logic/work_controls.h"

namespace vidloom {
namespace {

using vidloom::testing::ReadTextFile;
using vidloom::testing::ScriptedDialogs;
using vidloom::testing::TempDir;
using vidloom::testing::WriteTextFile;

using analysis::VideoInfoValues;
using Row = std::array<std::string, kFileCellCount>;

class ScriptedFileDialog : public FileDialog {
 public:
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& filter) override {
    filters.push_back(filter);
    if (on_show) on_show();
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected file dialog";
      return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<std::vector<std::string>>> answers;
  std::vector<std::string> filters;
  std::function<void()> on_show;
};

// A probe answer of the fake encoder for an accepted input.
std::string Accepted(const std::string& duration_line, const std::string& stream_line) {
  return "print Input #0, x, from 'in':\nprint   " + duration_line + "\nprint     " + stream_line +
         "\n";
}

class AddFilesTest : public ::testing::Test {
 protected:
  AddFilesTest() {
    SetUpSelectors(form, window);
    ConnectSelectorHandlers(form, window);
    WriteTextFile(program_dir / platform::kEncoderFileName, "");
    ConnectAddFilesHandlers(context);
    // These cases follow every step of each file on the fake clock: one file at a time. The
    // look-ahead cases below set their own count.
    context.parallel_analyses = 1;
    ::setenv("FAKE_ENCODER_SEQUENCE", sequence.path().c_str(), 1);
    ::unsetenv("FAKE_ENCODER_SCRIPT");
  }
  ~AddFilesTest() override { ::unsetenv("FAKE_ENCODER_SEQUENCE"); }

  // Script of the fake encoder's Nth start (0-based), or of every start without its own.
  void Run(int n, const std::string& script) {
    WriteTextFile(sequence / ("run-" + std::to_string(n) + ".txt"), script);
  }
  void EveryRun(const std::string& script) { WriteTextFile(sequence / "default.txt", script); }
  int EncoderStarts() {
    const std::string counter = ReadTextFile(sequence / "counter");
    return counter.empty() ? 0 : std::stoi(counter);
  }

  // Runs on the look-ahead's worker threads when files are analysed ahead.
  VideoInfoValues Read(const std::string& path) {
    {
      std::lock_guard lock(reads_mutex);
      reads.push_back(path);
    }
    if (on_read) on_read(path);
    const auto it = info.find(std::string(platform::FileNamePart(path)));
    return it == info.end() ? VideoInfoValues{} : it->second;
  }

  Row Cells(int row) const { return form.FileList.row(row).cells; }

  void ChooseFormat(const std::string& text) {
    const auto& items = form.ComboOutputFormat.items();
    const auto it = std::find(items.begin(), items.end(), text);
    ASSERT_NE(it, items.end()) << text;
    form.ComboOutputFormat.UserSelect(static_cast<int>(it - items.begin()));
  }

  bool WorkControlsEnabled() const {
    return form.ComboOutputFormat.enabled() && form.VolumeSlider.enabled() &&
           form.ClearAllButton.enabled() && form.AddFilesEntry.enabled() &&
           options_form.CheckBoxOverWrite.enabled();
  }

  // Chooses the files `names` of the media folder (created empty when missing: the reader and
  // the probes are scripted).
  AddFilesResult Add(std::vector<std::string> names) {
    std::vector<std::string> paths;
    for (const auto& name : names) {
      paths.push_back(media / name);
      if (!std::filesystem::exists(paths.back())) WriteTextFile(paths.back(), "");
    }
    files.answers.push_back(paths);
    return AddFiles(context);
  }

  platform::FakeClock clock;
  TestUiThread ui{clock};
  MainForm form;
  OptionsForm options_form;
  AnalyzingForm splash;
  WindowState window;
  ScriptedDialogs dialogs;
  ScriptedFileDialog files;
  TempDir program_dir;
  TempDir sequence;
  TempDir media;
  std::map<std::string, VideoInfoValues> info;  // reader values by file name
  std::mutex reads_mutex;
  std::vector<std::string> reads;
  std::function<void(const std::string&)> on_read;
  AddFilesContext context{
      .main_form = form,
      .splash = splash,
      .options_form = options_form,
      .ui = ui,
      .dialogs = dialogs,
      .file_dialog = files,
      .program_directory = program_dir.path() + "/",
      .required_files = {platform::kEncoderFileName},
      .encoder_path = FAKE_ENCODER_PATH,
      .read_video_info = [this](const std::string& path) { return Read(path); },
      .pause_ms = 100,
  };
};

TEST_F(AddFilesTest, RowsFromTheReaderAndFromTheProbe) {
  info["trip.avi"] = {640, 480, 29.97, "12:34"};
  info["long.mkv"] = {1280, 720, 24.5, "01:02:03"};
  info["track01.cda"] = {0, 0, 0, "00:41"};
  info["none.mov"] = {320, 240, 0, "0"};
  EveryRun(Accepted("Duration: 00:03:25.40, start: 0.000000, bitrate: 128 kb/s",
                    "Stream #0.0: Audio: mp3, 44100 Hz, stereo, s16, 128 kb/s"));

  const auto result = Add({"trip.avi", "song.mp3", "long.mkv", "track01.cda", "none.mov"});

  EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
  EXPECT_EQ(result.rows_added, 5);
  ASSERT_EQ(form.FileList.count(), 5);
  const std::string ext = "MP4";  // the first format of the list
  EXPECT_EQ(Cells(0), (Row{"640 x 480", "30", "00:12:34", ext, "", ""}));
  EXPECT_EQ(Cells(1), (Row{"0 x 0", "0", "00:03:25", ext, "", ""}));  // probed
  EXPECT_EQ(Cells(2), (Row{"1280 x 720", "24", "01:02:03", ext, "", ""}));
  EXPECT_EQ(Cells(3), (Row{"0 x 0", "0", "", ext, "", ""}));  // never probed
  EXPECT_EQ(Cells(4), (Row{"320 x 240", "0", "0", ext, "", ""}));
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(form.FileList.row(i).checked);
    EXPECT_EQ(form.FileList.row(i).input_path, reads[i]);
  }
  // Only the MP3 went to the encoder, once, in plain form.
  EXPECT_EQ(EncoderStarts(), 1);
  EXPECT_EQ(ReadTextFile(sequence / "args-0"), std::string(FAKE_ENCODER_PATH) + '\0' + "-@" + '\0' +
                                                   "-y" + '\0' + "-i" + '\0' + media / "song.mp3" +
                                                   '\0');
  EXPECT_EQ(files.filters, std::vector<std::string>{SupportedFilesFilter});
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(AddFilesTest, ProbeOutcomesDecideTheRow) {
  // Run 0: song.mp3 accepted with a video line. Runs 1 and 2: odd.dat rejected twice.
  // Runs 3 and 4: late.vob rejected plain, accepted with the prefix. gone.mpg: no encoder.
  Run(0, Accepted("Duration: N/A, bitrate: N/A", "Stream #0.0: Video: mjpeg, 300x300, 90000 fps"));
  Run(1, "print Unknown format\nexit 1\n");
  Run(2, "print Unknown format\nexit 1\n");
  Run(3, "print error: cannot open\nexit 1\n");
  Run(4, Accepted("Duration: 00:00:07.00, start: 0",
                  "Stream #0.0: Video: mpeg2video, 720x576, "
                  "25.00 fps, display 1024x576"));
  const auto first = Add({"song.mp3", "odd.dat", "late.vob"});
  EXPECT_EQ(first.end, AddFilesResult::End::kAllFiles);
  ASSERT_EQ(form.FileList.count(), 3);
  // "Duration: N/A" ends the parse: the video line after it is not read.
  EXPECT_EQ(Cells(0), (Row{"0 x 0", "0", "00:00:00", "MP4", "", ""}));
  EXPECT_EQ(Cells(1), (Row{"Unknown", "", "", "MP4", "", ""}));
  EXPECT_EQ(Cells(2), (Row{"720 x 576", "25", "00:00:07", "MP4", "", ""}));
  EXPECT_EQ(form.FileList.row(2).media.display_size, "1024 x 576");
  EXPECT_EQ(form.FileList.row(0).media.display_size, "");
  EXPECT_EQ(EncoderStarts(), 5);
  // The retries carry the alternate-input prefix.
  const std::string prefixed = ReadTextFile(sequence / "args-2");
  EXPECT_NE(prefixed.find(std::string("DS:\\\\") + media / "odd.dat"), std::string::npos);

  // An encoder that cannot be started gives no row and scrolls nothing; the next file goes on.
  context.encoder_path = program_dir / "missing-encoder";
  info["b.avi"] = {176, 144, 15, "00:09"};
  const int scrolled = form.FileList.scrolled_to();
  const auto second = Add({"gone.mpg"});
  EXPECT_EQ(second.end, AddFilesResult::End::kAllFiles);
  EXPECT_EQ(second.rows_added, 0);
  EXPECT_EQ(second.not_started, std::vector<std::string>{media / "gone.mpg"});
  EXPECT_EQ(form.FileList.count(), 3);
  EXPECT_EQ(form.FileList.scrolled_to(), scrolled);
  const auto third = Add({"gone.mpg", "b.avi"});
  EXPECT_EQ(third.rows_added, 1);
  EXPECT_EQ(form.FileList.row(3).input_path, media / "b.avi");
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(AddFilesTest, SameFileTwiceGivesTwoCheckedRowsAndEachNewRowIsScrolledTo) {
  info["a.avi"] = {640, 480, 25, "00:05"};
  info["b.avi"] = {320, 240, 30, "00:06"};
  std::vector<int> scrolled;
  form.FileList.SubscribeRows([&](ListView::Change change, int row) {
    if (change == ListView::Change::kScrolled) scrolled.push_back(row);
  });
  Add({"a.avi"});
  Add({"a.avi", "b.avi"});
  ASSERT_EQ(form.FileList.count(), 3);
  EXPECT_EQ(form.FileList.row(0).input_path, form.FileList.row(1).input_path);
  EXPECT_EQ(Cells(0), Cells(1));
  EXPECT_TRUE(form.FileList.row(0).checked && form.FileList.row(1).checked);
  EXPECT_EQ(scrolled, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(form.FileList.scrolled_to(), 2);
}

TEST_F(AddFilesTest, OutputCellFollowsTheSelectedFormat) {
  info["a.avi"] = {640, 480, 25, "00:05"};
  info["b.avi"] = {640, 480, 25, "00:05"};
  ChooseFormat("MP3 - Mpeg Layer3 Audio (*.mp3)");
  Add({"a.avi"});
  EXPECT_EQ(form.FileList.cell(0, kCellOutput), "MP3");

  // A format chosen while the files are analysed: the next row gets its extension, and the
  // format refresh rewrites the rows already there.
  on_read = [&](const std::string& path) {
    if (platform::FileNamePart(path) == "a.avi") {
      ui.Post([&] { ChooseFormat("3G2 - 3rd Generation Partnership Project 2 (*.3g2)"); });
    }
  };
  Add({"a.avi", "b.avi"});
  ASSERT_EQ(form.FileList.count(), 3);
  for (int row = 0; row < 3; ++row) EXPECT_EQ(form.FileList.cell(row, kCellOutput), "3G2");
}

TEST_F(AddFilesTest, WindowStateDuringAndAfterTheAnalysis) {
  info["a.avi"] = {640, 480, 25, "00:05"};
  info["b.avi"] = {640, 480, 25, "00:05"};
  std::vector<std::string> log;
  splash.Subscribe([&] {
    log.push_back(std::string("splash ") + (splash.visible ? "shown" : "hidden") +
                  (splash.on_top ? " on top" : ""));
  });
  splash.FileBeingAnalysed.Subscribe(
      [&] { log.push_back("panel " + splash.FileBeingAnalysed.caption()); });
  form.FileList.SubscribeRows([&](ListView::Change change, int row) {
    if (change == ListView::Change::kScrolled) {
      log.push_back("row " + std::to_string(row) + " at " + std::to_string(clock.NowMs()));
    }
  });
  const std::int64_t start = clock.NowMs();
  on_read = [&](const std::string& path) {
    log.push_back("read at " + std::to_string(clock.NowMs() - start));
    // Controls disabled during the last file are enabled by the end of a complete adding.
    if (platform::FileNamePart(path) == "b.avi")
      ui.Post([&] { DisableWorkControls(form, options_form); });
    EXPECT_TRUE(context.state.AnalysisActive);
    EXPECT_TRUE(context.state.AddingFiles);
    EXPECT_FALSE(MayCloseAnalyzingWindow(context));
    EXPECT_TRUE(splash.visible && splash.on_top);
    EXPECT_FALSE(form.ConvertNowButton.enabled());
    EXPECT_FALSE(form.AddFileButton.enabled());
    // While files are added the list and the choices its rows take stay as they are.
    EXPECT_FALSE(WorkControlsEnabled());
    EXPECT_FALSE(form.FileList.popup_enabled);
  };
  form.FileList.AddRow(FileEntry{});  // a list that already has a row
  const auto result = Add({"a.avi", "b.avi"});
  ASSERT_EQ(result.end, AddFilesResult::End::kAllFiles);
  const auto at = [&](std::int64_t ms) { return std::to_string(start + ms); };
  // 100 ms before and 100 ms after each file.
  EXPECT_EQ(log, (std::vector<std::string>{"splash shown on top", "panel a.avi", "read at 100",
                                           "row 1 at " + at(100), "panel b.avi", "read at 300",
                                           "row 2 at " + at(300), "splash hidden on top"}));
  EXPECT_EQ(clock.NowMs() - start, 400);
  EXPECT_FALSE(context.state.AnalysisActive);
  EXPECT_FALSE(context.state.AddingFiles);
  EXPECT_TRUE(MayCloseAnalyzingWindow(context));
  EXPECT_TRUE(form.ConvertNowButton.enabled());
  EXPECT_TRUE(form.AddFileButton.enabled());
  EXPECT_TRUE(WorkControlsEnabled());
  EXPECT_TRUE(form.FileList.popup_enabled);
  EXPECT_EQ(splash.Count.caption(), "2 of 2");
}

TEST_F(AddFilesTest, CancelDuringTheFirstOfFiveFiles) {
  for (const char* name : {"1.avi", "2.avi", "3.avi", "4.avi", "5.avi"}) {
    info[name] = {640, 480, 25, "00:05"};
  }
  bool cancel_enabled_controls = false;
  on_read = [&](const std::string& path) {
    if (platform::FileNamePart(path) == "1.avi") {
      ui.Post([&] {
        splash.CancelButton.UserClick();
        cancel_enabled_controls = WorkControlsEnabled();
      });
    }
  };
  const auto result = Add({"1.avi", "2.avi", "3.avi", "4.avi", "5.avi"});
  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  EXPECT_EQ(reads, std::vector<std::string>{media / "1.avi"});
  ASSERT_EQ(form.FileList.count(), 1);
  EXPECT_EQ(form.FileList.row(0).input_path, media / "1.avi");
  EXPECT_EQ(result.not_analysed.size(), 4u);
  EXPECT_EQ(result.not_analysed.front(), media / "2.avi");
  // The controls come back when the file in hand has its row, not before: no row arrives after
  // the list could change.
  EXPECT_FALSE(cancel_enabled_controls);
  EXPECT_TRUE(WorkControlsEnabled());
  EXPECT_FALSE(splash.visible);
  EXPECT_EQ(splash.FileBeingAnalysed.caption(), "2.avi");
  EXPECT_TRUE(form.ConvertNowButton.enabled() && form.AddFileButton.enabled());
  EXPECT_FALSE(context.state.AddingFiles || context.state.AnalysisActive);
}

TEST_F(AddFilesTest, CancelDuringTheLastFileEndsNormally) {
  info["1.avi"] = {640, 480, 25, "00:05"};
  on_read = [&](const std::string&) { ui.Post([&] { splash.CancelButton.UserClick(); }); };
  const auto result = Add({"1.avi"});
  EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
  EXPECT_EQ(form.FileList.count(), 1);
}

TEST_F(AddFilesTest, WindowHandlesItsMessagesWhileTheEncoderProbes) {
  // The probe of the first file takes a while; a message posted before it starts is handled
  // while it runs (before its row exists), and a "Cancel" then stops the loop at the next file.
  EveryRun("sleep 150\n" + Accepted("Duration: 00:00:03.00", "Stream #0.0: Audio: mp3"));
  context.pause_ms = 0;
  std::vector<int> rows_seen;
  on_read = [&](const std::string& path) {
    if (platform::FileNamePart(path) != "1.mp3") return;
    ui.Post([&] {
      rows_seen.push_back(form.FileList.count());
      splash.CancelButton.UserClick();
    });
  };
  const auto result = Add({"1.mp3", "2.mp3"});
  EXPECT_EQ(rows_seen, std::vector<int>{0});
  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  ASSERT_EQ(form.FileList.count(), 1);
  EXPECT_EQ(Cells(0)[kCellDuration], "00:00:03");  // the probe ran to its end
  EXPECT_EQ(EncoderStarts(), 1);
}

TEST_F(AddFilesTest, SplashRefusesToCloseOnlyWhileAnalysing) {
  EXPECT_TRUE(MayCloseAnalyzingWindow(context));
  info["a.avi"] = {640, 480, 25, "00:05"};
  bool refused = false;
  on_read = [&](const std::string&) { refused = !MayCloseAnalyzingWindow(context); };
  Add({"a.avi"});
  EXPECT_TRUE(refused);
  EXPECT_TRUE(MayCloseAnalyzingWindow(context));
}

TEST_F(AddFilesTest, MissingRequiredFileShowsTheMessageAndAddsNothing) {
  context.required_files = {platform::kEncoderFileName, "avcodec.dll"};
  files.answers.push_back(std::vector<std::string>{media / "a.avi"});
  const auto result = AddFiles(context);
  EXPECT_EQ(result.end, AddFilesResult::End::kRequiredFileMissing);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kRequiredFileMissingText});
  EXPECT_EQ(dialogs.boxes.at(0).caption, kInformationCaption);
  EXPECT_TRUE(files.filters.empty());  // the dialog never opened
  EXPECT_EQ(form.FileList.count(), 0);
  EXPECT_TRUE(reads.empty());
  EXPECT_TRUE(WorkControlsEnabled());
  EXPECT_FALSE(splash.visible);
}

TEST_F(AddFilesTest, CancelledDialogEnablesTheControlsAndAddsNothing) {
  bool disabled_while_choosing = false;
  files.on_show = [&] { disabled_while_choosing = !form.ComboOutputFormat.enabled(); };
  files.answers.push_back(std::nullopt);
  const auto result = AddFiles(context);
  EXPECT_EQ(result.end, AddFilesResult::End::kDialogCancelled);
  // The required-files check enables the controls before the dialog opens.
  EXPECT_FALSE(disabled_while_choosing);
  EXPECT_TRUE(WorkControlsEnabled());
  EXPECT_EQ(form.FileList.count(), 0);
  EXPECT_FALSE(splash.visible);
  EXPECT_FALSE(context.state.AnalysisActive);
}

TEST_F(AddFilesTest, ErrorInsideTheLoopStillClosesTheWindow) {
  on_read = [](const std::string&) { throw std::runtime_error("reader failed"); };
  EXPECT_THROW(Add({"a.avi"}), std::runtime_error);
  EXPECT_FALSE(splash.visible);
  EXPECT_FALSE(context.state.AnalysisActive || context.state.AddingFiles);
  EXPECT_TRUE(form.ConvertNowButton.enabled() && form.AddFileButton.enabled());
  // A later adding works.
  on_read = nullptr;
  info["a.avi"] = {640, 480, 25, "00:05"};
  EXPECT_EQ(Add({"a.avi"}).rows_added, 1);
}

TEST_F(AddFilesTest, SecondAddingWhileAnalysingDoesNothing) {
  info["a.avi"] = {640, 480, 25, "00:05"};
  AddFilesResult nested;
  on_read = [&](const std::string&) {
    ui.Post([&] {
      // File > "Add Files" clicks the disabled button, which goes through.
      form.AddFilesEntry.on_click = [&] { nested = AddFiles(context); };
      form.AddFilesEntry.UserClick();
    });
  };
  const auto result = Add({"a.avi"});
  EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
  EXPECT_EQ(nested.end, AddFilesResult::End::kBusy);
  EXPECT_EQ(files.filters.size(), 1u);
  EXPECT_EQ(form.FileList.count(), 1);
}

// Files analysed ahead on worker threads: rows still come one by one in the chosen order.
class LookAheadTest : public AddFilesTest {
 protected:
  LookAheadTest() { context.parallel_analyses = 2; }
  // The fake encoder's script for the probe of the file `name`.
  void ProbeOf(const std::string& name, const std::string& script) {
    WriteTextFile(sequence / ("for-" + name + ".txt"), script);
  }
  std::string Marker(const std::string& name) const { return sequence / ("started-" + name); }
  // Waits (in real time, up to 10 s) for `what`; any thread.
  static bool WaitUntil(const std::function<bool()>& what) {
    for (int i = 0; i < 2000 && !what(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return what();
  }
  static bool WaitForFile(const std::string& path) {
    return WaitUntil([&] {
      const std::string text = ReadTextFile(path);
      return !text.empty() && text.back() == '\n';
    });
  }
};

TEST_F(LookAheadTest, RowsKeepTheChosenOrderWhileLaterFilesAreProbedAhead) {
  // a.mp3's probe answers only once c.mp3's probe has started: without the look-ahead it
  // would give up (exit 97) and the row would read "Unknown".
  ProbeOf("a.mp3", "await " + Marker("c.mp3") + "\n" +
                       Accepted("Duration: 00:00:01.00", "Stream #0.0: Audio: mp3"));
  ProbeOf("c.mp3", "pidfile " + Marker("c.mp3") + "\n" +
                       Accepted("Duration: 00:00:03.00", "Stream #0.0: Audio: aac"));
  ProbeOf("d.mp3", Accepted("Duration: 00:00:04.00", "Stream #0.0: Video: h263, 176x144, 15 fps"));
  info["b.avi"] = {640, 480, 25, "00:02"};
  std::vector<std::string> log;
  splash.FileBeingAnalysed.Subscribe(
      [&] { log.push_back("panel " + splash.FileBeingAnalysed.caption()); });
  form.FileList.SubscribeRows([&](ListView::Change change, int row) {
    if (change == ListView::Change::kScrolled) log.push_back("row " + std::to_string(row));
  });

  const auto result = Add({"a.mp3", "b.avi", "c.mp3", "d.mp3"});

  EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
  EXPECT_EQ(log, (std::vector<std::string>{"panel a.mp3", "row 0", "panel b.avi", "row 1",
                                           "panel c.mp3", "row 2", "panel d.mp3", "row 3"}));
  ASSERT_EQ(form.FileList.count(), 4);
  EXPECT_EQ(form.FileList.row(0).input_path, media / "a.mp3");
  EXPECT_EQ(Cells(0), (Row{"0 x 0", "0", "00:00:01", "MP4", "", ""}));
  EXPECT_EQ(Cells(1), (Row{"640 x 480", "25", "00:00:02", "MP4", "", ""}));
  EXPECT_EQ(Cells(2), (Row{"0 x 0", "0", "00:00:03", "MP4", "", ""}));
  EXPECT_EQ(Cells(3), (Row{"176 x 144", "15", "00:00:04", "MP4", "", ""}));
  EXPECT_EQ(EncoderStarts(), 3);
  EXPECT_TRUE(WorkControlsEnabled());
  EXPECT_FALSE(splash.visible);
}

TEST_F(LookAheadTest, RejectionsAndRetriesAheadGiveTheSameRows) {
  ProbeOf("odd.dat", "print Unknown format\nexit 1\n");
  ProbeOf("prefixed-odd.dat", "print Unknown format\nexit 1\n");
  ProbeOf("late.vob", "print error: cannot open\nexit 1\n");
  ProbeOf("prefixed-late.vob", Accepted("Duration: 00:00:07.00, start: 0",
                                        "Stream #0.0: Video: mpeg2video, 720x576, 25.00 fps"));
  const auto result = Add({"odd.dat", "late.vob"});
  EXPECT_EQ(result.rows_added, 2);
  EXPECT_EQ(Cells(0), (Row{"Unknown", "", "", "MP4", "", ""}));
  EXPECT_EQ(Cells(1), (Row{"720 x 576", "25", "00:00:07", "MP4", "", ""}));
  EXPECT_EQ(EncoderStarts(), 4);
}

TEST_F(LookAheadTest, CancelEndsTheProbesStartedAheadAndAddsNoMoreRows) {
  // The first probe finishes after two later ones have started and hang; "Cancel" comes while
  // the first file is in hand.
  const std::vector<std::string> names = {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"};
  ProbeOf("1.mp3", "await " + Marker("2.mp3") + "\n" +
                       Accepted("Duration: 00:00:01.00", "Stream #0.0: Audio: mp3"));
  for (std::size_t i = 1; i < names.size(); ++i) {
    ProbeOf(names[i], "pidfile " + Marker(names[i]) + "\nhang\n");
  }
  on_read = [&](const std::string& path) {
    if (platform::FileNamePart(path) == "1.mp3") ui.Post([&] { splash.CancelButton.UserClick(); });
  };

  const auto start = std::chrono::steady_clock::now();
  const auto result = Add(names);
  // Not a speed goal: without the cancel, the hanging probes would end only at their 30 s
  // timeout.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  ASSERT_EQ(form.FileList.count(), 1);
  EXPECT_EQ(Cells(0)[kCellDuration], "00:00:01");
  EXPECT_EQ(result.not_analysed.size(), 4u);
  EXPECT_EQ(result.not_analysed.front(), media / "2.mp3");
  // Every encoder started ahead has ended (and was reaped) before AddFiles returned.
  int started = 0;
  for (std::size_t i = 1; i < names.size(); ++i) {
    const std::string pid = ReadTextFile(Marker(names[i]));
    if (pid.empty()) continue;
    ++started;
    EXPECT_NE(::kill(std::stoi(pid), 0), 0) << names[i] << " still runs";
  }
  EXPECT_GE(started, 1);
  EXPECT_FALSE(splash.visible);
  EXPECT_FALSE(context.state.AddingFiles || context.state.AnalysisActive);
}

TEST_F(LookAheadTest, CancelEndsEvenTheFileInHandOnceItsGraceHasPassed) {
  // The probe of the file in hand hangs: "Cancel" gives it kCancelGraceMs (fake time), then ends
  // it too, so the adding ends at once instead of at the probe's 30 s timeout.
  ProbeOf("1.mp3", "pidfile " + Marker("1.mp3") + "\nhang\n");
  ProbeOf("2.mp3", Accepted("Duration: 00:00:02.00", "Stream #0.0: Audio: mp3"));
  std::atomic<bool> clicked{false};
  std::atomic<bool> returned{false};
  std::thread user([&] {
    ASSERT_TRUE(WaitForFile(Marker("1.mp3")));
    ui.Post([&] {
      splash.CancelButton.UserClick();
      clicked = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return clicked.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    clock.Advance(kCancelGraceMs - 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned) << "the file in hand was ended before its grace was over";
    for (int i = 0; i < 500 && !returned; ++i) {
      clock.Advance(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const auto result = Add({"1.mp3", "2.mp3"});
  returned = true;
  user.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(result.end, AddFilesResult::End::kCancelled);
  EXPECT_EQ(form.FileList.count(), 0);
  EXPECT_EQ(result.not_analysed, (std::vector<std::string>{media / "1.mp3", media / "2.mp3"}));
  EXPECT_TRUE(result.not_started.empty()) << "a cancelled probe is no failed start";
  EXPECT_NE(::kill(std::stoi(ReadTextFile(Marker("1.mp3"))), 0), 0) << "its encoder still runs";
}

TEST_F(AddFilesTest, MissingPathsGetNoRowAndTheStatusBarNamesThem) {
  WriteTextFile(media / "here.avi", "");
  info["here.avi"] = {320, 240, 25, "00:05"};
  files.answers.push_back(
      std::vector<std::string>{media / "gone.avi", media / "here.avi", media / "gone too.mp3"});
  const auto result = AddFiles(context);
  EXPECT_EQ(result.end, AddFilesResult::End::kAllFiles);
  ASSERT_EQ(form.FileList.count(), 1);
  EXPECT_EQ(form.FileList.row(0).input_path, media / "here.avi");
  EXPECT_EQ(result.missing, (std::vector<std::string>{media / "gone.avi", media / "gone too.mp3"}));
  EXPECT_EQ(form.Status.message(), "Skipped (no such file): gone.avi, gone too.mp3");
  EXPECT_EQ(reads, std::vector<std::string>{media / "here.avi"}) << "nothing else was analysed";
}

TEST_F(LookAheadTest, ReaderErrorAheadReachesTheCallerAndClosesTheWindow) {
  info["a.avi"] = {640, 480, 25, "00:05"};
  on_read = [](const std::string& path) {
    if (platform::FileNamePart(path) == "b.avi") throw std::runtime_error("reader failed");
  };
  EXPECT_THROW(Add({"a.avi", "b.avi", "c.avi"}), std::runtime_error);
  EXPECT_EQ(form.FileList.count(), 1);  // the file before the failing one got its row
  EXPECT_FALSE(splash.visible);
  EXPECT_FALSE(context.state.AnalysisActive || context.state.AddingFiles);
  EXPECT_TRUE(form.ConvertNowButton.enabled() && form.AddFileButton.enabled());
}

TEST(AddFilesHelpers, FileNames) {
  EXPECT_EQ(platform::FileNamePart("/a/b/c.avi"), "c.avi");
  EXPECT_EQ(platform::FileNamePart("c.avi"), "c.avi");
  EXPECT_EQ(platform::FileNamePart("/a/b/"), "");
}

TEST(AddFilesHelpers, FilterHasTheTwentyFourPairsInOrderAndTheOtherContainersAfterThem) {
  const std::string filter = SupportedFilesFilter;
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1) {
    parts.push_back(filter.substr(start, bar - start));
  }
  EXPECT_EQ(start, filter.size());  // the text ends with "|"
  ASSERT_EQ(parts.size(), 48u + 16u);
  EXPECT_EQ(parts[0], "All Supported Files");
  EXPECT_EQ(parts[1],
            std::string("*.avi;*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2;*.wma;*.wmv;*.asf;*.asx;*.mov; *.qt;"
                        "*.3gp;*.3g2;*.mp3;*.mp2;*.ogg;*.aac;*.mp4;*.m4a;*.rm;*.rmvb;*.ram;*.ra;"
                        "*.vob; *.dat;*.cda;*.dv; *.dif;*.wav; *.au; *.aiff;*.mjpg; *.mjpeg;*.ac3; "
                        "*.gif; *.swf") +
                kMoreFilePatterns);
  EXPECT_EQ(parts[22], "Monkey Audio Files (*.ape, *.cue)");
  EXPECT_EQ(parts[23], "*.ape;*.cue");
  EXPECT_EQ(parts[35], "*.m4a; *.mp4");
  EXPECT_EQ(parts[46], "Windows Media Files(*.wma, *.wmv, *.asf, *.asx)");
  EXPECT_EQ(parts[47], "*.wma;*.wmv;*.asf;*.asx");
  EXPECT_EQ(parts[48], "Matroska and WebM Files (*.mkv, *.mka, *.webm)");
  // Every pattern of the entries after the 24 stands at the end of the first list.
  for (std::size_t i = 49; i < parts.size(); i += 2) {
    std::size_t from = 0;
    for (std::size_t semi; from <= parts[i].size(); from = semi + 1) {
      semi = parts[i].find(';', from);
      if (semi == std::string::npos) semi = parts[i].size();
      EXPECT_NE(std::string(kMoreFilePatterns).find(parts[i].substr(from, semi - from)),
                std::string::npos)
          << parts[i];
    }
  }
  // The first entry leaves out the Monkey Audio patterns.
  EXPECT_EQ(parts[1].find("ape"), std::string::npos);
}

}  // namespace
}  // namespace vidloom
