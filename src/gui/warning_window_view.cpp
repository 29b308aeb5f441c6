#include "gui/warning_window_view.h"

#include <QLabel>
#include <QPushButton>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

WarningWindowView::WarningWindowView(PowerOffWarningForm& form, QWidget* parent)
    : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("PowerOffWarning"));
  MakeFixedDialog(this, 365, 186, /*on_top=*/true);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));

  auto* countdown = new QLabel(this);
  countdown->setObjectName(QStringLiteral("CountdownText"));
  countdown->setFont(WindowFont(13, true));
  countdown->move(51, 42);
  BindLabel(form.CountdownText, countdown, true);

  auto* seconds = new QLabel(this);
  seconds->setObjectName(QStringLiteral("ElapsedSeconds"));
  seconds->setAccessibleName(QStringLiteral("Seconds elapsed"));
  seconds->setFont(WindowFont(13, true));
  QPalette red = seconds->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  seconds->setPalette(red);
  seconds->move(177, 81);
  BindLabel(form.ElapsedSeconds, seconds, true);

  // Which option asked for the power-off, above the countdown.
  auto* reason = new QLabel(this);
  reason->setObjectName(QStringLiteral("Reason"));
  reason->setWordWrap(true);
  reason->setAlignment(Qt::AlignHCenter);
  reason->setGeometry(12, 4, 341, 34);
  BindLabel(form.Reason, reason, false);

  auto* button = new QPushButton(Q(form.DoNotTurnOffButton.caption), this);
  button->setObjectName(QStringLiteral("DoNotTurnOffButton"));
  button->setAccessibleName(Q(form.DoNotTurnOffButton.caption));
  button->setGeometry(123, 123, 118, 43);
  button->setAutoDefault(false);
  BindButton(form.DoNotTurnOffButton, button);
  connect(button, &QPushButton::clicked, this, &FormDialog::SyncVisibility);
}

}  // namespace vidloom::gui
