// The shutdown "Warning" window over the model's PowerOffWarningForm: stays on top, centred on its
// parent. "Do Not Turn Off" runs DoNotTurnOffButton's handler, then the window follows the model's
// `visible`. While close_query answers false the close box and Escape do nothing.
//
//   WarningWindowView warning(warning_form, &main_window);
//   warning.close_query = [] { return !ShutdownArmed; };
//   ... warning.SyncVisibility() after the logic shows or hides PowerOffWarningForm.
#pragma once

#include "gui/form_dialog.h"
#include "model/forms.h"

namespace vidloom::gui {

class WarningWindowView : public FormDialog {
  Q_OBJECT

 public:
  explicit WarningWindowView(PowerOffWarningForm& form, QWidget* parent = nullptr);
};

}  // namespace vidloom::gui
