// The "Analyzing Video Files" window over the model's AnalyzingForm: fixed, centred on
// its parent, showing the name of the file being analysed on a sunken panel. "Cancel" runs
// CancelButton's handler; while close_query answers false the close box and Escape do nothing.
//
//   AnalyzingWindowView analyzing(splash, &main_window);
//   analyzing.close_query = [] { return !AnalysisActive; };
#pragma once

#include "gui/form_dialog.h"
#include "model/forms.h"

namespace vidloom::gui {

class AnalyzingWindowView : public FormDialog {
  Q_OBJECT

 public:
  explicit AnalyzingWindowView(AnalyzingForm& form, QWidget* parent = nullptr);
};

}  // namespace vidloom::gui
