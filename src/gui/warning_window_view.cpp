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
  const FormLayout& layout = kWarningLayout;
  MakeFixedDialog(this, layout.client_width, layout.client_height, /*on_top=*/true);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));

  const FormControlLayout& countdown_layout = layout.Control("CountdownText");
  auto* countdown = new QLabel(this);
  Designed(countdown, countdown_layout);
  countdown->move(countdown_layout.box.x, countdown_layout.box.y);
  BindLabel(form.CountdownText, countdown, true);

  const FormControlLayout& seconds_layout = layout.Control("ElapsedSeconds");
  auto* seconds = new QLabel(this);
  Designed(seconds, seconds_layout);
  QPalette red = seconds->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  seconds->setPalette(red);
  seconds->move(seconds_layout.box.x, seconds_layout.box.y);
  BindLabel(form.ElapsedSeconds, seconds, true);

  // Which option asked for the power-off, above the countdown.
  const FormControlLayout& reason_layout = layout.Control("Reason");
  auto* reason = new QLabel(this);
  Designed(reason, reason_layout);
  reason->setWordWrap(true);
  reason->setAlignment(Qt::AlignHCenter);
  reason->setGeometry(DesignedRect(reason_layout.box));
  BindLabel(form.Reason, reason, false);

  const FormControlLayout& button_layout = layout.Control("DoNotTurnOffButton");
  auto* button = new QPushButton(Q(form.DoNotTurnOffButton.caption), this);
  Designed(button, button_layout);
  button->setAccessibleName(Q(form.DoNotTurnOffButton.caption));
  button->setGeometry(DesignedRect(button_layout.box));
  button->setAutoDefault(false);
  BindButton(form.DoNotTurnOffButton, button);
  connect(button, &QPushButton::clicked, this, &FormDialog::SyncVisibility);
}

}  // namespace vidloom::gui
