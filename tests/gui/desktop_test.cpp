// The desktop program's windows as the program builds them (ProgramWindows over a MainWindow on
// the Qt event loop), driven through their widgets: the start-up state, the format and volume
// choices, batches with the real encoder (progress on screen, the refused close, Stop), the
// shutdown countdown with a fake power-off, the options dialog's question, the About box, and the
// views going before the window logic.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/run_program.h"
#include "gui/about_box_view.h"
#include "gui/analyzing_window_view.h"
#include "gui/file_list_view.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/program.h"
#include "gui/program_windows.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_ui_thread.h"
#include "gui/warning_window_view.h"
#include "kept_list/list_database.h"
#include "pipeline/batch_driver.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "profiles/catalogue.h"
#include "settings/settings.h"
#include "support/fake_ports.h"
#include "support/kill_points.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "texts/language.h"
#include "window_logic/countdown.h"
#include "window_logic/links.h"
#include "window_logic/main_window.h"

namespace vidloom::gui {
namespace {

namespace fs = std::filesystem;
using testing::FakePowerOff;
using testing::ReadTextFile;
using testing::RecordingDesktop;
using testing::ScriptedDialogs;
using testing::TempDir;
using testing::WriteTextFile;

// List columns as the view shows them: the caption, then the six cells.
constexpr int kColumnSize = 1 + kCellVideoSize;
constexpr int kColumnDuration = 1 + kCellDuration;
constexpr int kColumnOutput = 1 + kCellOutput;
constexpr int kColumnProgress = 1 + kCellProgress;
constexpr int kColumnFrames = 1 + kCellFrames;

constexpr int kEncodeTimeoutMs = 120000;
// How long the window manager and the event loop may take to show, hide, activate or restack a
// window on a busy machine. Every wait ends as soon as its condition holds: this bounds a hang,
// it is no pause.
constexpr int kWindowTimeoutMs = 30000;
const QRegularExpression kPercent(QStringLiteral("^[0-9]+%$"));

class ScriptedFileDialog : public FileDialog {
 public:
  std::optional<std::vector<std::string>> ChooseFiles(const std::string&) override {
    ++calls;
    return answer;
  }
  int calls = 0;
  std::optional<std::vector<std::string>> answer;
};

// Media generated once for all tests: a 1 s clip (quick conversions) and a 60 s one (a batch
// that is still running while the test looks at the window).
class Media {
 public:
  static Media& Get() {
    static Media media;
    return media;
  }
  std::string short_clip, long_clip;
  bool ok = false;

 private:
  Media() {
    short_clip = dir_ / "short clip.avi";
    long_clip = dir_ / "long.avi";
    ok = Generate(short_clip, 1) && Generate(long_clip, 60);
  }
  static bool Generate(const std::string& path, int seconds) {
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi "
        "-i sine=frequency=440:sample_rate=44100 -t " +
        std::to_string(seconds) + " -c:v mpeg4 -q:v 5 -c:a pcm_s16le '" + path + "'";
    return std::system(command.c_str()) == 0 && platform::FileExists(path);
  }
  TempDir dir_;
};

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() {
    fs::create_directories(program_dir_);
    fs::create_symlink(RAZIZ2U_PATH, program_dir_ + platform::kEncoderFileName);
  }
  ~DesktopTest() override { Stop(); }

  // Builds the program's windows the way RunDesktop does and shows the main window.
  void Start() {
    Dialogs& dialogs = qt_boxes_ ? static_cast<Dialogs&>(qt_dialogs_) : dialogs_;
    MainWindowOptions options;
    options.program_directory = program_dir_;
    options.required_files = platform::kRequiredFiles;
    options.settings_path = settings_path_;
    options.keep_list = keep_list_;
    MainWindowPorts ports;
    ports.power_off = &power_off_;
    ports.desktop = &desktop_;
    ports.file_dialog = &file_dialog_;
    ports.quit = [this] {
      ++quits_;
      if (real_quit_) QuitProgram();
    };
    window_ = std::make_unique<MainWindow>(ui_, dialogs, options, ports);
    windows_ = std::make_unique<ProgramWindows>(*window_, qt_boxes_ ? &qt_dialogs_ : nullptr);
    window_->Startup();
    windows_->main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&windows_->main(), kWindowTimeoutMs));
  }

  // The program's end: the views go first, then the window logic.
  void Stop() {
    windows_.reset();
    window_.reset();
  }

  // A settings file whose output directory is inside the test's directory. Both boxes are given:
  // a file without them ticks them.
  void StoreOutputDirectory() {
    fs::create_directories(dir_ / "config");
    stored_settings_ = "[General]\nOutputDir=" + out_dir_ +
                       "\n[CheckBoxes]\nOverwriteExistingFile=0\nShutDown=0\n";
    WriteTextFile(settings_path_, stored_settings_);
  }

  template <class W>
  W* MainChild(const char* name) {
    // The client area holds the main window's own controls; its dialogs are children of the
    // window too and reuse some names.
    W* w = windows_->main().centralWidget()->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QAction* Action(const char* name) {
    auto* a = windows_->main().findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  QString Panel(int i) {
    auto* label =
        windows_->main().statusBar()->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
    EXPECT_NE(label, nullptr);
    return label ? label->text() : QString();
  }
  QString Cell(int row, int column) {
    return windows_->main().fileList()->model()->index(row, column).data().toString();
  }
  int Rows() { return windows_->main().fileList()->model()->rowCount(); }
  QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  MainForm& form() { return window_->main_form; }

  void Click(const char* button) {
    QPushButton* b = MainChild<QPushButton>(button);
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
  }

  // "Add Files" with the file dialog answering `paths`.
  void AddFiles(const std::vector<std::string>& paths) {
    file_dialog_.answer = paths;
    Click("AddFileButton");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !windows_->analyzing().isVisible(); }, kWindowTimeoutMs));
  }

  // Picks `text` in the output format list as a user does: drops the list down and clicks the
  // row.
  void ChooseFormat(const QString& text) {
    auto* combo = MainChild<QComboBox>("ComboOutputFormat");
    const int row = combo->findText(text);
    ASSERT_GE(row, 0) << text.toStdString();
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window(), kWindowTimeoutMs));
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->window()->isVisible(); }, kWindowTimeoutMs));
  }

  // Options > "Set Additional Options", then a key press on the shutdown box.
  QCheckBox* ToggleShutdownBox() {
    Action("SetOptionsEntry")->trigger();
    EXPECT_TRUE(windows_->options().isVisible());
    auto* box = windows_->options().findChild<QCheckBox*>(QStringLiteral("CheckBoxShutDown"));
    EXPECT_NE(box, nullptr);
    if (box) QTest::keyClick(box, Qt::Key_Space);
    return box;
  }

  // Handles every event already queued (posted tasks, expired timers), without waiting.
  static void SettleEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }

  void WaitForBatchEnd() {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->BatchRunning(); }, kEncodeTimeoutMs));
    window_->WaitForBatch();
    QTest::qWait(0);
  }

  // Converts the short clip with the shutdown box ticked; returns when the warning window shows.
  void ArmThroughABatch() {
    ASSERT_TRUE(Media::Get().ok);
    StoreOutputDirectory();
    Start();
    dialogs_.ExpectQuestion(true);
    ASSERT_TRUE(ToggleShutdownBox()->isChecked());
    QTest::mouseClick(windows_->options().findChild<QPushButton*>(QStringLiteral("DoneButton")),
                      Qt::LeftButton);
    AddFiles({Media::Get().short_clip});
    Click("ConvertNowButton");
    WaitForBatchEnd();
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows_->warning().isVisible(); }, kWindowTimeoutMs));
    EXPECT_TRUE(window_->shutdown.ShutdownArmed);
    EXPECT_TRUE(dialogs_.Messages().empty()) << "no closing message while the box is ticked";
  }

  // From now on only the test ticks the countdown: the real one-second timer stops following.
  void TakeOverTheCountdownTimer() { ui_.DetachTimer(form().PowerOffCountdownTimer); }
  void TickUpTo(int last) {
    while (window_->shutdown.CountdownTicks < last) window_->PowerOffCountdownTick();
  }
  QString WarningSeconds() {
    auto* label = windows_->warning().findChild<QLabel*>(QStringLiteral("ElapsedSeconds"));
    return label ? label->text() : QString();
  }

  // Runs the program's event loop (QApplication::exec) as main() does, until it ends; false when
  // it had not ended after 20 s (it is then ended by the test).
  bool RunTheLoop() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(20'000);
    return QApplication::exec() == 0;
  }

  // Under tests/gui/under_window_manager.sh: a real window manager stacks the windows.
  static bool UnderAWindowManager() {
    return qEnvironmentVariableIsSet("VIDLOOM_TEST_WINDOW_MANAGER") &&
           QGuiApplication::platformName() == QStringLiteral("xcb");
  }
  static std::string WindowId(QWidget* window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(window->winId()));
    return text;
  }
  // _NET_CLIENT_LIST_STACKING of the root window: the managed windows, bottom first.
  static std::vector<std::string> Stacking() {
    const auto r = testing::RunProgram("/usr/bin/xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
    std::vector<std::string> ids;
    std::size_t at = r.out.find('#');
    while (at != std::string::npos) {
      const std::size_t start = r.out.find("0x", at);
      if (start == std::string::npos) break;
      const std::size_t end = r.out.find_first_of(", \n", start);
      ids.push_back(r.out.substr(start, end - start));
      at = end;
    }
    return ids;
  }

  TempDir dir_;
  bool real_quit_ = false;
  bool qt_boxes_ = false;  // the program's Qt message boxes instead of scripted answers
  QtDialogs qt_dialogs_;   // the window's quit ends the event loop, as the program's does
  const std::string program_dir_ = dir_ / "program/";
  std::string settings_path_ = dir_ / "config/vazadi.ini";
  std::string out_dir_ = dir_ / "out";
  bool keep_list_ = false;
  std::string stored_settings_;
  QtUiThread ui_;
  ScriptedDialogs dialogs_;
  int quits_ = 0;
  FakePowerOff power_off_{quits_};
  RecordingDesktop desktop_;
  ScriptedFileDialog file_dialog_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<ProgramWindows> windows_;
};

// --- Start-up -----------------------------------------------------------------------------------

TEST_F(DesktopTest, StartupShowsTheDesignedWindowAndWritesNothingUntilClosed) {
  Start();
  MainWindowView& main = windows_->main();
  EXPECT_EQ(main.windowTitle(), "Vidloom");
  EXPECT_TRUE(main.isVisible());
  auto* format = MainChild<QComboBox>("ComboOutputFormat");
  EXPECT_EQ(format->count(), 16);
  EXPECT_EQ(format->currentIndex(), 0);
  EXPECT_EQ(format->currentText().toStdString(), FormatCatalogue[0].DisplayName);
  // The value lists are filled for the first format, as the window logic holds them.
  const std::pair<const char*, const Selector*> values[] = {
      {"ComboVideoCodec", &form().ComboVideoCodec},
      {"ComboVideoSize", &form().ComboVideoSize},
      {"ComboVideoBitrate", &form().ComboVideoBitrate},
      {"ComboVideoFramerate", &form().ComboVideoFramerate},
      {"ComboAudioCodec", &form().ComboAudioCodec},
      {"ComboAudioBitrate", &form().ComboAudioBitrate},
      {"ComboSamplingRate", &form().ComboSamplingRate},
  };
  for (const auto& [name, selector] : values) {
    auto* combo = MainChild<QComboBox>(name);
    ASSERT_NE(combo, nullptr);
    EXPECT_GT(combo->count(), 0) << name;
    EXPECT_EQ(combo->count(), selector->count()) << name;
    EXPECT_EQ(combo->currentText().toStdString(), selector->text()) << name;
    EXPECT_FALSE(combo->currentText().isEmpty()) << name;
  }
  EXPECT_EQ(Items(MainChild<QComboBox>("ComboLetterBox")), QStringList({"None", "LetterBox"}));
  EXPECT_EQ(MainChild<QComboBox>("ComboLetterBox")->currentText(), "LetterBox");
  EXPECT_EQ(MainChild<QComboBox>("ComboAudioChannel")->currentText(), "Stereo");
  EXPECT_EQ(MainChild<QComboBox>("ComboAspectRatio")->currentText(), "Original ");
  EXPECT_EQ(MainChild<QSlider>("VolumeSlider")->value(), 5);
  EXPECT_EQ(MainChild<QLabel>("VolumePercent")->text(), "100%");
  EXPECT_EQ(Panel(0), "Ready");
  EXPECT_EQ(MainChild<QLineEdit>("OutputFolder")->text().toStdString(),
            settings::DefaultOutputDirectory());
  EXPECT_EQ(MainChild<QProgressBar>("ConversionProgress")->value(), 0);
  EXPECT_EQ(Rows(), 0);
  // Nothing to stop until a batch converts.
  EXPECT_FALSE(MainChild<QPushButton>("StopConvertButton")->isEnabled());
  EXPECT_FALSE(MainChild<QPushButton>("ButtonStopSmall")->isEnabled());

  // Only the main window shows; the start-up script beside the program was started once.
  EXPECT_FALSE(windows_->analyzing().isVisible());
  EXPECT_FALSE(windows_->about().isVisible());
  EXPECT_FALSE(windows_->warning().isVisible());
  EXPECT_FALSE(windows_->options().isVisible());
  EXPECT_EQ(desktop_.scripts, std::vector<std::string>{program_dir_ + "reg.sh"});
  EXPECT_TRUE(dialogs_.boxes.empty());

  // The settings are written when the window closes, not before.
  SettleEvents();
  EXPECT_FALSE(platform::FileExists(settings_path_));
  EXPECT_TRUE(main.close());
  EXPECT_FALSE(main.isVisible());
  EXPECT_TRUE(platform::FileExists(settings_path_));
  EXPECT_NE(ReadTextFile(settings_path_).find(settings::DefaultOutputDirectory()),
            std::string::npos);
  EXPECT_EQ(quits_, 0);
  EXPECT_EQ(power_off_.calls, 0);
}

TEST_F(DesktopTest, StoredSettingsShowAtStartupAndStayUntouchedUntilClosed) {
  const std::string stored =
      "[General]\nOutputDir=/srv/videos\n[CheckBoxes]\nOverwriteExistingFile=1\nShutDown=0\n"
      "[Combo]\nOutputFormat=12\nLetterBox=0\nComboDropItem=30\n";
  fs::create_directories(dir_ / "config");
  WriteTextFile(settings_path_, stored);
  Start();
  EXPECT_EQ(MainChild<QLineEdit>("OutputFolder")->text(), "/srv/videos");
  // Resting on "Output Directory : " shows the whole output directory.
  auto* folder_label = MainChild<QLabel>("OutputFolderLabel");
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), folder_label->mapToGlobal(QPointF(2, 2)));
  QApplication::sendEvent(folder_label, &enter);
  EXPECT_EQ(folder_label->toolTip(), "/srv/videos");
  auto* format = MainChild<QComboBox>("ComboOutputFormat");
  EXPECT_EQ(format->currentIndex(), 12);
  EXPECT_EQ(format->currentText().toStdString(), FormatListRows()[12]);
  EXPECT_EQ(format->maxVisibleItems(), 30);
  EXPECT_EQ(MainChild<QComboBox>("ComboLetterBox")->currentText(), "None");
  auto* overwrite = windows_->options().findChild<QCheckBox*>(QStringLiteral("CheckBoxOverWrite"));
  ASSERT_NE(overwrite, nullptr);
  EXPECT_TRUE(overwrite->isChecked());
  EXPECT_TRUE(dialogs_.boxes.empty());

  SettleEvents();
  EXPECT_EQ(ReadTextFile(settings_path_), stored);
  ASSERT_TRUE(windows_->main().close());
  const std::string written = ReadTextFile(settings_path_);
  EXPECT_NE(written.find("OutputDir=/srv/videos"), std::string::npos) << written;
  EXPECT_NE(written.find("OutputFormat=12"), std::string::npos) << written;
}

// --- Format and volume choices ------------------------------------------------------------------

TEST_F(DesktopTest, ChoosingAFormatRefreshesTheSelectorsAndTheOutputCells) {
  ASSERT_TRUE(Media::Get().ok);
  Start();
  AddFiles({Media::Get().short_clip, Media::Get().long_clip});
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 0).toStdString(), Media::Get().short_clip);
  EXPECT_EQ(Cell(0, kColumnSize), "320 x 240");
  EXPECT_EQ(Cell(1, kColumnDuration), "00:01:00");
  EXPECT_EQ(Cell(0, kColumnOutput), "MP4");

  auto* format = MainChild<QComboBox>("ComboOutputFormat");
  auto* sizes = MainChild<QComboBox>("ComboVideoSize");
  auto* aspect = MainChild<QComboBox>("ComboAspectRatio");
  auto* slider = MainChild<QSlider>("VolumeSlider");
  auto* volume = MainChild<QLabel>("VolumePercent");

  // The slider at 1 shows 20%.
  slider->setFocus();
  for (int i = 0; i < 4; ++i) QTest::keyClick(slider, Qt::Key_Left);
  EXPECT_EQ(slider->value(), 1);
  EXPECT_EQ(volume->text(), "20%");
  EXPECT_EQ(window_->window.VolumeFactor, "2");

  const struct {
    const char* format;
    const char* output;
    bool video;
  } cases[] = {
      {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", "3G2", true},
      {"AAC - Advance Audio Coding (*.aac)", "AAC", false},
      {"PS3 Video(1080P) (*.mp4)", "MP4", true},
      {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    ChooseFormat(QString::fromLatin1(c.format));
    EXPECT_EQ(format->currentText(), c.format);
    EXPECT_EQ(form().ComboOutputFormat.text(), c.format);
    for (int row = 0; row < 2; ++row) EXPECT_EQ(Cell(row, kColumnOutput), c.output);
    // The value lists on screen are the new format's.
    EXPECT_EQ(Items(sizes).size(), form().ComboVideoSize.count());
    for (int i = 0; i < sizes->count(); ++i) {
      EXPECT_EQ(sizes->itemText(i).toStdString(), form().ComboVideoSize.items()[i]);
    }
    EXPECT_EQ(aspect->isEnabled(), c.video);
    EXPECT_EQ(aspect->currentText(), "Original ");
    // Every format choice puts the volume back to 100%.
    EXPECT_EQ(slider->value(), 5);
    EXPECT_EQ(volume->text(), "100%");
  }

  // A separator row is no choice: the previous entry comes back, cells unchanged.
  const int before = format->currentIndex();
  ChooseFormat(QString::fromLatin1(kSeparatorRow.data(), kSeparatorRow.size()));
  EXPECT_EQ(format->currentIndex(), before);
  EXPECT_EQ(format->currentText(), "MP3 - Mpeg Layer3 Audio (*.mp3)");
  EXPECT_EQ(Cell(0, kColumnOutput), "MP3");

  // The keyboard reaches the same handler: Home picks the first entry.
  format->setFocus();
  QTest::keyClick(format, Qt::Key_Home);
  EXPECT_EQ(format->currentIndex(), 0);
  EXPECT_EQ(form().ComboOutputFormat.selected(), 0);
  EXPECT_EQ(Cell(1, kColumnOutput), "MP4");
  EXPECT_TRUE(aspect->isEnabled());
}

// --- Batches with the real encoder --------------------------------------------------------------

TEST_F(DesktopTest, ABatchShowsItsProgressRefusesToCloseAndStopsWhenAsked) {
  ASSERT_TRUE(Media::Get().ok);
  StoreOutputDirectory();
  Start();
  AddFiles({Media::Get().long_clip});
  // A slow format, so that the batch is still running while the window is looked at.
  ChooseFormat(QStringLiteral("PS3 Video(1080P) (*.mp4)"));
  Click("ConvertNowButton");

  auto* bar = MainChild<QProgressBar>("ConversionProgress");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return kPercent.match(Cell(0, kColumnProgress)).hasMatch() &&
               Cell(0, kColumnProgress) != "0%" && !Cell(0, kColumnFrames).isEmpty() &&
               bar->value() > 0;
      },
      kEncodeTimeoutMs))
      << Cell(0, kColumnProgress).toStdString();
  EXPECT_TRUE(window_->BatchRunning());
  EXPECT_FALSE(Panel(1).isEmpty()) << "the output size";
  EXPECT_EQ(Panel(1).toStdString(), form().Status.panel(1));
  // Where the batch stands: the first panel, the times on the bar, the percentage in the title.
  EXPECT_EQ(Panel(0), "Converting 1 of 1");
  EXPECT_EQ(bar->value(), form().ConversionProgress.position());
  EXPECT_TRUE(bar->isTextVisible());
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9:-]+ elapsed, [0-9:-]+ left  \\|  batch "))
                  .match(bar->text())
                  .hasMatch())
      << bar->text().toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]+% - Vidloom$"))
                  .match(windows_->main().windowTitle())
                  .hasMatch())
      << windows_->main().windowTitle().toStdString();

  // Work controls are off; the stop buttons stay usable.
  EXPECT_FALSE(MainChild<QPushButton>("ConvertNowButton")->isEnabled());
  EXPECT_FALSE(MainChild<QPushButton>("AddFileButton")->isEnabled());
  EXPECT_FALSE(MainChild<QPushButton>("RemoveButton")->isEnabled());
  EXPECT_FALSE(MainChild<QComboBox>("ComboOutputFormat")->isEnabled());
  EXPECT_FALSE(MainChild<QSlider>("VolumeSlider")->isEnabled());
  EXPECT_FALSE(Action("ExitEntry")->isEnabled());
  EXPECT_FALSE(Action("AddFolderEntry")->isEnabled());
  EXPECT_TRUE(MainChild<QPushButton>("StopConvertButton")->isEnabled());
  EXPECT_TRUE(MainChild<QPushButton>("ButtonStopSmall")->isEnabled());

  // Closing is refused silently; nothing is written.
  EXPECT_FALSE(windows_->main().close());
  EXPECT_TRUE(windows_->main().isVisible());
  EXPECT_EQ(ReadTextFile(settings_path_), stored_settings_);
  EXPECT_TRUE(dialogs_.boxes.empty());

  // Stop asks; "Cancel" lets the batch go on.
  dialogs_.ExpectQuestion(false);
  Click("StopConvertButton");
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text, kStopQuestion);
  SettleEvents();
  EXPECT_FALSE(window_->conversion.requests.StopRequested);
  EXPECT_TRUE(window_->BatchRunning());

  // "OK" through the small Stop button aborts the encoder.
  dialogs_.ExpectQuestion(true);
  Click("ButtonStopSmall");
  EXPECT_EQ(dialogs_.boxes.size(), 2u);
  WaitForBatchEnd();
  EXPECT_EQ(Cell(0, kColumnProgress), "Aborted");
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(Panel(0), "0 converted, 1 stopped") << "the batch's summary";
  EXPECT_FALSE(bar->isTextVisible());
  EXPECT_EQ(windows_->main().windowTitle(), "Vidloom");
  EXPECT_TRUE(dialogs_.Messages().empty()) << "a stopped batch announces nothing";
  EXPECT_FALSE(window_->shutdown.ShutdownArmed);

  for (const char* name : {"ConvertNowButton", "AddFileButton", "RemoveButton", "ClearAllButton"}) {
    EXPECT_TRUE(MainChild<QPushButton>(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(MainChild<QComboBox>("ComboOutputFormat")->isEnabled());
  EXPECT_TRUE(MainChild<QSlider>("VolumeSlider")->isEnabled());
  EXPECT_TRUE(Action("ExitEntry")->isEnabled());
  EXPECT_TRUE(windows_->main().close()) << "closing is allowed again";
  EXPECT_NE(ReadTextFile(settings_path_), stored_settings_);
}

TEST_F(DesktopTest, ABatchToTheEndWritesTheOutputAndItsThumbnail) {
  ASSERT_TRUE(Media::Get().ok);
  StoreOutputDirectory();
  Start();
  AddFiles({Media::Get().short_clip});
  ASSERT_EQ(Rows(), 1);
  Click("ConvertNowButton");
  // Stop is pressed, and its question left open until the batch has ended by itself: the
  // question goes with the batch, as answered Cancel, before the closing message shows.
  dialogs_.ExpectQuestion(true);
  dialogs_.while_asking = [&] {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->BatchRunning(); }, kEncodeTimeoutMs));
  };
  bool withdrawn_before_message = false;
  dialogs_.on_box = [&](const ScriptedDialogs::Box&) {
    withdrawn_before_message = dialogs_.boxes.front().withdrawn;
  };
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return MainChild<QPushButton>("StopConvertButton")->isEnabled(); }, kEncodeTimeoutMs));
  Click("StopConvertButton");
  WaitForBatchEnd();
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[0].text, kStopQuestion);
  EXPECT_TRUE(dialogs_.boxes[0].withdrawn);
  EXPECT_TRUE(withdrawn_before_message);
  EXPECT_FALSE(window_->conversion.requests.StopRequested);

  EXPECT_EQ(Cell(0, kColumnProgress), "Done");
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^[0-9]+$")).match(Cell(0, kColumnFrames)).hasMatch())
      << Cell(0, kColumnFrames).toStdString();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kAllDoneText});
  EXPECT_TRUE(Panel(2).isEmpty()) << "the thumbnail panel is cleared";
  EXPECT_TRUE(MainChild<QPushButton>("ConvertNowButton")->isEnabled());
  EXPECT_FALSE(windows_->warning().isVisible());

  const std::string output = out_dir_ + "/short clip.mp4";
  ASSERT_TRUE(platform::FileExists(output)) << [&] {
    std::string names;
    for (const auto& entry : fs::directory_iterator(out_dir_)) names += entry.path().string() + " ";
    return names;
  }();
  EXPECT_GT(fs::file_size(output), 1000u);
  const std::string thumbnail = ReadTextFile(out_dir_ + "/short clip.THM");
  ASSERT_GE(thumbnail.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(thumbnail[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(thumbnail[1]), 0xD8);
  EXPECT_EQ(power_off_.calls, 0);

  // The row names what it left: in its tooltip, and "Open Output Folder" on it shows the file
  // selected where the file manager offers that, else its folder.
  QAbstractItemModel* model = windows_->main().fileList()->model();
  EXPECT_EQ(model->index(0, kColumnProgress).data(Qt::ToolTipRole).toString().toStdString(),
            "Output: " + output + "\nThumbnail: " + out_dir_ + "/short clip.THM");
  window_->main_form.FileList.Select(0);
  desktop_.shows_files = true;
  Action("OpenRowFolderEntry")->trigger();
  desktop_.shows_files = false;
  Action("OpenRowFolderEntry")->trigger();
  EXPECT_EQ(desktop_.shown_files, (std::vector<std::string>{output, output}));
  EXPECT_EQ(desktop_.folders, std::vector<std::string>{out_dir_});
}

// The window in German converts exactly as in English: the same command, byte for byte, and a
// whole output; only what the window shows is German.
TEST_F(DesktopTest, ABatchInGermanRunsTheEnglishCommandAndShowsItsWordsInGerman) {
  ASSERT_TRUE(Media::Get().ok);
  StoreOutputDirectory();
  std::vector<std::string> commands;
  for (const char* language : {"", "de"}) {
    ASSERT_TRUE(texts::UseLanguage(language, platform::ProgramDirectory() + "locale"));
    dialogs_.boxes.clear();
    Start();
    AddFiles({Media::Get().short_clip});
    ASSERT_EQ(Rows(), 1);
    Click("ConvertNowButton");
    WaitForBatchEnd();
    const FileEntry& row = window_->main_form.FileList.row(0);
    EXPECT_EQ(row.state, RowState::kDone) << row.reason;
    ASSERT_FALSE(row.details.empty());
    commands.push_back(row.details.front());
    EXPECT_GT(fs::file_size(out_dir_ + "/short clip.mp4"), 1000u);
    EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{texts::Tr(kAllDoneText)});
    if (*language != '\0') {
      EXPECT_EQ(Cell(0, kColumnProgress), QStringLiteral("Fertig"));
      EXPECT_EQ(MainChild<QPushButton>("ConvertNowButton")->text(),
                QStringLiteral("Konvertieren!"));
      EXPECT_EQ(windows_->main().fileList()->model()->headerData(kColumnProgress, Qt::Horizontal),
                QStringLiteral("Status"));
    }
    Stop();
    fs::remove(out_dir_ + "/short clip.mp4");
    fs::remove(out_dir_ + "/short clip.THM");
  }
  ASSERT_TRUE(texts::UseLanguage(""));
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1], commands[0]);
}

TEST_F(DesktopTest, AFailedRowSaysWhyInItsTooltipTheStatusBarAndItsDetails) {
  // A text file named like a video: the real encoder refuses it, in both runs.
  StoreOutputDirectory();
  const std::string notes = dir_ / "notes.avi";
  WriteTextFile(notes, "A letter, not a film.\n");
  Start();
  AddFiles({notes});
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Cell(0, kColumnSize), "Unknown");
  Click("ConvertNowButton");
  WaitForBatchEnd();
  EXPECT_EQ(Cell(0, kColumnProgress), "Failed");
  const QString reason = QStringLiteral("Unknown format: the input is not a readable media file");
  QAbstractItemModel* model = windows_->main().fileList()->model();
  EXPECT_EQ(model->index(0, kColumnProgress).data(Qt::ToolTipRole).toString(), reason);

  // Selecting the row shows the reason in the status bar.
  auto* message = windows_->main().statusBar()->findChild<QLabel*>(QStringLiteral("StatusMessage"));
  ASSERT_NE(message, nullptr);
  EXPECT_TRUE(message->text().isEmpty());
  QAbstractItemView* list = windows_->main().fileList();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(model->index(0, kColumnSize)).center());
  EXPECT_EQ(message->toolTip(), reason);
  EXPECT_TRUE(reason.startsWith(message->text().chopped(1)) || message->text() == reason);

  // "Show Details": the reason and what the encoder said in every run: the run and its retry
  // (a failed retry is followed by no thumbnail run).
  dialogs_.boxes.clear();
  Action("ShowDetailsEntry")->trigger();
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  const std::string& details = dialogs_.boxes[0].text;
  EXPECT_EQ(dialogs_.boxes[0].caption, "Details");
  EXPECT_EQ(details.rfind(notes + "\n\r" + reason.toStdString(), 0), 0u) << details;
  std::size_t runs = 0;
  for (std::size_t at = 0; (at = details.find("> \"" + program_dir_, at)) != std::string::npos;
       ++at) {
    ++runs;
  }
  EXPECT_EQ(runs, 2u) << details;
  EXPECT_NE(details.find("DS:"), std::string::npos) << "the retry's command line";
}

// Two inputs of one name, the second unreadable: mended and converted again with "Check Failed
// Items", it never takes the name of the first row's output, overwrite or not.
TEST_F(DesktopTest, AMendedRowConvertedAgainNeverReplacesAnotherRowsOutput) {
  ASSERT_TRUE(Media::Get().ok);
  fs::create_directories(dir_ / "config");
  WriteTextFile(settings_path_, "[General]\nOutputDir=" + out_dir_ +
                                    "\n[CheckBoxes]\nOverwriteExistingFile=1\nShutDown=0\n");
  fs::create_directories(dir_ / "x");
  fs::create_directories(dir_ / "y");
  fs::copy_file(Media::Get().short_clip, dir_ / "x/clip.avi");
  WriteTextFile(dir_ / "y/clip.avi", "A letter, not a film.\n");
  Start();
  AddFiles({dir_ / "x/clip.avi", dir_ / "y/clip.avi"});
  ASSERT_EQ(Rows(), 2);
  ChooseFormat(QStringLiteral("MP3 - Mpeg Layer3 Audio (*.mp3)"));
  Click("ConvertNowButton");
  WaitForBatchEnd();
  ASSERT_EQ(Cell(0, kColumnProgress), "Done");
  ASSERT_EQ(Cell(1, kColumnProgress), "Failed");
  const std::string first = out_dir_ + "/clip.mp3";
  const auto first_written = fs::last_write_time(first);

  fs::remove(dir_ / "y/clip.avi");
  fs::copy_file(Media::Get().short_clip, dir_ / "y/clip.avi");
  Action("CheckFailedEntry")->trigger();
  ASSERT_FALSE(form().FileList.row(0).checked);
  for (int run = 0; run < 2; ++run) {
    Click("ConvertNowButton");
    WaitForBatchEnd();
    EXPECT_EQ(Cell(1, kColumnProgress), "Done");
    EXPECT_EQ(form().FileList.row(0).output_path, first);
    EXPECT_EQ(form().FileList.row(1).output_path, out_dir_ + "/clip-1.mp3");
    EXPECT_EQ(fs::last_write_time(first), first_written) << "the first row's output is untouched";
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(out_dir_)) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"clip.mp3", "clip-1.mp3"}))
      << "the second row replaced its own file";
}

TEST_F(DesktopTest, TheKeyboardAddsConvertsAndRemovesAndLongPathsKeepTheirEnds) {
  ASSERT_TRUE(Media::Get().ok);
  StoreOutputDirectory();
  Start();
  // Ctrl+O is File > Add Files. While the files are added the analysing window counts them, and
  // "Clear All " and "Remove" wait for the last row.
  std::vector<std::string> counts;
  bool list_buttons_usable_while_adding = false;
  window_->analyzing_form.Count.Subscribe([&] {
    counts.push_back(window_->analyzing_form.Count.caption());
    list_buttons_usable_while_adding |= MainChild<QPushButton>("ClearAllButton")->isEnabled() ||
                                        MainChild<QPushButton>("RemoveButton")->isEnabled();
  });
  file_dialog_.answer = std::vector<std::string>{Media::Get().short_clip, Media::Get().short_clip};
  // A window shortcut reaches only the active window: the window manager activates it first.
  windows_->main().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&windows_->main(), kWindowTimeoutMs));
  QTest::keyClick(&windows_->main(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Rows() == 2 && !windows_->analyzing().isVisible(); },
                              kWindowTimeoutMs));
  EXPECT_EQ(file_dialog_.calls, 1);
  EXPECT_EQ(counts, (std::vector<std::string>{"1 of 2", "2 of 2"}));
  EXPECT_FALSE(list_buttons_usable_while_adding);
  EXPECT_TRUE(MainChild<QPushButton>("ClearAllButton")->isEnabled());

  // The name column keeps the start and the end of a long path; its tooltip is the whole path.
  FileListView* list = windows_->main().fileList();
  EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
  EXPECT_EQ(list->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
            QString::fromStdString(Media::Get().short_clip));

  // Delete removes the selected row (the window the analysing window gave back is active).
  windows_->main().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&windows_->main(), kWindowTimeoutMs));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(1, kColumnSize)).center());
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(Rows(), 1);

  // Ctrl+Return is File > Convert.
  ASSERT_TRUE(Action("ConvertEntry")->isEnabled());
  QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window_->BatchRunning() || Cell(0, kColumnProgress) == "Done"; },
                      kWindowTimeoutMs));
  WaitForBatchEnd();
  EXPECT_EQ(Cell(0, kColumnProgress), "Done");
}

// --- The shutdown countdown ---------------------------------------------------------------------

TEST_F(DesktopTest, TheCountdownShowsOnTopAndDoNotTurnOffPreventsThePowerOff) {
  ArmThroughABatch();
  WarningWindowView& warning = windows_->warning();
  EXPECT_TRUE(warning.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(warning.windowTitle(), "Warning");
  EXPECT_FALSE(warning.isModal()) << "the main window stays usable";
  EXPECT_TRUE(form().PowerOffCountdownTimer.enabled());
  EXPECT_EQ(form().PowerOffCountdownTimer.interval_ms(), 1000);

  // The event loop's own timer runs the ticks: it runs at the interval, and its event (sent here
  // rather than waited for) is a tick. The rest are ticked by hand.
  QTimer* countdown = ui_.TimerOf(form().PowerOffCountdownTimer);
  ASSERT_NE(countdown, nullptr);
  EXPECT_TRUE(countdown->isActive());
  EXPECT_EQ(countdown->interval(), 1000);
  const int ticks = window_->shutdown.CountdownTicks;
  QTimerEvent timer_event(countdown->timerId());
  QCoreApplication::sendEvent(countdown, &timer_event);
  ASSERT_EQ(window_->shutdown.CountdownTicks, ticks + 1);
  TakeOverTheCountdownTimer();
  EXPECT_EQ(WarningSeconds(), QString::number(window_->shutdown.CountdownTicks));
  for (int tick = window_->shutdown.CountdownTicks + 1; tick < kCountdownLastTick; ++tick) {
    window_->PowerOffCountdownTick();
    EXPECT_EQ(WarningSeconds(), QString::number(tick));
  }
  EXPECT_EQ(WarningSeconds(), "29");

  // While armed neither window closes, by its close box or by Escape.
  EXPECT_FALSE(windows_->main().close());
  EXPECT_TRUE(windows_->main().isVisible());
  EXPECT_FALSE(warning.close());
  QTest::keyClick(&warning, Qt::Key_Escape);
  EXPECT_TRUE(warning.isVisible());
  EXPECT_EQ(ReadTextFile(settings_path_), stored_settings_) << "nothing written while armed";

  QTest::mouseClick(warning.findChild<QPushButton*>(QStringLiteral("DoNotTurnOffButton")),
                    Qt::LeftButton);
  EXPECT_FALSE(warning.isVisible());
  EXPECT_FALSE(window_->shutdown.ShutdownArmed);
  EXPECT_FALSE(form().PowerOffCountdownTimer.enabled());
  EXPECT_EQ(power_off_.calls, 0);
  EXPECT_EQ(quits_, 0);
  EXPECT_TRUE(windows_->main().close()) << "closing is allowed again";
  EXPECT_NE(ReadTextFile(settings_path_).find("ShutDown=1"), std::string::npos);
}

TEST_F(DesktopTest, TheThirtiethTickOfTheRealTimerEndsTheLoopThenPowersOffOnce) {
  ArmThroughABatch();
  real_quit_ = true;
  // The 29 ticks before are the countdown's own business; the program's 1 s timer gives the
  // 30th inside the program's event loop.
  window_->shutdown.CountdownTicks = kCountdownLastTick - 1;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(RunTheLoop()) << "the loop did not end";
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(WarningSeconds(), "30");
  EXPECT_EQ(quits_, 1);
  EXPECT_EQ(power_off_.calls, 1);
  EXPECT_EQ(power_off_.quits_before_first_call, 1) << "the loop is asked to end first";
  EXPECT_FALSE(form().PowerOffCountdownTimer.enabled());
  // The program ended without its close query: no settings file written.
  Stop();
  EXPECT_EQ(ReadTextFile(settings_path_), stored_settings_);
  EXPECT_EQ(power_off_.calls, 1);
}

TEST_F(DesktopTest, ExitEndsTheLoopWithoutTheCloseQueryInEveryState) {
  // Idle: the loop ends and nothing is written (closing the window would write the file).
  StoreOutputDirectory();
  Start();
  real_quit_ = true;
  QTimer::singleShot(0, &windows_->main(), [this] { Action("ExitEntry")->trigger(); });
  EXPECT_TRUE(RunTheLoop()) << "File > Exit did not end the loop";
  EXPECT_EQ(quits_, 1);
  EXPECT_EQ(ReadTextFile(settings_path_), stored_settings_);
  Stop();
  EXPECT_EQ(ReadTextFile(settings_path_), stored_settings_);
}

TEST_F(DesktopTest, ExitDuringTheCountdownEndsTheLoopWithoutPowerOffOrSaving) {
  ArmThroughABatch();
  real_quit_ = true;
  // The close query refuses while the countdown runs; Exit does not ask it.
  QTimer::singleShot(0, &windows_->main(), [this] {
    ASSERT_TRUE(Action("ExitEntry")->isEnabled());
    Action("ExitEntry")->trigger();
  });
  EXPECT_TRUE(RunTheLoop()) << "File > Exit did not end the loop during the countdown";
  EXPECT_EQ(quits_, 1);
  Stop();
  EXPECT_EQ(power_off_.calls, 0);
  EXPECT_EQ(ReadTextFile(settings_path_), stored_settings_);
}

// --- The program's command line ------------------------------------------------------------------

TEST(DesktopProgram, HelpAndVersionAnswerOnTheTerminalAndOtherOptionsAreRefused) {
  // No display at all: the answers need no window.
  const std::vector<std::string> no_display = {
      "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=xcb"};
  for (const char* option : {"--help", "-h"}) {
    const auto r = testing::RunProgram(VIDLOOM_PATH, {option, "clip.avi"}, no_display);
    EXPECT_EQ(r.status, 0) << option << r.err;
    EXPECT_EQ(r.out.rfind("Usage: vidloom [OPTION]... [FILE|FOLDER]...\n", 0), 0u) << r.out;
  }
  const auto version = testing::RunProgram(VIDLOOM_PATH, {"--version"}, no_display);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("Vidloom ", 0), 0u) << version.out;

  // Anything else that starts with "-" and is not Qt's own is refused before a window shows.
  const auto refused =
      testing::RunProgram(VIDLOOM_PATH, {"-platform", "offscreen", "--frobnicate", "a.avi"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("unknown option --frobnicate\nUsage: vidloom"), std::string::npos)
      << refused.err;
}

// --- Options dialog and About box ---------------------------------------------------------------

TEST_F(DesktopTest, TheShutdownQuestionOpensAboveTheOptionsDialogThatAsked) {
  // With the program's own Qt boxes: the options dialog stays on top, and the question it asks
  // must not open behind it.
  qt_boxes_ = true;
  Start();
  Action("SetOptionsEntry")->trigger();
  OptionsDialogView& options = windows_->options();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&options, kWindowTimeoutMs));
  auto* box = options.findChild<QCheckBox*>(QStringLiteral("CheckBoxShutDown"));
  ASSERT_NE(box, nullptr);

  bool asked = false;
  QWidget* owner = nullptr;
  bool on_top = false;
  std::vector<std::string> stacking;  // the window manager's order, bottom first
  std::string question_id, options_id;
  QTimer::singleShot(0, &options, [&] {
    auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(question, nullptr);
    asked = true;
    owner = question->parentWidget();
    on_top = question->windowFlags() & Qt::WindowStaysOnTopHint;
    if (UnderAWindowManager()) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(question, kWindowTimeoutMs));
      question_id = WindowId(question);
      options_id = WindowId(&options);
      // The manager restacks after mapping: wait until it shows both, the question on top.
      EXPECT_TRUE(QTest::qWaitFor(
          [&] {
            stacking = Stacking();
            const auto q = std::find(stacking.begin(), stacking.end(), question_id);
            const auto o = std::find(stacking.begin(), stacking.end(), options_id);
            return q != stacking.end() && o != stacking.end() && q > o;
          },
          kWindowTimeoutMs))
          << "the question is stacked below the dialog";
    }
    question->button(QMessageBox::No)->click();
  });
  QTest::keyClick(box, Qt::Key_Space);
  ASSERT_TRUE(asked) << "no question was asked";
  EXPECT_EQ(owner, &options) << "the question belongs to the dialog that asked";
  EXPECT_TRUE(on_top) << "it stays on top as its owner does";
  EXPECT_FALSE(box->isChecked()) << "No unticks it";
  if (UnderAWindowManager()) {
    const auto at = [&](const std::string& id) {
      return std::find(stacking.begin(), stacking.end(), id) - stacking.begin();
    };
    ASSERT_LT(at(question_id), static_cast<std::ptrdiff_t>(stacking.size())) << question_id;
    ASSERT_LT(at(options_id), static_cast<std::ptrdiff_t>(stacking.size())) << options_id;
    EXPECT_GT(at(question_id), at(options_id)) << "the question is stacked below the dialog";
  }
}

TEST_F(DesktopTest, TheOptionsDialogOpensWhereItWasLeft) {
  Start();
  OptionsDialogView& options = windows_->options();
  Action("SetOptionsEntry")->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&options, kWindowTimeoutMs));
  options.move(options.pos() + QPoint(40, 30));  // where the user drags it
  for (int shown = 0; shown < 3; ++shown) {
    QTest::qWait(0);
    const QRect before = options.geometry();
    QTest::mouseClick(options.findChild<QPushButton*>(QStringLiteral("DoneButton")),
                      Qt::LeftButton);
    ASSERT_FALSE(options.isVisible());
    Action("SetOptionsEntry")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&options, kWindowTimeoutMs));
    // The window manager places the frame after mapping: wait until it stands, then compare.
    EXPECT_TRUE(QTest::qWaitFor([&] { return options.geometry() == before; }, 2000))
        << "shown " << shown + 1 << " times: " << options.geometry().y() << " for " << before.y();
  }
}

TEST_F(DesktopTest, TickingTheShutdownBoxAsksAndNoUnticksIt) {
  Start();
  Action("SetOptionsEntry")->trigger();
  OptionsDialogView& options = windows_->options();
  EXPECT_TRUE(options.isVisible());
  EXPECT_FALSE(options.isModal());
  EXPECT_TRUE(windows_->main().isEnabled());
  auto* box = options.findChild<QCheckBox*>(QStringLiteral("CheckBoxShutDown"));
  ASSERT_NE(box, nullptr);

  dialogs_.ExpectQuestion(false);
  QTest::keyClick(box, Qt::Key_Space);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].kind, "yesno");
  EXPECT_EQ(dialogs_.boxes[0].text, settings::kShutdownQuestion);
  EXPECT_FALSE(box->isChecked()) << "No unticks it";
  EXPECT_FALSE(window_->options_form.CheckBoxShutDown.checked());

  dialogs_.ExpectQuestion(true);
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(window_->options_form.CheckBoxShutDown.checked());

  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(dialogs_.boxes.size(), 2u) << "unticking asks nothing";

  QTest::mouseClick(options.findChild<QPushButton*>(QStringLiteral("DoneButton")), Qt::LeftButton);
  EXPECT_FALSE(options.isVisible());
  EXPECT_FALSE(window_->options_form.visible);
}

TEST_F(DesktopTest, TheAboutBoxIsModalAndItsLinksOpenThroughTheDesktop) {
  Start();
  Action("AboutEntry")->trigger();
  AboutBoxView& about = windows_->about();
  ASSERT_TRUE(about.isVisible());
  EXPECT_EQ(about.windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(QApplication::activeModalWidget(), &about);

  QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("WebsiteLink")), Qt::LeftButton);
  QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("SupportLink")), Qt::LeftButton);
  EXPECT_EQ(desktop_.urls, (std::vector<std::string>{kWebsiteUrl, kSupportMailUrl}));

  QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("OkButton")), Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());
  EXPECT_FALSE(window_->about_form.visible);
  // Shown again any number of times.
  Action("AboutEntry")->trigger();
  EXPECT_TRUE(about.isVisible());
  QTest::keyClick(&about, Qt::Key_Escape);
  EXPECT_FALSE(about.isVisible());
}

// --- Lifetime -----------------------------------------------------------------------------------

TEST_F(DesktopTest, TheViewsGoFirstAndTheLogicStillChangesItsFormsSafely) {
  ASSERT_TRUE(Media::Get().ok);
  StoreOutputDirectory();
  Start();
  AddFiles({Media::Get().long_clip});
  ChooseFormat(QStringLiteral("PS3 Video(1080P) (*.mp4)"));
  Click("ConvertNowButton");
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_->conversion.batch.Converting.load(); },
                              kEncodeTimeoutMs));
  // The program's end while a batch runs: views first, then the logic aborts the batch, which
  // changes the forms the gone views drew.
  windows_.reset();
  window_->AboutEntryClick();
  window_->SetOptionsEntryClick();
  window_->batch_window().hooks.ArmShutdownCountdown();
  window_->DoNotTurnOffClick();
  window_.reset();
  EXPECT_EQ(power_off_.calls, 0);
}

// --- The list kept for a restore after a crash ---------------------------------------------------

// The program killed (SIGKILL) at a point of its work, then started again. The child is this
// test program once more, running KillTestChild: it builds the windows as the program does, adds
// three clips given on the command line, converts them, and kills itself with SIGKILL the moment
// it reaches its point (after the list heard of that moment, as it would in the program).
constexpr const char* kKillAt = "VIDLOOM_KILL_AT";
constexpr const char* kKillDir = "VIDLOOM_KILL_DIR";

class KeptListDesktopTest : public DesktopTest {
 protected:
  KeptListDesktopTest() { keep_list_ = true; }

  // A folder of its own for one program's life: the settings (and so the list) in config/, the
  // outputs in out/, the clips a.avi (1 s), b.avi (8 s) and c.avi (1 s).
  static void PrepareFolder(const std::string& dir) {
    fs::create_directories(dir + "/config");
    WriteTextFile(dir + "/config/vazadi.ini", "[General]\nOutputDir=" + dir +
                                                  "/out\n[CheckBoxes]\nOverwriteExistingFile=0"
                                                  "\nShutDown=0\n");
    fs::copy_file(Media::Get().short_clip, dir + "/a.avi");
    fs::copy_file(MediumClip(), dir + "/b.avi");
    fs::copy_file(Media::Get().short_clip, dir + "/c.avi");
  }
  static const std::string& MediumClip() {
    static TempDir dir;
    static const std::string clip = [] {
      const std::string path = dir / "medium.avi";
      const std::string command =
          "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi "
          "-i sine=frequency=440:sample_rate=44100 -t 8 -c:v mpeg4 -q:v 5 -c:a pcm_s16le '" +
          path + "'";
      return std::system(command.c_str()) == 0 ? path : std::string();
    }();
    return clip;
  }

  // Runs the child to its kill point in `dir`; true when it was killed there.
  static bool KillAt(const std::string& point, const std::string& dir) {
    const auto r = testing::RunProgram(
        "/proc/self/exe", {"--gtest_filter=KeptListDesktopTest.KillTestChild"},
        {std::string(kKillAt) + "=" + point, std::string(kKillDir) + "=" + dir});
    EXPECT_EQ(r.status, 128 + SIGKILL) << point << "\n" << r.out << r.err;
    return r.status == 128 + SIGKILL;
  }

  // Starts the window again on `dir`'s settings and list; `answer` for the restore question.
  std::vector<ScriptedDialogs::Box> StartAgain(const std::string& dir, std::optional<bool> answer) {
    Stop();
    settings_path_ = dir + "/config/vazadi.ini";
    out_dir_ = dir + "/out";
    dialogs_.boxes.clear();
    if (answer) dialogs_.ExpectQuestion(*answer);
    Start();
    window_->BeginSession({});
    return dialogs_.boxes;
  }

  // The length of a media file as ffprobe reads it; -1 when it cannot.
  static double Seconds(const std::string& path) {
    const auto r = testing::RunProgram("/usr/bin/ffprobe",
                                       {"-v", "error", "-show_entries", "format=duration", "-of",
                                        "default=noprint_wrappers=1:nokey=1", path});
    return r.status == 0 && !r.out.empty() ? std::atof(r.out.c_str()) : -1;
  }
};

TEST_F(KeptListDesktopTest, KillTestChild) {
  const std::string point = qEnvironmentVariable(kKillAt).toStdString();
  if (point.empty()) GTEST_SKIP() << "the child of the kill tests, started by them";
  const std::string dir = qEnvironmentVariable(kKillDir).toStdString();
  settings_path_ = dir + "/config/vazadi.ini";
  out_dir_ = dir + "/out";
  const auto die = [] { kill(getpid(), SIGKILL); };
  Start();
  testing::DieAt(point, form(), dialogs_, die);
  if (point == "question") {
    window_->BeginSession({});
    FAIL() << "no question";
  }
  window_->BeginSession({dir + "/a.avi", dir + "/b.avi", dir + "/c.avi"});
  ASSERT_EQ(Rows(), 3);
  if (point == "hold") {
    // The other window of the two-window test: it holds its list until told to end.
    WriteTextFile(dir + "/ready", "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(dir + "/go"); }, kEncodeTimeoutMs));
    die();
  }
  Click("ConvertNowButton");
  WaitForBatchEnd();
  if (point == "after-batch") die();
  FAIL() << "not killed at " << point;
}

TEST_F(KeptListDesktopTest, KilledAtAnyPointTheNextStartOffersTheListBackWhole) {
  ASSERT_TRUE(Media::Get().ok);
  ASSERT_FALSE(MediumClip().empty());
  int restored_whole = 0;
  for (const testing::KillPoint& point : testing::KillPoints()) {
    SCOPED_TRACE(point.name);
    TempDir dir;
    PrepareFolder(dir.path());
    if (std::string(point.name) == "question") {
      ASSERT_TRUE(KillAt("between-rows", dir.path()));
    }
    ASSERT_TRUE(KillAt(point.name, dir.path()));
    const auto boxes = StartAgain(dir.path(), true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kept_list::RestoreQuestion(point.files, point.converted));
    ASSERT_EQ(Rows(), static_cast<int>(point.files));
    bool whole = true;
    for (int row = 0; row < Rows(); ++row) {
      const FileEntry& entry = form().FileList.row(row);
      EXPECT_EQ(entry.input_path, dir.path() + "/" + std::string(1, 'a' + row) + ".avi");
      EXPECT_EQ(Cell(row, kColumnProgress).toStdString(), point.progress[row]) << row;
      const std::string reason = testing::ReasonAfter(point, row);
      EXPECT_EQ(entry.reason.substr(0, reason.size()), reason) << row;
      if (entry.state == RowState::kDone) {
        // Whole: it plays for as long as its clip.
        const double expected = row == 1 ? 8 : 1;
        const double seconds = Seconds(entry.output_path);
        EXPECT_NEAR(seconds, expected, 0.2) << entry.output_path;
        whole = whole && std::abs(seconds - expected) <= 0.2;
      }
      if (entry.state == RowState::kAborted) {
        EXPECT_NE(entry.reason.find(entry.output_path), std::string::npos)
            << "names its partial output: " << entry.reason;
      }
    }
    restored_whole += whole ? 1 : 0;
    // The restored list is the new window's: a clean exit leaves nothing to restore.
    ASSERT_TRUE(window_->TryClose());
    EXPECT_TRUE(StartAgain(dir.path(), std::nullopt).empty());
  }
  std::printf("kill points tried: %zu, lists restored whole: %d\n", testing::KillPoints().size(),
              restored_whole);
}

TEST_F(KeptListDesktopTest, AWindowStartedWhileAnotherRunsIsNotOfferedItsList) {
  ASSERT_TRUE(Media::Get().ok);
  ASSERT_FALSE(MediumClip().empty());
  TempDir dir;
  PrepareFolder(dir.path());
  std::thread other([&] { KillAt("hold", dir.path()); });
  ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(dir / "ready"); }, kEncodeTimeoutMs));
  // The other window runs with its three rows: this one is offered nothing.
  EXPECT_TRUE(StartAgain(dir.path(), std::nullopt).empty());
  AddFiles({Media::Get().short_clip});
  WriteTextFile(dir / "go", "");
  other.join();
  // Both ended without a clean exit: each start is offered one list, whole, never both mixed;
  // the newest first.
  Stop();
  auto boxes = StartAgain(dir.path(), false);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kept_list::RestoreQuestion(1, 0));
  boxes = StartAgain(dir.path(), true);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kept_list::RestoreQuestion(3, 0));
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(form().FileList.row(0).input_path, dir / "a.avi");
  ASSERT_TRUE(window_->TryClose());
  EXPECT_TRUE(StartAgain(dir.path(), std::nullopt).empty());
}

}  // namespace
}  // namespace vidloom::gui
