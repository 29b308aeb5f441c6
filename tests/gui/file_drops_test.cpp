// Local files reaching the program from outside its file dialog: URLs to paths, the command
// line, and drops synthesized on the file list and elsewhere on the main window.
#include "gui/file_drops.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QSysInfo>
#include <QTest>
#include <memory>

#include "gui/file_list_view.h"
#include "gui/main_window_view.h"
#include "model/forms.h"

namespace vidloom::gui {
namespace {

using Paths = std::vector<std::string>;

QList<QUrl> Urls(std::initializer_list<const char*> texts) {
  QList<QUrl> urls;
  for (const char* text : texts) urls.push_back(QUrl::fromEncoded(QByteArray(text)));
  return urls;
}

TEST(LocalFilePathsTest, OnlyLocalFilesByteForByte) {
  struct Case {
    const char* url;
    Paths expected;
  };
  const std::string host = QSysInfo::machineHostName().toStdString();
  const Case cases[] = {
      {"file:///home/me/clip.avi", {"/home/me/clip.avi"}},
      {"file:///home/me/My%20Clips/a%23b.mp4", {"/home/me/My Clips/a#b.mp4"}},
      {"file:///tmp/caf%C3%A9.mp3", {"/tmp/caf\xC3\xA9.mp3"}},
      {"file:///tmp/%FF%FE.wav", {"/tmp/\xFF\xFE.wav"}},  // not UTF-8: the bytes survive
      {"file://localhost/srv/x.avi", {"/srv/x.avi"}},
      {"file://LOCALHOST/srv/y.avi", {"/srv/y.avi"}},
      {"file:///videos/", {"/videos/"}},
      {"file://otherhost/share/x.avi", {}},
      {"http://example.com/x.avi", {}},
      {"https://example.com/file:///x.avi", {}},
      {"smb://nas/share/x.avi", {}},
      {"sftp://me@host/x.avi", {}},
      {"file:", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LocalFilePaths(Urls({c.url})), c.expected) << c.url;
  }
  if (!host.empty() && host != "localhost") {
    const QUrl own = QUrl::fromEncoded(QByteArray(("file://" + host + "/srv/z.avi").c_str()));
    EXPECT_EQ(LocalFilePaths({own}), Paths{"/srv/z.avi"}) << "this machine's own name";
  }
  // Mixed lists keep the local files in their order.
  EXPECT_EQ(LocalFilePaths(Urls({"file:///b.avi", "http://x/y", "file:///a.avi"})),
            (Paths{"/b.avi", "/a.avi"}));
  EXPECT_EQ(LocalFilePaths(QUrl::fromStringList({QStringLiteral("/plain/name.avi")})), Paths{})
      << "a URL without a scheme is no local file";
}

TEST(CommandLineFilesTest, ArgumentsAfterTheProgramNameAsGiven) {
  const char* argv[] = {"vidloom",
                        "a.mp4",
                        "",
                        "/abs/b c.mp3",
                        "folder/",
                        "file:///x/y%20z.avi",
                        "file://otherhost/nope.avi",
                        "https://example.com/nope.avi",
                        "sftp://me@host/nope.avi",
                        "-an-option",
                        "dir/with://inside.avi",
                        "raw\xFF.wav",
                        "-",
                        "--",
                        "-odd-name.avi",
                        "--",
                        nullptr};
  const int argc = static_cast<int>(std::size(argv)) - 1;
  // Options are not files; after "--" every argument is one, and "-" alone is a name too.
  EXPECT_EQ(CommandLineFiles(argc, argv),
            (Paths{"a.mp4", "/abs/b c.mp3", "folder/", "/x/y z.avi", "dir/with://inside.avi",
                   "raw\xFF.wav", "-", "-odd-name.avi", "--"}));
  EXPECT_TRUE(CommandLineFiles(1, argv).empty()) << "no arguments: nothing to add";
}

// --- Synthesized drags and drops --------------------------------------------------------------

class DropTest : public ::testing::Test {
 protected:
  DropTest() {
    target_.on_drop = [this](const Paths& paths) { drops_.push_back(paths); };
  }

  static std::unique_ptr<QMimeData> Mime(std::initializer_list<const char*> urls) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(Urls(urls));
    return mime;
  }

  // Sends a drag enter then a drop to `widget`; returns whether each was accepted, and the
  // drop action of the accepted drag.
  struct Outcome {
    bool enter_accepted;
    bool drop_accepted;
    Qt::DropAction action;
  };
  static Outcome DragAndDrop(QWidget* widget, const QMimeData* mime,
                             Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction |
                                                       Qt::LinkAction) {
    const QPoint centre = widget->rect().center();
    QDragEnterEvent enter(centre, offered, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(centre), offered, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return {enter.isAccepted(), drop.isAccepted(), enter.dropAction()};
  }

  FileDropTarget target_;
  std::vector<Paths> drops_;
};

TEST_F(DropTest, TheListPassesLocalFilesAndIgnoresTheRest) {
  ListView list;
  FileListView view(list);
  view.resize(400, 200);
  view.SetFileDropTarget(&target_);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QWidget* area = view.viewport();

  const auto files = Mime({"file:///m/a.avi", "https://x/b.avi", "file:///m/folder"});
  Outcome outcome = DragAndDrop(area, files.get());
  EXPECT_TRUE(outcome.enter_accepted);
  EXPECT_TRUE(outcome.drop_accepted);
  EXPECT_EQ(outcome.action, Qt::CopyAction) << "the file manager keeps its files";
  ASSERT_EQ(drops_.size(), 1u);
  EXPECT_EQ(drops_[0], (Paths{"/m/a.avi", "/m/folder"}));
  EXPECT_EQ(list.count(), 0) << "the view adds nothing itself";

  const auto remote = Mime({"https://x/b.avi", "smb://nas/c.avi"});
  outcome = DragAndDrop(area, remote.get());
  EXPECT_FALSE(outcome.enter_accepted);
  EXPECT_FALSE(outcome.drop_accepted);
  auto text = std::make_unique<QMimeData>();
  text->setText(QStringLiteral("/m/a.avi"));
  EXPECT_FALSE(DragAndDrop(area, text.get()).enter_accepted) << "plain text is no file";
  EXPECT_EQ(drops_.size(), 1u);

  // A source that offers only to move gets no drop; one offering a link gets a link.
  EXPECT_FALSE(DragAndDrop(area, files.get(), Qt::MoveAction).drop_accepted);
  outcome = DragAndDrop(area, files.get(), Qt::LinkAction | Qt::MoveAction);
  EXPECT_TRUE(outcome.drop_accepted);
  EXPECT_EQ(outcome.action, Qt::LinkAction);
  EXPECT_EQ(drops_.size(), 2u);
}

TEST_F(DropTest, RefusedWhileNotAllowedAndWithoutATarget) {
  ListView list;
  FileListView view(list);
  view.resize(400, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const auto files = Mime({"file:///m/a.avi"});

  EXPECT_FALSE(DragAndDrop(view.viewport(), files.get()).enter_accepted) << "no target";

  bool allowed = false;
  target_.allowed = [&] { return allowed; };
  view.SetFileDropTarget(&target_);
  Outcome outcome = DragAndDrop(view.viewport(), files.get());
  EXPECT_FALSE(outcome.enter_accepted);
  EXPECT_FALSE(outcome.drop_accepted);
  EXPECT_TRUE(drops_.empty());

  // Allowed when the drag entered, refused by the time of the drop (a batch started).
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, files.get(), Qt::LeftButton,
                        Qt::NoModifier);
  allowed = true;
  QApplication::sendEvent(view.viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  allowed = false;
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view.viewport(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_TRUE(drops_.empty());

  allowed = true;
  EXPECT_TRUE(DragAndDrop(view.viewport(), files.get()).drop_accepted);
  EXPECT_EQ(drops_, std::vector<Paths>{Paths{"/m/a.avi"}});
}

TEST_F(DropTest, TheMainWindowTakesDropsOnTheListAndAnywhereElse) {
  MainForm form;
  MainWindowView view(form);
  view.fileDrops().on_drop = target_.on_drop;
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

  const auto files = Mime({"file:///m/a.avi", "file:///m/b.mp3"});
  EXPECT_TRUE(DragAndDrop(view.fileList()->viewport(), files.get()).drop_accepted);
  // The progress bar takes no drops itself: the window behind it does.
  auto* bar = view.findChild<QProgressBar*>(QStringLiteral("ConversionProgress"));
  ASSERT_NE(bar, nullptr);
  ASSERT_FALSE(bar->acceptDrops());
  EXPECT_TRUE(DragAndDrop(bar, files.get()).drop_accepted);
  EXPECT_EQ(drops_, (std::vector<Paths>{{"/m/a.avi", "/m/b.mp3"}, {"/m/a.avi", "/m/b.mp3"}}));

  view.fileDrops().allowed = [] { return false; };
  EXPECT_FALSE(DragAndDrop(view.fileList()->viewport(), files.get()).enter_accepted);
  EXPECT_FALSE(DragAndDrop(bar, files.get()).drop_accepted);
  EXPECT_EQ(drops_.size(), 2u);
}

}  // namespace
}  // namespace vidloom::gui
