#include "gui/main_window_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <algorithm>
#include <array>
#include <vector>

#include "gui/bind.h"
#include "gui/file_list_view.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const char* text, int x, int y,
                 bool bold = false) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  if (bold) label->setFont(WindowFont(11, true));
  label->move(x, y);
  label->resize(label->sizeHint());
  return label;
}

// A drop-down list at x, y (21 high) with `label` as its accessible name and buddy.
QComboBox* AddCombo(QWidget* parent, Selector& selector, const char* name, QLabel* label, int x,
                    int y, int width) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setGeometry(x, y, width, 21);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(1);
  if (label) {
    combo->setAccessibleName(label->text().remove(QLatin1Char(':')).trimmed());
    label->setBuddy(combo);
  }
  BindSelector(selector, combo);
  return combo;
}

QPushButton* AddBigButton(QWidget* parent, Button& button, const char* name, IconKind icon,
                          const QRect& geometry) {
  auto* widget = new QPushButton(MakeIcon(icon), Q(button.caption), parent);
  widget->setObjectName(QString::fromLatin1(name));
  widget->setFlat(true);
  widget->setFont(WindowFont(12, true));
  widget->setIconSize(QSize(32, 32));
  widget->setGeometry(geometry);
  widget->setAccessibleName(Q(button.caption).trimmed());
  BindButton(button, widget);
  return widget;
}

// The longest texts each status panel shows: the state (a batch's summary after it), the output
// size, the thumbnail step.
const std::array<std::vector<const char*>, StatusBar::kPanels> kStatusPanelTexts = {{
    {"Ready", "Converting 888 of 888", "88 of 888 converted, 88 failed"},
    {"Output File Size : 8888888 KB"},
    {"Creating THM File.....Please Wait"},
}};
// Frame, margins and a little air around a panel's text.
constexpr int kStatusPanelPadding = 14;

QAction* AddEntry(QMenu* menu, MenuEntry& entry, const char* name) {
  QAction* action = menu->addAction(Q(entry.caption));
  action->setObjectName(QString::fromLatin1(name));
  BindAction(entry, action);
  return action;
}

}  // namespace

MainWindowView::MainWindowView(MainForm& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(Q(form.caption));
  // The caption carries the batch's percentage while it converts ("37% - Vidloom").
  QPointer<MainWindowView> guard(this);
  form.Subscribe([guard] {
    if (guard && guard->windowTitle() != Q(guard->form_.caption)) {
      guard->setWindowTitle(Q(guard->form_.caption));
    }
  });
  setWindowIcon(MakeIcon(IconKind::kApp));
  setFont(WindowFont());
  setObjectName(QStringLiteral("MainWindow"));

  BuildMenus();
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
  setCentralWidget(client);
  BuildControls(client);
  BuildStatusBar();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  // Files from a file manager, on the list or anywhere else on the window.
  setAcceptDrops(true);
  list_->SetFileDropTarget(&drops_);
}

void MainWindowView::dragEnterEvent(QDragEnterEvent* event) {
  drops_.DragEnter(event);
}

void MainWindowView::dragMoveEvent(QDragMoveEvent* event) {
  drops_.DragMove(event);
}

void MainWindowView::dropEvent(QDropEvent* event) {
  drops_.Drop(event);
}

void MainWindowView::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  QAction* add = AddEntry(file, form_.AddFilesEntry, "AddFilesEntry");
  add->setIcon(MakeIcon(IconKind::kAdd));
  add->setShortcut(QKeySequence::Open);
  AddEntry(file, form_.AddFolderEntry, "AddFolderEntry")->setIcon(MakeIcon(IconKind::kFolder));
  file->addSeparator();
  QAction* convert = AddEntry(file, form_.ConvertEntry, "ConvertEntry");
  convert->setIcon(MakeIcon(IconKind::kConvert));
  convert->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  file->addSeparator();
  AddEntry(file, form_.OpenOutputFolderEntry, "OpenOutputFolderEntry")
      ->setIcon(MakeIcon(IconKind::kFolder));
  file->addSeparator();
  AddEntry(file, form_.ExitEntry, "ExitEntry");

  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  options->setObjectName(QStringLiteral("OptionsMenu"));
  AddEntry(options, form_.SetOptionsEntry, "SetOptionsEntry");

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  AddEntry(help, form_.OpenHelpEntry, "OpenHelpEntry");
  help->addSeparator();
  AddEntry(help, form_.VisitWebsiteEntry, "VisitWebsiteEntry");
  help->addSeparator();
  AddEntry(help, form_.AboutEntry, "AboutEntry")->setIcon(MakeIcon(IconKind::kApp));

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupFileList"));
  AddEntry(popup_, form_.CheckAllEntry, "CheckAllEntry");
  AddEntry(popup_, form_.UncheckAllEntry, "UncheckAllEntry");
  popup_->addSeparator();
  AddEntry(popup_, form_.RemoveSelectedEntry, "RemoveSelectedEntry")
      ->setIcon(MakeIcon(IconKind::kRemove));
  AddEntry(popup_, form_.ClearAllEntry, "ClearAllEntry")->setIcon(MakeIcon(IconKind::kClear));
  popup_->addSeparator();
  AddEntry(popup_, form_.CheckFailedEntry, "CheckFailedEntry");
  AddEntry(popup_, form_.ShowDetailsEntry, "ShowDetailsEntry");
  AddEntry(popup_, form_.OpenRowFolderEntry, "OpenRowFolderEntry")
      ->setIcon(MakeIcon(IconKind::kFolder));
}

void MainWindowView::BuildControls(QWidget* client) {
  // Created in tab order.
  QList<QWidget*> order;
  order << AddBigButton(client, form_.AddFileButton, "AddFileButton", IconKind::kAdd,
                        QRect(18, 3, 130, 52));
  order << AddBigButton(client, form_.StopConvertButton, "StopConvertButton", IconKind::kStop,
                        QRect(165, 3, 130, 52));
  order << AddBigButton(client, form_.ConvertNowButton, "ConvertNowButton", IconKind::kConvert,
                        QRect(318, 3, 130, 52));
  order << AddBigButton(client, form_.RemoveButton, "RemoveButton", IconKind::kRemove,
                        QRect(471, 3, 121, 52));
  order << AddBigButton(client, form_.ClearAllButton, "ClearAllButton", IconKind::kClear,
                        QRect(612, 3, 130, 52));

  list_ = new FileListView(form_.FileList, client);
  list_->setObjectName(QStringLiteral("FileList"));
  list_->setAccessibleName(QStringLiteral("Video files"));
  list_->setGeometry(4, 66, 753, 208);
  list_->SetPopupMenu(popup_);
  order << list_;

  QLabel* format_label = AddLabel(client, "OutputFormatLabel", "Output Format : ", 7, 286, true);
  order << AddCombo(client, form_.ComboOutputFormat, "ComboOutputFormat", format_label, 105, 282,
                    301);

  auto* folder_label = new QLabel(client);
  folder_label->setObjectName(QStringLiteral("OutputFolderLabel"));
  folder_label->setFont(WindowFont(11, true));
  folder_label->move(416, 286);
  BindLabel(form_.OutputFolderLabel, folder_label, true);
  folder_label->installEventFilter(this);
  folder_label_ = folder_label;

  auto* folder = new QLineEdit(client);
  folder->setObjectName(QStringLiteral("OutputFolder"));
  folder->setAccessibleName(QStringLiteral("Output Directory"));
  folder->setGeometry(525, 284, 181, 21);
  BindEdit(form_.OutputFolder, folder);
  order << folder;

  auto* browse = new QPushButton(MakeIcon(IconKind::kFolder), QString(), client);
  browse->setObjectName(QStringLiteral("ButtonBrowseForFolder"));
  browse->setAccessibleName(QStringLiteral("Browse For Folder"));
  browse->setIconSize(QSize(20, 20));
  browse->setGeometry(711, 280, 40, 28);
  BindButton(form_.ButtonBrowseForFolder, browse);
  order << browse;

  BuildSettingGroups(client, order);

  auto* progress = new QProgressBar(client);
  progress->setObjectName(QStringLiteral("ConversionProgress"));
  progress->setAccessibleName(QStringLiteral("Conversion progress"));
  progress->setTextVisible(false);
  progress->setGeometry(69, 462, 585, 16);
  BindProgressBar(form_.ConversionProgress, progress);

  auto* stop = new QPushButton(MakeIcon(IconKind::kStop), Q(form_.ButtonStopSmall.caption), client);
  stop->setObjectName(QStringLiteral("ButtonStopSmall"));
  stop->setAccessibleName(Q(form_.ButtonStopSmall.caption));
  stop->setIconSize(QSize(16, 16));
  stop->setGeometry(668, 456, 77, 28);
  BindButton(form_.ButtonStopSmall, stop);
  order << stop;

  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

// The video, audio and general settings, each a framed group of labelled controls.
void MainWindowView::BuildSettingGroups(QWidget* client, QList<QWidget*>& order) {
  auto* video = new GroupFrame(QStringLiteral(" Video Settings "), client);
  video->setObjectName(QStringLiteral("VideoSettings"));
  video->setGeometry(14, 315, 285, 133);
  struct ComboRow {
    Selector& selector;
    const char* name;
    const char* label_name;
    const char* caption;
    int top;
  };
  const ComboRow video_rows[] = {
      {form_.ComboVideoCodec, "ComboVideoCodec", "VideoCodecLabel", "Video Codec : ", 18},
      {form_.ComboVideoSize, "ComboVideoSize", "VideoSizeLabel", "Video Size : ", 46},
      {form_.ComboVideoBitrate, "ComboVideoBitrate", "VideoBitrateLabel", "Video Bitrate : ", 74},
      {form_.ComboVideoFramerate, "ComboVideoFramerate", "VideoFramerateLabel",
       "Video Framerate : ", 102},
  };
  for (const auto& row : video_rows) {
    QLabel* label = AddLabel(video, row.label_name, row.caption, 12, row.top + 4);
    order << AddCombo(video, row.selector, row.name, label, 112, row.top, 157);
  }

  auto* audio = new GroupFrame(QStringLiteral(" Audio Settings "), client);
  audio->setObjectName(QStringLiteral("AudioSettings"));
  audio->setGeometry(309, 315, 219, 133);
  const ComboRow audio_rows[] = {
      {form_.ComboAudioCodec, "ComboAudioCodec", "AudioCodecLabel", "Audio Codec : ", 18},
      {form_.ComboAudioBitrate, "ComboAudioBitrate", "AudioBitrateLabel", "Audio Bitrate :", 46},
      {form_.ComboAudioChannel, "ComboAudioChannel", "AudioChannelsLabel", "Audio Channels :", 74},
      {form_.ComboSamplingRate, "ComboSamplingRate", "SamplingRateLabel", "Sampling Rate : ", 102},
  };
  for (const auto& row : audio_rows) {
    QLabel* label = AddLabel(audio, row.label_name, row.caption, 12, row.top + 4);
    order << AddCombo(audio, row.selector, row.name, label, 108, row.top, 97);
  }

  auto* general = new GroupFrame(QStringLiteral(" General Settings "), client);
  general->setObjectName(QStringLiteral("GeneralSettings"));
  general->setGeometry(538, 315, 213, 133);
  QLabel* zoom_label = AddLabel(general, "VideoZoomLabel", "Video Zoom : ", 12, 28);
  order << AddCombo(general, form_.ComboLetterBox, "ComboLetterBox", zoom_label, 90, 24, 97);
  QLabel* aspect_label = AddLabel(general, "AspectRatioLabel", "Aspect Ratio : ", 12, 57);
  order << AddCombo(general, form_.ComboAspectRatio, "ComboAspectRatio", aspect_label, 90, 53, 97);
  QLabel* volume_label = AddLabel(general, "VolumeLabel", "Volume : ", 12, 92);
  auto* slider = new QSlider(Qt::Horizontal, general);
  slider->setObjectName(QStringLiteral("VolumeSlider"));
  slider->setAccessibleName(QStringLiteral("Volume"));
  slider->setGeometry(69, 90, 139, 19);
  slider->setTickPosition(QSlider::NoTicks);
  slider->setPageStep(1);
  volume_label->setBuddy(slider);
  BindTrackBar(form_.VolumeSlider, slider);
  order << slider;
  auto* volume_percent = new QLabel(general);
  volume_percent->setObjectName(QStringLiteral("VolumePercent"));
  volume_percent->move(129, 114);
  BindLabel(form_.VolumePercent, volume_percent, true);
}

void MainWindowView::BuildStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("Status"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusBarHeight);
  bar->setContentsMargins(0, 0, 0, 0);
  std::array<QLabel*, StatusBar::kPanels> panels{};
  int used = 0;
  for (int i = 0; i < StatusBar::kPanels; ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setAccessibleName(QStringLiteral("Status panel %1").arg(i + 1));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(2, 0, 2, 0);
    // Each panel as wide as the longest text it shows, in the window's font.
    int width = 0;
    for (const char* text : kStatusPanelTexts[i]) {
      width = std::max(width, panel->fontMetrics().horizontalAdvance(QString::fromLatin1(text)));
    }
    panel->setFixedWidth(width + kStatusPanelPadding);
    used += panel->width();
    bar->addWidget(panel);
    panels[i] = panel;
  }
  // Beside the panels: why the selected row did not convert, which files were not added; at the
  // far end, in bold red, what will happen when the batch is done (the power-off).
  auto* message = new QLabel(bar);
  message->setObjectName(QStringLiteral("StatusMessage"));
  message->setAccessibleName(QStringLiteral("Status message"));
  message->setContentsMargins(4, 0, 2, 0);
  bar->addWidget(message);
  auto* notice = new QLabel(bar);
  notice->setObjectName(QStringLiteral("StatusNotice"));
  notice->setAccessibleName(QStringLiteral("Status notice"));
  notice->setFont(WindowFont(8, true));
  QPalette red = notice->palette();
  red.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
  notice->setPalette(red);
  notice->setContentsMargins(4, 0, 6, 0);
  bar->addPermanentWidget(notice);
  BindStatusBar(form_.Status, panels, message, notice, std::max(0, kClientWidth - used - 24));
  setStatusBar(bar);
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  if (close_query && !close_query()) {
    event->ignore();
    return;
  }
  if (on_close) on_close();
  event->accept();
}

void MainWindowView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!centred_) {
    centred_ = true;
    CentreOn(this, nullptr);
  }
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
  // Resting on "Output Directory : " shows the whole output path.
  if (watched == folder_label_ && event->type() == QEvent::Enter) {
    form_.OutputFolderLabel.SetHint(form_.OutputFolder.text());
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace vidloom::gui
