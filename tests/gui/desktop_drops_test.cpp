// Drops on the program's windows as the program wires them (ProgramWindows over a MainWindow on
// the Qt event loop): a dropped folder and file become rows after the drop has returned, and
// drags are refused while files are being added.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <filesystem>
#include <memory>

#include "gui/file_list_view.h"
#include "gui/main_window_view.h"
#include "gui/program_windows.h"
#include "gui/qt_ui_thread.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "window_logic/main_window.h"

namespace vidloom::gui {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::TempDir;
using testing::WriteTextFile;
using Paths = std::vector<std::string>;

class DesktopDropsTest : public ::testing::Test {
 protected:
  DesktopDropsTest() {
    MainWindowOptions options;
    options.program_directory = fs::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
    options.required_files = {"raziz2u"};
    options.settings_path = config_ / "vazadi.ini";
    options.load_settings = false;
    options.end_pause_ms = 0;
    options.add_files_pause_ms = 0;
    options.read_video_info = [](const std::string&) {
      return analysis::VideoInfoValues{640, 480, 25, "00:10"};
    };
    window_ = std::make_unique<MainWindow>(ui_, dialogs_, options);
    windows_ = std::make_unique<ProgramWindows>(*window_);
    window_->Startup();
    windows_->main().show();
  }
  ~DesktopDropsTest() override {
    windows_.reset();
    window_.reset();
  }

  std::string File(const std::string& relative) {
    const fs::path path = fs::path(media_.path()) / relative;
    fs::create_directories(path.parent_path());
    WriteTextFile(path.string(), "media");
    return path.string();
  }

  static std::unique_ptr<QMimeData> Mime(const Paths& paths) {
    QList<QUrl> urls;
    for (const auto& path : paths)
      urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
  }

  QWidget* ListArea() { return windows_->main().fileList()->viewport(); }

  bool DragEnter(const QMimeData* mime) {
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ListArea(), &enter);
    return enter.isAccepted();
  }
  bool Drop(const QMimeData* mime) {
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ListArea(), &drop);
    return drop.isAccepted();
  }

  Paths Captions() const {
    Paths captions;
    for (const auto& row : window_->main_form.FileList.rows()) captions.push_back(row.input_path);
    return captions;
  }

  TempDir media_;
  TempDir config_;
  QtUiThread ui_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<ProgramWindows> windows_;
};

// How long an adding may take on a busy machine; the waits end as soon as it is done.
constexpr int kAddingTimeoutMs = 30000;

TEST_F(DesktopDropsTest, ADroppedFolderAndFileBecomeRowsAfterTheDrop) {
  File("season/ep2.avi");
  File("season/ep10.avi");
  File("season/cover.jpg");
  const std::string clip = File("clip.mp4");
  const auto mime = Mime({media_ / "season", clip});

  ASSERT_TRUE(DragEnter(mime.get()));
  ASSERT_TRUE(Drop(mime.get()));
  EXPECT_EQ(window_->main_form.FileList.count(), 0) << "the adding waits until the drop returned";
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window_->main_form.FileList.count() == 3; }, kAddingTimeoutMs));
  EXPECT_EQ(Captions(), (Paths{media_ / "season/ep2.avi", media_ / "season/ep10.avi", clip}));
  EXPECT_EQ(windows_->main().fileList()->model()->rowCount(), 3) << "the view shows them";
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(DesktopDropsTest, DragsAreRefusedWhileFilesAreBeingAdded) {
  const std::string first = File("a.avi");
  const auto other = Mime({File("b.avi")});
  std::vector<bool> accepted;
  // Asked on the UI thread when the analysing window shows the file's name.
  Label& panel = window_->analyzing_form.FileBeingAnalysed;
  panel.Subscribe([&] {
    if (panel.caption() == "a.avi") accepted.push_back(DragEnter(other.get()));
  });
  const auto mime = Mime({first});
  ASSERT_TRUE(window_->AcceptsGivenFiles());
  ASSERT_TRUE(DragEnter(mime.get()));
  ASSERT_TRUE(Drop(mime.get()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !accepted.empty(); }, kAddingTimeoutMs));
  EXPECT_EQ(accepted, std::vector<bool>{false});
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_->AcceptsGivenFiles(); }, kAddingTimeoutMs));
  EXPECT_EQ(Captions(), Paths{first});
  EXPECT_TRUE(DragEnter(other.get())) << "accepted again once the adding has ended";
}

}  // namespace
}  // namespace vidloom::gui
