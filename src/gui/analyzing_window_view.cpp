#include "gui/analyzing_window_view.h"

#include <QLabel>
#include <QPushButton>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

AnalyzingWindowView::AnalyzingWindowView(AnalyzingForm& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  const FormLayout& layout = kAnalyzingLayout;
  setObjectName(QStringLiteral("AnalyzingWindow"));
  MakeFixedDialog(this, layout.client_width, layout.client_height, /*on_top=*/false);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));

  const FormControlLayout& heading = layout.Control("Heading");
  auto* text = new QLabel(this);
  Designed(text, heading);
  text->setAlignment(Qt::AlignCenter);
  text->setGeometry(DesignedRect(heading.box));
  BindLabel(form.Heading, text, false);

  const FormControlLayout& file = layout.Control("FileBeingAnalysed");
  auto* panel = new QLabel(this);
  Designed(panel, file);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  panel->setGeometry(DesignedRect(file.box));
  BindLabel(form.FileBeingAnalysed, panel, false);

  const FormControlLayout& count_layout = layout.Control("Count");
  auto* count = new QLabel(this);
  Designed(count, count_layout);
  count->setAlignment(Qt::AlignCenter);
  count->setGeometry(DesignedRect(count_layout.box));
  BindLabel(form.Count, count, false);

  const FormControlLayout& cancel_layout = layout.Control("CancelButton");
  auto* cancel = new QPushButton(Q(form.CancelButton.caption), this);
  Designed(cancel, cancel_layout);
  cancel->setAccessibleName(Q(form.CancelButton.caption));
  cancel->setGeometry(DesignedRect(cancel_layout.box));
  cancel->setAutoDefault(false);
  BindButton(form.CancelButton, cancel);
  connect(cancel, &QPushButton::clicked, this, &FormDialog::SyncVisibility);
}

}  // namespace vidloom::gui
