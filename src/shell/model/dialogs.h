// Message boxes and confirmations. The logic never opens a window itself: it asks this port,
// on the UI thread. Qt shows real boxes; the command line prints them and answers from its
// flags; tests script the answers.
#pragma once

#include <string>

namespace vidloom {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message with an OK button. Texts use "\n\r" as their line break.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // A question with OK and Cancel; true for OK.
  virtual bool ConfirmOkCancel(const std::string& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool ConfirmYesNo(const std::string& text) = 0;
};

// The caption of every message box.
inline constexpr const char* kInformationCaption = "Information";

}  // namespace vidloom
