#include "gui/options_dialog_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <utility>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"
#include "texts/language.h"

namespace vidloom::gui {

namespace {

// A check box on its designed rectangle, kept tall enough for its text and centred on it, and
// wider where its text needs it (a longer language), up to the frame's inner edge.
QCheckBox* AddCheckBox(QWidget* parent, CheckBox& box, const FormControlLayout& layout) {
  auto* widget = new QCheckBox(parent);
  Designed(widget, layout);
  BindCheckBox(box, widget);
  widget->setAccessibleName(Q(box.caption).trimmed());
  const QRect designed = DesignedRect(layout.box);
  const int height = std::max(designed.height(), widget->sizeHint().height());
  const int room = parent->width() - designed.x() - 6;
  const int width = std::max(designed.width(), std::min(widget->sizeHint().width(), room));
  widget->setGeometry(designed.x(), designed.center().y() - height / 2 + 1, width, height);
  return widget;
}

// A numeric field and its label on their designed rectangles; the field is named by the label.
std::pair<QLabel*, QSpinBox*> AddNumberField(QWidget* parent, Label& label,
                                             const FormControlLayout& label_layout, SpinEdit& spin,
                                             const FormControlLayout& spin_layout) {
  auto* label_widget = new QLabel(parent);
  Designed(label_widget, label_layout);
  label_widget->setGeometry(DesignedRect(label_layout.box));
  BindLabel(label, label_widget, false);
  auto* spin_widget = new QSpinBox(parent);
  Designed(spin_widget, spin_layout);
  spin_widget->setAccessibleName(Q(label.caption()));
  spin_widget->setGeometry(DesignedRect(spin_layout.box));
  BindSpinEdit(spin, spin_widget);
  // Out of sight: no keyboard focus can land on it.
  if (spin_layout.out_of_sight) spin_widget->setFocusPolicy(Qt::NoFocus);
  return {label_widget, spin_widget};
}

}  // namespace

OptionsDialogView::OptionsDialogView(OptionsForm& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("OptionsDialog"));
  const FormLayout& layout = kOptionsLayout;
  MakeFixedDialog(this, layout.client_width, layout.client_height, /*on_top=*/true);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));
  setModal(false);

  const FormControlLayout& frame = layout.Control("OptionsGroup");
  auto* group = new GroupFrame(QString::fromUtf8(texts::Tr(frame.text)), this);
  Designed(group, frame);
  group->setGeometry(DesignedRect(frame.box));
  AddCheckBox(group, form.CheckBoxOverWrite, layout.Control("CheckBoxOverWrite"));
  AddCheckBox(group, form.CheckBoxKeepFolders, layout.Control("CheckBoxKeepFolders"));
  AddCheckBox(group, form.CheckBoxShutDown, layout.Control("CheckBoxShutDown"));

  // Out of sight, as designed.
  AddNumberField(group, form.DropDownCountLabel, layout.Control("DropDownCountLabel"),
                 form.DropDownCount, layout.Control("DropDownCount"));

  auto [lanes_label, lanes] =
      AddNumberField(group, form.LabelFilesAtOnce, layout.Control("LabelFilesAtOnce"),
                     form.SpinEditFilesAtOnce, layout.Control("SpinEditFilesAtOnce"));
  lanes_label->setBuddy(lanes);

  auto* language_label = new QLabel(group);
  Designed(language_label, layout.Control("LanguageLabel"));
  language_label->setGeometry(DesignedRect(layout.Control("LanguageLabel").box));
  BindLabel(form.LanguageLabel, language_label, false);
  auto* language = new QComboBox(group);
  Designed(language, layout.Control("ComboLanguage"));
  language->setGeometry(DesignedRect(layout.Control("ComboLanguage").box));
  language->setAccessibleName(Q(form.LanguageLabel.caption()).trimmed());
  language_label->setBuddy(language);
  BindSelector(form.ComboLanguage, language);

  const FormControlLayout& done_layout = layout.Control("DoneButton");
  auto* done = new QPushButton(Q(form.DoneButton.caption), this);
  Designed(done, done_layout);
  done->setAccessibleName(Q(form.DoneButton.caption));
  done->setGeometry(DesignedRect(done_layout.box));
  done->setAutoDefault(false);
  BindButton(form.DoneButton, done);
  connect(done, &QPushButton::clicked, this, &OptionsDialogView::HideWindow);

  SetTabOrder(this, layout);
}

}  // namespace vidloom::gui
