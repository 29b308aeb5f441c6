// The "About" box over the model's AboutForm, shown modally and centred on its parent. "OK"
// runs OkButton's handler and closes the box. The two link labels call the callbacks
// (mouse click, or Enter/Space when focused).
//
//   AboutBoxView about(form_about, &main_window);
//   about.on_website_click = [] { OpenWebsite(); };
//   about.on_support_click = [] { OpenSupportMail(); };
//   main_form.AboutEntry.on_click = [&] { about.ShowModal(); };
#pragma once

#include <functional>

#include "gui/form_dialog.h"
#include "model/forms.h"

namespace vidloom::gui {

class AboutBoxView : public FormDialog {
  Q_OBJECT

 public:
  explicit AboutBoxView(AboutForm& form, QWidget* parent = nullptr);

  std::function<void()> on_website_click;  // "Visit Korvane Website  for More Softwares "
  std::function<void()> on_support_click;  // "Contact Support Department"
};

}  // namespace vidloom::gui
