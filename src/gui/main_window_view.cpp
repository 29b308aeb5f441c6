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
#include "model/main_window_layout.h"
#include "texts/language.h"

namespace vidloom::gui {

namespace {

// A name of the window's design (an object's name, a key).
QString L1(const char* text) {
  return QString::fromLatin1(text);
}

// A text of the window's design as shown, in the language in use.
QString DesignText(const char* text) {
  return QString::fromUtf8(texts::Tr(text));
}

// A new widget's name, its font where it is not the window's and its accessible name where the
// layout gives one.
template <typename Widget>
Widget* Named(Widget* widget, const ControlLayout& layout) {
  widget->setObjectName(L1(layout.name));
  if (layout.font.pixels != TextFont{}.pixels || layout.font.bold != TextFont{}.bold) {
    widget->setFont(WindowFont(layout.font.pixels, layout.font.bold));
  }
  if (layout.text != nullptr) widget->setAccessibleName(DesignText(layout.text));
  return widget;
}

QRect Rect(const Box& box) {
  return {box.x, box.y, box.width, box.height};
}

QWidget* MakeControl(const ControlLayout& layout, MainForm& form, QWidget* parent, QMenu* popup) {
  Control* model = layout.control != nullptr ? &layout.control(form) : nullptr;
  QLabel* label = layout.label != nullptr ? parent->findChild<QLabel*>(L1(layout.label)) : nullptr;
  switch (layout.kind) {
    case ControlKind::kBigButton:
    case ControlKind::kButton: {
      auto& button = static_cast<Button&>(*model);
      auto* widget =
          Named(new QPushButton(MakeIcon(layout.picture), Q(button.caption), parent), layout);
      widget->setFlat(layout.kind == ControlKind::kBigButton);
      widget->setIconSize(QSize(layout.picture_size, layout.picture_size));
      widget->setGeometry(Rect(layout.box));
      if (layout.text == nullptr) widget->setAccessibleName(Q(button.caption).trimmed());
      BindButton(button, widget);
      return widget;
    }
    case ControlKind::kFileList: {
      auto* list = Named(new FileListView(static_cast<ListView&>(*model), parent), layout);
      list->setGeometry(Rect(layout.box));
      list->SetPopupMenu(popup);
      return list;
    }
    case ControlKind::kCaption:
    case ControlKind::kLabel: {
      auto* widget = new QLabel(layout.text ? DesignText(layout.text) : QString(), parent);
      widget->setObjectName(L1(layout.name));
      if (layout.font.bold) widget->setFont(WindowFont(layout.font.pixels, true));
      widget->move(layout.box.x, layout.box.y);
      if (model != nullptr) {
        BindLabel(static_cast<Label&>(*model), widget, true);
      } else {
        widget->resize(widget->sizeHint());
      }
      return widget;
    }
    case ControlKind::kSelector: {
      auto* combo = Named(new QComboBox(parent), layout);
      combo->setGeometry(Rect(layout.box));
      combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
      combo->setMinimumContentsLength(1);
      if (label != nullptr) combo->setAccessibleName(label->text().remove(':').trimmed());
      BindSelector(static_cast<Selector&>(*model), combo);
      return combo;
    }
    case ControlKind::kEdit: {
      auto* edit = Named(new QLineEdit(parent), layout);
      edit->setGeometry(Rect(layout.box));
      BindEdit(static_cast<Edit&>(*model), edit);
      return edit;
    }
    case ControlKind::kGroup: {
      auto* group = new GroupFrame(DesignText(layout.text), parent);
      group->setObjectName(L1(layout.name));
      group->setGeometry(Rect(layout.box));
      return group;
    }
    case ControlKind::kTrackBar: {
      auto* slider = Named(new QSlider(Qt::Horizontal, parent), layout);
      slider->setGeometry(Rect(layout.box));
      slider->setTickPosition(QSlider::NoTicks);
      slider->setPageStep(1);
      BindTrackBar(static_cast<TrackBar&>(*model), slider);
      return slider;
    }
    case ControlKind::kProgressBar: {
      auto* progress = Named(new QProgressBar(parent), layout);
      progress->setTextVisible(false);
      progress->setGeometry(Rect(layout.box));
      BindProgressBar(static_cast<ProgressBar&>(*model), progress);
      return progress;
    }
  }
  return nullptr;
}

QMenu* BuildMenu(QMenu* menu, const MenuLayout& layout, MainForm& form) {
  menu->setObjectName(L1(layout.name));
  for (const MenuEntryLayout& entry : layout.entries) {
    if (entry.entry == nullptr) {
      menu->addSeparator();
      continue;
    }
    MenuEntry& model = form.*entry.entry;
    QAction* action = menu->addAction(Q(model.caption));
    action->setObjectName(L1(entry.name));
    if (entry.picture != Picture::kNone) action->setIcon(MakeIcon(entry.picture));
    // The list's own keys are its to handle; the others work anywhere on the window. Enter
    // stands for both Enter keys.
    if (entry.key != nullptr && !entry.key_of_the_list) {
      const QKeySequence key = QKeySequence::fromString(L1(entry.key), QKeySequence::PortableText);
      if (key[0].key() == Qt::Key_Enter) {
        action->setShortcuts({QKeySequence(key[0].keyboardModifiers() | Qt::Key_Return), key});
      } else {
        action->setShortcut(key);
      }
    }
    BindAction(model, action);
  }
  return menu;
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
  setWindowIcon(MakeIcon(Picture::kApp));
  setFont(WindowFont());
  setObjectName(QStringLiteral("MainWindow"));

  BuildMenus();
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  client->setFixedSize(kMainClientWidth, kMainClientHeight - kMainStatusBarHeight);
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
  for (const MenuLayout& menu : kMainMenus) {
    BuildMenu(menuBar()->addMenu(DesignText(menu.caption)), menu, form_);
  }
  popup_ = BuildMenu(new QMenu(this), kFileListMenu, form_);
}

void MainWindowView::BuildControls(QWidget* client) {
  // Created in tab order.
  QList<QWidget*> order;
  for (const ControlLayout& layout : kMainWindowControls) {
    QWidget* parent =
        layout.group != nullptr ? client->findChild<QWidget*>(L1(layout.group)) : client;
    QWidget* widget = MakeControl(layout, form_, parent, popup_);
    if (layout.label != nullptr && layout.kind != ControlKind::kEdit) {
      if (auto* label = parent->findChild<QLabel*>(L1(layout.label))) label->setBuddy(widget);
    }
    if (TakesFocus(layout.kind)) order << widget;
    if (layout.kind == ControlKind::kFileList) list_ = static_cast<FileListView*>(widget);
    if (layout.control != nullptr && &layout.control(form_) == &form_.OutputFolderLabel) {
      folder_label_ = widget;
      folder_label_->installEventFilter(this);
    }
  }
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainWindowView::BuildStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("Status"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kMainStatusBarHeight);
  bar->setContentsMargins(0, 0, 0, 0);
  std::array<QLabel*, StatusBar::kPanels> panels{};
  int used = 0;
  const auto panel_texts = StatusPanelTexts();
  for (int i = 0; i < StatusBar::kPanels; ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setAccessibleName(QStringLiteral("Status panel %1").arg(i + 1));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(2, 0, 2, 0);
    // Each panel as wide as the longest text it shows, in the window's font.
    int width = 0;
    for (const std::string& text : panel_texts[static_cast<std::size_t>(i)]) {
      width = std::max(width, panel->fontMetrics().horizontalAdvance(Q(text)));
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
  BindStatusBar(form_.Status, panels, message, notice, std::max(0, kMainClientWidth - used - 24));
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
  if (watched == folder_label_ && event->type() == QEvent::Enter && on_output_folder_label_enter) {
    on_output_folder_label_enter();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace vidloom::gui
