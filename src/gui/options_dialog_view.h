// The "Additional Options" dialog over the model's OptionsForm: non-modal, stays on top, centred on
// its parent when shown. Its check boxes take effect the moment they change (the model's
// on_click handlers run). "Done" runs DoneButton's handler and hides the dialog; the close box
// hides it too. DropDownCountLabel and DropDownCount lie beyond the group frame's right edge, as
// designed, and are never seen.
//
//   OptionsDialogView options(options_form, &main_window);
//   main_form.SetOptionsEntry.on_click = [&] { options.ShowWindow(); };
#pragma once

#include "gui/form_dialog.h"

#include "model/forms.h"

namespace vidloom::gui {

class OptionsDialogView : public FormDialog {
  Q_OBJECT

 public:
  explicit OptionsDialogView(OptionsForm& form, QWidget* parent = nullptr);
};

}  // namespace vidloom::gui
