// The main window view against the window model: captions and layout, model-to-widget updates,
// user actions reaching the model.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <memory>

#include "gui/file_list_view.h"
#include "gui/main_window_view.h"
#include "model/forms.h"

namespace vidloom::gui {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_ = std::make_unique<MainWindowView>(form_);
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
  }
  void TearDown() override { view_.reset(); }

  template <class W>
  W* Find(const char* name) {
    W* w = view_->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  static FileEntry Entry(const std::string& caption, bool checked = false) {
    FileEntry e;
    e.input_path = caption;
    e.checked = checked;
    e.media = MediaFacts::Of("640 x 480", "25", "00:01:00");
    e.output_extension = "MP4";
    return e;
  }

  QString Cell(int row, int column) {
    auto* list = view_->fileList();
    return list->model()->index(row, column).data().toString();
  }

  MainForm form_;
  std::unique_ptr<MainWindowView> view_;
};

TEST_F(MainWindowTest, ShowsTheModelsCaptionsAndFixedClientArea) {
  EXPECT_EQ(view_->windowTitle(), "Vidloom");
  EXPECT_EQ(Find<QPushButton>("AddFileButton")->text(), "Add Files");
  EXPECT_EQ(Find<QPushButton>("StopConvertButton")->text(), "Stop Convert");
  EXPECT_EQ(Find<QPushButton>("ConvertNowButton")->text(), "Convert Now !");
  EXPECT_EQ(Find<QPushButton>("RemoveButton")->text(), "Remove");
  EXPECT_EQ(Find<QPushButton>("ClearAllButton")->text(), "Clear All ");
  EXPECT_EQ(Find<QPushButton>("ButtonStopSmall")->text(), "Stop");
  EXPECT_TRUE(Find<QPushButton>("ButtonBrowseForFolder")->text().isEmpty());
  EXPECT_FALSE(Find<QPushButton>("ButtonBrowseForFolder")->icon().isNull());
  for (const char* name : {"AddFileButton", "StopConvertButton", "ConvertNowButton", "RemoveButton",
                           "ClearAllButton"}) {
    auto* b = Find<QPushButton>(name);
    EXPECT_TRUE(b->isFlat()) << name;
    EXPECT_TRUE(b->font().bold()) << name;
    EXPECT_FALSE(b->icon().isNull()) << name;
    EXPECT_EQ(b->accessibleName(), b->text().trimmed()) << name;
  }
  EXPECT_EQ(Find<QLabel>("OutputFormatLabel")->text(), "Output Format : ");
  EXPECT_EQ(Find<QLabel>("OutputFolderLabel")->text(), "Output Directory : ");
  EXPECT_EQ(Find<QLabel>("VolumePercent")->text(), "100%");
  EXPECT_EQ(Find<QGroupBox>("VideoSettings")->title(), " Video Settings ");
  EXPECT_EQ(Find<QGroupBox>("AudioSettings")->title(), " Audio Settings ");
  EXPECT_EQ(Find<QGroupBox>("GeneralSettings")->title(), " General Settings ");
  EXPECT_EQ(Find<QComboBox>("ComboAudioChannel")->currentText(), "Stereo");
  EXPECT_EQ(Find<QComboBox>("ComboAspectRatio")->currentText(), "Original ");
  EXPECT_EQ(Find<QComboBox>("ComboVideoCodec")->accessibleName(), "Video Codec");

  // Client area: 765 x 512 below the menu bar, status bar included; not resizable.
  EXPECT_EQ(view_->centralWidget()->size() + QSize(0, view_->statusBar()->height()),
            QSize(765, 512));
  EXPECT_EQ(view_->minimumSize(), view_->maximumSize());
  EXPECT_FALSE(view_->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignedPlaces) {
  const struct {
    const char* name;
    QRect geometry;
  } cases[] = {
      {"AddFileButton", {18, 3, 130, 52}},           {"StopConvertButton", {165, 3, 130, 52}},
      {"ConvertNowButton", {318, 3, 130, 52}},       {"RemoveButton", {471, 3, 121, 52}},
      {"ClearAllButton", {612, 3, 130, 52}},         {"FileList", {4, 66, 753, 208}},
      {"ComboOutputFormat", {105, 282, 301, 21}},    {"OutputFolder", {525, 284, 181, 21}},
      {"ButtonBrowseForFolder", {711, 280, 40, 28}}, {"VideoSettings", {14, 315, 285, 133}},
      {"ComboVideoCodec", {112, 18, 157, 21}},       {"ComboVideoSize", {112, 46, 157, 21}},
      {"ComboVideoBitrate", {112, 74, 157, 21}},     {"ComboVideoFramerate", {112, 102, 157, 21}},
      {"AudioSettings", {309, 315, 219, 133}},       {"ComboAudioCodec", {108, 18, 97, 21}},
      {"ComboAudioBitrate", {108, 46, 97, 21}},      {"ComboAudioChannel", {108, 74, 97, 21}},
      {"ComboSamplingRate", {108, 102, 97, 21}},     {"GeneralSettings", {538, 315, 213, 133}},
      {"ComboLetterBox", {90, 24, 113, 21}},         {"ComboAspectRatio", {90, 53, 113, 21}},
      {"VolumeSlider", {69, 90, 139, 19}},           {"ConversionProgress", {69, 462, 585, 16}},
      {"ButtonStopSmall", {668, 456, 77, 28}},
  };
  for (const auto& c : cases) {
    auto* w = Find<QWidget>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), c.geometry) << c.name;
  }
  EXPECT_EQ(Find<QLabel>("OutputFormatLabel")->pos(), QPoint(7, 286));
  EXPECT_EQ(Find<QLabel>("OutputFolderLabel")->pos(), QPoint(416, 286));
  EXPECT_EQ(Find<QLabel>("VolumePercent")->pos(), QPoint(129, 114));
  EXPECT_EQ(Find<QWidget>("VolumeSlider")->parentWidget()->objectName(), "GeneralSettings");
}

TEST_F(MainWindowTest, EveryControlHasANameAndTheKeyboardReachesIt) {
  // Screen readers need a name for each control; Tab must reach each one.
  QList<QWidget*> controls;
  for (QWidget* w : view_->findChildren<QWidget*>()) {
    const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                         qobject_cast<QSlider*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                         qobject_cast<QLineEdit*>(w);
    // Parts of a control (a combo box's line edit, a list's header) are reached through it.
    if (!control || w->isWindow() || !w->isVisibleTo(view_.get())) continue;
    if (qobject_cast<QComboBox*>(w->parentWidget()) ||
        qobject_cast<QAbstractItemView*>(w->parentWidget())) {
      continue;
    }
    if (w->window() != view_.get()) continue;
    controls.push_back(w);
  }
  ASSERT_GE(controls.size(), 15);
  for (QWidget* w : controls) {
    const auto* button = qobject_cast<QAbstractButton*>(w);
    const bool named = !w->accessibleName().isEmpty() || (button && !button->text().isEmpty());
    EXPECT_TRUE(named) << w->metaObject()->className() << " " << w->objectName().toStdString()
                       << " has no accessible name";
    if (w->isEnabled()) {
      EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus)
          << w->objectName().toStdString() << " cannot be reached with Tab";
    }
  }

  // Tab goes round every enabled control once.
  QSet<QWidget*> reached;
  QWidget* first = nullptr;
  view_->activateWindow();
  for (QWidget* w : controls) {
    if (w->isEnabled()) {
      first = w;
      break;
    }
  }
  ASSERT_NE(first, nullptr);
  first->setFocus(Qt::TabFocusReason);
  for (int i = 0; i < 2 * controls.size(); ++i) {
    if (QWidget* focus = QApplication::focusWidget()) reached.insert(focus);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : view_.get(),
                    Qt::Key_Tab);
  }
  for (QWidget* w : controls) {
    if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      EXPECT_TRUE(reached.contains(w)) << w->objectName().toStdString() << " is skipped by Tab";
    }
  }
}

TEST_F(MainWindowTest, ListHasTheDesignedColumns) {
  auto* list = view_->fileList();
  const struct {
    const char* caption;
    int width;
    Qt::Alignment alignment;
  } columns[] = {
      {"Video File Name", 320, Qt::AlignLeft}, {"Video Size", 90, Qt::AlignHCenter},
      {"FrameRate", 70, Qt::AlignHCenter},     {"Duration", 60, Qt::AlignHCenter},
      {"Output", 65, Qt::AlignHCenter},        {"Progress", 57, Qt::AlignHCenter},
      {"Frames", 60, Qt::AlignHCenter},
  };
  ASSERT_EQ(list->model()->columnCount(), 7);
  form_.FileList.AddRow(Entry("/v/a.avi"));
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), columns[c].caption);
    EXPECT_EQ(list->columnWidth(c), columns[c].width) << c;
    const auto align =
        list->model()->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_TRUE(align & columns[c].alignment) << c;
  }
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(list->verticalHeader()->isVisible());
}

TEST_F(MainWindowTest, MenusHoldTheirEntriesInOrder) {
  auto texts = [](QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->isSeparator() ? "-" : a->text());
    return out;
  };
  QStringList bar;
  for (QAction* a : view_->menuBar()->actions()) bar << a->text().remove('&');
  EXPECT_EQ(bar, QStringList({"File", "Options", "Help"}));
  EXPECT_EQ(texts(view_->menuBar()->actions()[0]->menu()),
            QStringList({"Add Files", "Add Folder...", "-", "Convert", "-", "Open Output Folder",
                         "-", "Exit"}));
  EXPECT_EQ(texts(view_->menuBar()->actions()[1]->menu()), QStringList({"Set Additional Options"}));
  EXPECT_EQ(texts(view_->menuBar()->actions()[2]->menu()),
            QStringList({"Open Help File", "-", "Visit Korvane Website", "-", "About"}));
  EXPECT_EQ(texts(view_->listPopup()),
            QStringList({"Check All Items", "Uncheck All Items", "-", "Remove Selected Item",
                         "Clear All Items", "-", "Check Failed Items", "Show Details",
                         "Open Output Folder"}));
  // The shortcuts stand beside their entries.
  const QList<QAction*> file = view_->menuBar()->actions()[0]->menu()->actions();
  EXPECT_EQ(file[0]->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(file[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
}

TEST_F(MainWindowTest, MenuEntriesRunTheirHandlersOnlyWhileEnabled) {
  int about = 0;
  form_.AboutEntry.on_click = [&] { ++about; };
  auto* action = Find<QAction>("AboutEntry");
  action->trigger();
  EXPECT_EQ(about, 1);
  form_.AboutEntry.SetEnabled(false);
  EXPECT_FALSE(action->isEnabled());
  action->trigger();
  EXPECT_EQ(about, 1);

  int removed = 0;
  form_.RemoveSelectedEntry.on_click = [&] { ++removed; };
  Find<QAction>("RemoveSelectedEntry")->trigger();
  EXPECT_EQ(removed, 1);
}

TEST_F(MainWindowTest, ButtonClicksReachTheModel) {
  int clicks = 0;
  form_.ConvertNowButton.on_click = [&] { ++clicks; };
  auto* button = Find<QPushButton>("ConvertNowButton");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  form_.ConvertNowButton.SetEnabled(false);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(MainWindowTest, ProgramSelectionUpdatesTheComboWithoutOnChange) {
  int changes = 0;
  form_.ComboOutputFormat.on_change = [&] { ++changes; };
  auto* combo = Find<QComboBox>("ComboOutputFormat");
  form_.ComboOutputFormat.SetItems({"PSP Video (*.mp4)", "AAC Audio (*.aac)", "MP3 Audio (*.mp3)"});
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentIndex(), -1);
  form_.ComboOutputFormat.Select(2);
  EXPECT_EQ(combo->currentIndex(), 2);
  EXPECT_EQ(combo->currentText(), "MP3 Audio (*.mp3)");
  form_.ComboOutputFormat.Select(7);  // beyond the last row: no selection
  EXPECT_EQ(combo->currentIndex(), -1);
  form_.ComboOutputFormat.SetDropDownCount(27);
  EXPECT_EQ(combo->maxVisibleItems(), 27);
  form_.ComboOutputFormat.Clear();
  EXPECT_EQ(combo->count(), 0);
  EXPECT_EQ(changes, 0);
}

TEST_F(MainWindowTest, UserPickFiresOnChangeOnce) {
  form_.ComboOutputFormat.SetItems({"PSP Video (*.mp4)", "AAC Audio (*.aac)", "MP3 Audio (*.mp3)"});
  form_.ComboOutputFormat.Select(0);
  int changes = 0;
  std::string seen;
  form_.ComboOutputFormat.on_change = [&] {
    ++changes;
    seen = form_.ComboOutputFormat.text();
    // A handler that refills another selector, as the format refresh does.
    form_.ComboVideoSize.SetItems({"320 x 240", "480 x 272"});
    form_.ComboVideoSize.Select(1);
  };
  auto* combo = Find<QComboBox>("ComboOutputFormat");
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(seen, "AAC Audio (*.aac)");
  EXPECT_EQ(form_.ComboOutputFormat.selected(), 1);
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(Find<QComboBox>("ComboVideoSize")->currentText(), "480 x 272");
}

TEST_F(MainWindowTest, HandlerThatOverridesTheUsersPickWins) {
  form_.ComboLetterBox.SetItems({"None", "LetterBox"});
  form_.ComboLetterBox.Select(1);
  form_.ComboLetterBox.on_change = [&] { form_.ComboLetterBox.Select(1); };
  auto* combo = Find<QComboBox>("ComboLetterBox");
  QTest::keyClick(combo, Qt::Key_Up);
  EXPECT_EQ(combo->currentIndex(), 1);
}

TEST_F(MainWindowTest, RowsFollowTheModel) {
  auto* list = view_->fileList();
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < 1000; ++i) form_.FileList.AddRow(Entry("/v/file" + std::to_string(i)));
  QCoreApplication::processEvents();
  const qint64 add_ms = timer.elapsed();
  std::printf("added 1000 rows in %lld ms\n", static_cast<long long>(add_ms));
  EXPECT_LT(add_ms, 10'000);
  ASSERT_EQ(list->model()->rowCount(), 1000);
  EXPECT_EQ(Cell(999, 0), "/v/file999");
  EXPECT_EQ(Cell(999, 4), "MP4");

  form_.FileList.RemoveRow(5);
  ASSERT_EQ(list->model()->rowCount(), 999);
  EXPECT_EQ(Cell(5, 0), "/v/file6");

  form_.FileList.Update(form_.FileList.row(7).id, [](FileEntry& entry) {
    entry.state = RowState::kConverting;
    entry.percent = 47;
  });
  EXPECT_EQ(Cell(7, 1 + kCellProgress), "47%");
  form_.FileList.SetChecked(8, true);
  EXPECT_EQ(list->model()->index(8, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

  form_.FileList.BeginUpdate();
  for (int i = 0; i < 10; ++i) form_.FileList.RemoveRow(0);
  EXPECT_EQ(list->model()->rowCount(), 999);  // one reset at the end
  form_.FileList.EndUpdate();
  EXPECT_EQ(list->model()->rowCount(), 989);
  EXPECT_EQ(Cell(0, 0), "/v/file11");

  form_.FileList.Clear();
  EXPECT_EQ(list->model()->rowCount(), 0);
}

TEST_F(MainWindowTest, CheckBoxToggledInTheListReachesTheModel) {
  int checks = 0;
  form_.FileList.SubscribeRows([&](ListView::Change change, int) {
    if (change == ListView::Change::kRowChanged) ++checks;
  });
  form_.FileList.AddRow(Entry("/v/a.avi"));
  form_.FileList.AddRow(Entry("/v/b.avi", true));
  auto* list = view_->fileList();

  // Keyboard: Space on the current row.
  list->setFocus();
  list->setCurrentIndex(list->model()->index(0, 0));
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_TRUE(form_.FileList.row(0).checked);

  // Mouse: a click on the check indicator of the second row.
  QStyleOptionViewItem option;
  option.initFrom(list);
  option.rect = list->visualRect(list->model()->index(1, 0));
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
  const QRect indicator =
      list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, indicator.center());
  EXPECT_FALSE(form_.FileList.row(1).checked);
  EXPECT_EQ(checks, 2);
}

TEST_F(MainWindowTest, SelectionFollowsBothWays) {
  for (int i = 0; i < 5; ++i) form_.FileList.AddRow(Entry("/v/" + std::to_string(i)));
  auto* list = view_->fileList();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(2, 3)).center());
  EXPECT_EQ(form_.FileList.selected(), 2);

  form_.FileList.Select(4);
  auto rows = list->selectionModel()->selectedRows();
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows[0].row(), 4);

  form_.FileList.RemoveRow(1);  // the model moves its selection to row 3
  rows = list->selectionModel()->selectedRows();
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows[0].row(), form_.FileList.selected());

  form_.FileList.RemoveRow(form_.FileList.selected());
  EXPECT_EQ(form_.FileList.selected(), -1);
  EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
}

TEST_F(MainWindowTest, ContextMenuOpensOnlyWhilePopupEnabled) {
  form_.FileList.AddRow(Entry("/v/a.avi"));
  auto* list = view_->fileList();
  const QPoint at = list->visualRect(list->model()->index(0, 0)).center();
  form_.FileList.popup_enabled = false;
  emit list->customContextMenuRequested(at);
  EXPECT_FALSE(view_->listPopup()->isVisible());
  form_.FileList.popup_enabled = true;
  emit list->customContextMenuRequested(at);
  EXPECT_TRUE(view_->listPopup()->isVisible());
  view_->listPopup()->close();
}

TEST_F(MainWindowTest, ControlStateReachesTheWidgets) {
  const struct {
    Control& control;
    const char* name;
  } cases[] = {
      {form_.AddFileButton, "AddFileButton"},
      {form_.ConvertNowButton, "ConvertNowButton"},
      {form_.ButtonBrowseForFolder, "ButtonBrowseForFolder"},
      {form_.ComboOutputFormat, "ComboOutputFormat"},
      {form_.ComboVideoCodec, "ComboVideoCodec"},
      {form_.ComboAspectRatio, "ComboAspectRatio"},
      {form_.FileList, "FileList"},
      {form_.VolumeSlider, "VolumeSlider"},
      {form_.ConversionProgress, "ConversionProgress"},
      {form_.VolumePercent, "VolumePercent"},
  };
  for (const auto& c : cases) {
    auto* w = Find<QWidget>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isEnabled()) << c.name;
    c.control.SetEnabled(false);
    EXPECT_FALSE(w->isEnabled()) << c.name;
    c.control.SetEnabled(true);
    EXPECT_TRUE(w->isEnabled()) << c.name;
    c.control.SetVisible(false);
    EXPECT_FALSE(w->isVisible()) << c.name;
    c.control.SetVisible(true);
    EXPECT_TRUE(w->isVisible()) << c.name;
    c.control.SetHint("a hint");
    EXPECT_EQ(w->toolTip(), "a hint") << c.name;
    EXPECT_EQ(w->toolTipDuration(), 30000) << c.name;
  }
  EXPECT_EQ(Find<QComboBox>("ComboLetterBox")->toolTip(),
            "Add a letterbox to keep video aspect ratio");
  // OutputFolder is greyed and read-only; its text follows the model.
  auto* edit = Find<QLineEdit>("OutputFolder");
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_TRUE(edit->isReadOnly());
  form_.OutputFolder.SetText("/home/u/Converted Video");
  EXPECT_EQ(edit->text(), "/home/u/Converted Video");
}

TEST_F(MainWindowTest, SliderReachesTheTrackBar) {
  auto* slider = Find<QSlider>("VolumeSlider");
  EXPECT_EQ(slider->minimum(), 0);
  EXPECT_EQ(slider->maximum(), 10);
  EXPECT_EQ(slider->value(), 5);
  int changes = 0;
  form_.VolumeSlider.on_change = [&] {
    ++changes;
    form_.VolumePercent.SetCaption(std::to_string(form_.VolumeSlider.position() * 20) + "%");
  };
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(form_.VolumeSlider.position(), 6);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Find<QLabel>("VolumePercent")->text(), "120%");
  form_.VolumeSlider.SetPosition(1);  // a program move is shown; its handler is the model's
  EXPECT_EQ(slider->value(), 1);
  EXPECT_EQ(changes, 2);
}

TEST_F(MainWindowTest, ProgressAndStatusBarFollowTheModel) {
  auto* panel0 = Find<QLabel>("StatusPanel0");
  auto* panel1 = Find<QLabel>("StatusPanel1");
  auto* panel2 = Find<QLabel>("StatusPanel2");
  EXPECT_EQ(panel0->text(), "Ready");
  // Each panel holds the longest text it shows, whole, in the window's font; the message beside
  // them fits the window.
  const struct {
    QLabel* panel;
    const char* text;
  } longest[] = {{panel0, "Converting 888 of 888"},
                 {panel0, "88 of 888 converted, 88 failed"},
                 {panel1, "Output File Size : 8888888 KB"},
                 {panel2, "Creating THM File.....Please Wait"}};
  for (const auto& [panel, text] : longest) {
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(QString::fromLatin1(text)),
              panel->contentsRect().width())
        << text;
  }
  auto* message = Find<QLabel>("StatusMessage");
  EXPECT_LE(message->geometry().right(), view_->width());
  EXPECT_GE(message->width(), 100);
  form_.Status.SetPanel(1, "Converting");
  form_.Status.SetPanel(2, "47%");
  EXPECT_EQ(panel1->text(), "Converting");
  EXPECT_EQ(panel2->text(), "47%");
  auto* progress = Find<QProgressBar>("ConversionProgress");
  form_.ConversionProgress.SetPosition(47);
  EXPECT_EQ(progress->value(), 47);
  form_.ConversionProgress.SetPosition(250);
  EXPECT_EQ(progress->value(), 100);

  // The notice stands at the far end, whole; the message gives it room.
  auto* notice = Find<QLabel>("StatusNotice");
  EXPECT_TRUE(notice->isHidden());
  const int wide = message->width();
  form_.Status.SetNotice("Power off when done");
  QApplication::processEvents();
  EXPECT_FALSE(notice->isHidden());
  EXPECT_EQ(notice->text(), "Power off when done");
  EXPECT_LT(message->width(), wide);
  EXPECT_LE(message->geometry().right(), notice->geometry().left());
  EXPECT_LE(notice->geometry().right(), view_->width());
  form_.Status.SetNotice("");
  EXPECT_TRUE(notice->isHidden());
  EXPECT_EQ(message->width(), wide);

  // Outside the thumbnail step its panel gives way: the notice and a skipped folder's news both
  // stand whole.
  form_.Status.SetPanel(2, "");
  form_.Status.SetNotice("Power off when done");
  form_.Status.SetMessage("Skipped (no media files): Holiday Videos 2025");
  QApplication::processEvents();
  EXPECT_TRUE(panel2->isHidden());
  EXPECT_EQ(message->text(), "Skipped (no media files): Holiday Videos 2025");
  EXPECT_LE(message->geometry().right(), notice->geometry().left());
  EXPECT_LE(notice->geometry().right(), view_->width());
}

TEST_F(MainWindowTest, OutputDirectoryLabelAsksForItsHintAndShowsIt) {
  int entered = 0;
  view_->on_output_folder_label_enter = [&] {
    ++entered;
    form_.OutputFolderLabel.SetHint("/media/out/Converted Video");
  };
  auto* label = Find<QLabel>("OutputFolderLabel");
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)));
  QApplication::sendEvent(label, &enter);
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(label->toolTip(), "/media/out/Converted Video");
}

TEST_F(MainWindowTest, CloseAsksTheQueryFirst) {
  bool allow = false;
  int queries = 0, closes = 0;
  view_->close_query = [&] {
    ++queries;
    return allow;
  };
  view_->on_close = [&] { ++closes; };
  EXPECT_FALSE(view_->close());
  EXPECT_TRUE(view_->isVisible());
  EXPECT_EQ(queries, 1);
  EXPECT_EQ(closes, 0);
  allow = true;
  EXPECT_TRUE(view_->close());
  EXPECT_FALSE(view_->isVisible());
  EXPECT_EQ(closes, 1);
}

TEST_F(MainWindowTest, ModelOutlivingTheViewIsSafe) {
  view_.reset();
  form_.ComboOutputFormat.SetItems({"a", "b"});
  form_.FileList.AddRow(Entry("/v/a.avi"));
  form_.AddFileButton.SetEnabled(false);
  form_.Status.SetPanel(1, "x");
  EXPECT_EQ(form_.FileList.count(), 1);
}

}  // namespace
}  // namespace vidloom::gui
