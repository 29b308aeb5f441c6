#include "gui/warning_window_view.h"

#include <QLabel>
#include <QPushButton>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

WarningWindowView::WarningWindowView(TForm3& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("Form3"));
  MakeFixedDialog(this, 365, 186, /*on_top=*/true);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(IconKind::kApp));

  auto* label1 = new QLabel(this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setFont(WindowFont(13, true));
  label1->move(51, 42);
  BindLabel(form.Label1, label1, true);

  auto* label2 = new QLabel(this);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setAccessibleName(QStringLiteral("Seconds elapsed"));
  label2->setFont(WindowFont(13, true));
  QPalette red = label2->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  label2->setPalette(red);
  label2->move(177, 81);
  BindLabel(form.Label2, label2, true);

  // Which option asked for the power-off, above the countdown.
  auto* label3 = new QLabel(this);
  label3->setObjectName(QStringLiteral("Label3"));
  label3->setWordWrap(true);
  label3->setAlignment(Qt::AlignHCenter);
  label3->setGeometry(12, 4, 341, 34);
  BindLabel(form.Label3, label3, false);

  auto* button = new QPushButton(Q(form.SpeedButton1.caption), this);
  button->setObjectName(QStringLiteral("SpeedButton1"));
  button->setAccessibleName(Q(form.SpeedButton1.caption));
  button->setGeometry(123, 123, 118, 43);
  button->setAutoDefault(false);
  BindButton(form.SpeedButton1, button);
  connect(button, &QPushButton::clicked, this, &FormDialog::SyncVisibility);
}

}  // namespace vidloom::gui
