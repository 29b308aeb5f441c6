#include "gui/options_dialog_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

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

}  // namespace

OptionsDialogView::OptionsDialogView(TForm4& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("Form4"));
  MakeFixedDialog(this, 359, 246, /*on_top=*/true);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(IconKind::kApp));
  setModal(false);

  auto* group = new GroupFrame(QStringLiteral(" Additional Options "), this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  group->setGeometry(12, 9, 334, 157);
  QCheckBox* overwrite =
      AddCheckBox(group, form.CheckBoxOverWrite, "CheckBoxOverWrite", QRect(12, 39, 250, 13));
  QCheckBox* shutdown =
      AddCheckBox(group, form.CheckBoxShutDown, "CheckBoxShutDown", QRect(12, 81, 307, 16));

  auto* label = new QLabel(group);
  label->setObjectName(QStringLiteral("Label1"));
  label->setGeometry(363, 129, 236, 13);
  BindLabel(form.Label1, label, false);
  auto* spin = new QSpinBox(group);
  spin->setObjectName(QStringLiteral("SpinEdit1"));
  spin->setAccessibleName(Q(form.Label1.caption()));
  spin->setGeometry(412, 126, 40, 22);
  spin->setFocusPolicy(Qt::NoFocus);  // out of sight: no keyboard focus can land on it
  BindSpinEdit(form.SpinEdit1, spin);

  auto* lanes_label = new QLabel(group);
  lanes_label->setObjectName(QStringLiteral("LabelFilesAtOnce"));
  lanes_label->setGeometry(12, 121, 160, 16);
  BindLabel(form.LabelFilesAtOnce, lanes_label, false);
  auto* lanes = new QSpinBox(group);
  lanes->setObjectName(QStringLiteral("SpinEditFilesAtOnce"));
  lanes->setAccessibleName(Q(form.LabelFilesAtOnce.caption()));
  lanes->setGeometry(180, 118, 52, 22);
  lanes_label->setBuddy(lanes);
  BindSpinEdit(form.SpinEditFilesAtOnce, lanes);

  auto* done = new QPushButton(Q(form.Button1.caption), this);
  done->setObjectName(QStringLiteral("Button1"));
  done->setAccessibleName(Q(form.Button1.caption));
  done->setGeometry(114, 192, 118, 34);
  done->setAutoDefault(false);
  BindButton(form.Button1, done);
  connect(done, &QPushButton::clicked, this, &OptionsDialogView::HideWindow);

  setTabOrder(overwrite, shutdown);
  setTabOrder(shutdown, lanes);
  setTabOrder(lanes, done);
}

}  // namespace vidloom::gui
