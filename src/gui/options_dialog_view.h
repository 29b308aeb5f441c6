// The "Additional Options" dialog over the model's TForm4: non-modal, stays on top, centred on
// its parent when shown. Its check boxes take effect the moment they change (the model's
// on_click handlers run). "Done" runs Button1's handler and hides the dialog; the close box
// hides it too. Label1 and SpinEdit1 lie beyond the group frame's right edge, as designed, and
// are never seen.
//
//   OptionsDialogView options(form4, &main_window);
//   form1.SetGeneralOptions1.on_click = [&] { options.ShowWindow(); };
#pragma once

#include "gui/form_dialog.h"

#include "model/forms.h"

namespace vidloom::gui {

class OptionsDialogView : public FormDialog {
  Q_OBJECT

 public:
  explicit OptionsDialogView(TForm4& form, QWidget* parent = nullptr);
};

}  // namespace vidloom::gui
