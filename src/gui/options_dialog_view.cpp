#include "gui/options_dialog_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <utility>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

namespace {

// A check box on its designed rectangle, kept tall enough for its text and centred on it.
QCheckBox* AddCheckBox(QWidget* parent, CheckBox& box, const char* name, const QRect& designed) {
  auto* widget = new QCheckBox(parent);
  widget->setObjectName(QString::fromLatin1(name));
  BindCheckBox(box, widget);
  widget->setAccessibleName(Q(box.caption).trimmed());
  const int height = std::max(designed.height(), widget->sizeHint().height());
  widget->setGeometry(designed.x(), designed.center().y() - height / 2 + 1, designed.width(),
                      height);
  return widget;
}

// A numeric field and its label on their designed rectangles; the field is named by the label.
std::pair<QLabel*, QSpinBox*> AddNumberField(QWidget* parent, Label& label, const char* label_name,
                                             const QRect& label_rect, SpinEdit& spin,
                                             const char* spin_name, const QRect& spin_rect) {
  auto* label_widget = new QLabel(parent);
  label_widget->setObjectName(QString::fromLatin1(label_name));
  label_widget->setGeometry(label_rect);
  BindLabel(label, label_widget, false);
  auto* spin_widget = new QSpinBox(parent);
  spin_widget->setObjectName(QString::fromLatin1(spin_name));
  spin_widget->setAccessibleName(Q(label.caption()));
  spin_widget->setGeometry(spin_rect);
  BindSpinEdit(spin, spin_widget);
  return {label_widget, spin_widget};
}

}  // namespace

OptionsDialogView::OptionsDialogView(OptionsForm& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("OptionsDialog"));
  MakeFixedDialog(this, 359, 246, /*on_top=*/true);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));
  setModal(false);

  auto* group = new GroupFrame(QStringLiteral(" Additional Options "), this);
  group->setObjectName(QStringLiteral("OptionsGroup"));
  group->setGeometry(12, 9, 334, 157);
  QCheckBox* overwrite =
      AddCheckBox(group, form.CheckBoxOverWrite, "CheckBoxOverWrite", QRect(12, 39, 250, 13));
  QCheckBox* keep_folders =
      AddCheckBox(group, form.CheckBoxKeepFolders, "CheckBoxKeepFolders", QRect(12, 60, 250, 13));
  QCheckBox* shutdown =
      AddCheckBox(group, form.CheckBoxShutDown, "CheckBoxShutDown", QRect(12, 81, 307, 16));

  auto [label, spin] =
      AddNumberField(group, form.DropDownCountLabel, "DropDownCountLabel", QRect(363, 129, 236, 13),
                     form.DropDownCount, "DropDownCount", QRect(412, 126, 40, 22));
  spin->setFocusPolicy(Qt::NoFocus);  // out of sight: no keyboard focus can land on it

  auto [lanes_label, lanes] =
      AddNumberField(group, form.LabelFilesAtOnce, "LabelFilesAtOnce", QRect(12, 121, 160, 16),
                     form.SpinEditFilesAtOnce, "SpinEditFilesAtOnce", QRect(180, 118, 52, 22));
  lanes_label->setBuddy(lanes);

  auto* done = new QPushButton(Q(form.DoneButton.caption), this);
  done->setObjectName(QStringLiteral("DoneButton"));
  done->setAccessibleName(Q(form.DoneButton.caption));
  done->setGeometry(114, 192, 118, 34);
  done->setAutoDefault(false);
  BindButton(form.DoneButton, done);
  connect(done, &QPushButton::clicked, this, &OptionsDialogView::HideWindow);

  setTabOrder(overwrite, keep_folders);
  setTabOrder(keep_folders, shutdown);
  setTabOrder(shutdown, lanes);
  setTabOrder(lanes, done);
}

}  // namespace vidloom::gui
