// The "About" box over the model's TFormAbout, shown modally and centred on its parent. "OK"
// runs SpeedButton1's handler and closes the box. The two link labels call the callbacks
// (mouse click, or Enter/Space when focused).
//
//   AboutBoxView about(form_about, &main_window);
//   about.on_label2_click = [] { OpenWebsite(); };
//   about.on_label3_click = [] { OpenSupportMail(); };
//   form1.About1.on_click = [&] { about.ShowModal(); };
#pragma once

#include <functional>

#include "gui/form_dialog.h"
#include "model/forms.h"

namespace vidloom::gui {

class AboutBoxView : public FormDialog {
  Q_OBJECT

 public:
  explicit AboutBoxView(TFormAbout& form, QWidget* parent = nullptr);

  std::function<void()> on_label2_click;  // "Visit Korvane Website  for More Softwares "
  std::function<void()> on_label3_click;  // "Contact Support Department"
};

}  // namespace vidloom::gui
