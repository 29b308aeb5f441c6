// The shutdown "Warning" window over the model's TForm3: stays on top, centred on its parent.
// "Do Not Turn Off" runs SpeedButton1's handler, then the window follows the model's
// `visible`. While close_query answers false the close box and Escape do nothing.
//
//   WarningWindowView warning(form3, &main_window);
//   warning.close_query = [] { return !ShutdownArmed; };
//   ... warning.SyncVisibility() after the logic shows or hides TForm3.
#pragma once

#include "gui/form_dialog.h"
#include "model/forms.h"

namespace vidloom::gui {

class WarningWindowView : public FormDialog {
  Q_OBJECT

 public:
  explicit WarningWindowView(TForm3& form, QWidget* parent = nullptr);
};

}  // namespace vidloom::gui
