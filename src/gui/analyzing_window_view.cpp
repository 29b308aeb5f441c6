#include "gui/analyzing_window_view.h"

#include <QLabel>
#include <QPushButton>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

AnalyzingWindowView::AnalyzingWindowView(AnalyzingForm& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  constexpr int kWidth = 275;
  setObjectName(QStringLiteral("AnalyzingWindow"));
  MakeFixedDialog(this, kWidth, 138, /*on_top=*/false);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));

  auto* text = new QLabel(this);
  text->setObjectName(QStringLiteral("Heading"));
  text->setFont(WindowFont(13, false));
  text->setAlignment(Qt::AlignCenter);
  text->setGeometry(8, 12, kWidth - 16, 20);
  BindLabel(form.Heading, text, false);

  auto* panel = new QLabel(this);
  panel->setObjectName(QStringLiteral("FileBeingAnalysed"));
  panel->setAccessibleName(QStringLiteral("File being analysed"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setFont(WindowFont(11, true));
  panel->setAlignment(Qt::AlignCenter);
  panel->setGeometry((kWidth - 259) / 2, 44, 259, 23);
  BindLabel(form.FileBeingAnalysed, panel, false);

  auto* count = new QLabel(this);
  count->setObjectName(QStringLiteral("Count"));
  count->setAccessibleName(QStringLiteral("Files analysed"));
  count->setAlignment(Qt::AlignCenter);
  count->setGeometry(8, 68, kWidth - 16, 18);
  BindLabel(form.Count, count, false);

  auto* cancel = new QPushButton(Q(form.CancelButton.caption), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  cancel->setAccessibleName(Q(form.CancelButton.caption));
  cancel->setGeometry((kWidth - 75) / 2, 94, 75, 25);
  cancel->setAutoDefault(false);
  BindButton(form.CancelButton, cancel);
  connect(cancel, &QPushButton::clicked, this, &FormDialog::SyncVisibility);
}

}  // namespace vidloom::gui
