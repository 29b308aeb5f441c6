// Message boxes and confirmations. The logic never opens a window itself: it asks this port,
// on the UI thread, naming the window whose handler asks (`asker`): the box opens above that
// window and belongs to it, whatever window happens to be active. Qt and Win32 show real boxes;
// the command line prints them and answers from its flags; tests script the answers.
#pragma once

#include <string>
#include "texts/language.h"

namespace vidloom {

struct Form;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message with an OK button. Texts use "\n\r" as their line break.
  virtual void ShowMessage(const Form& asker, const std::string& caption,
                           const std::string& text) = 0;
  // A question with OK and Cancel; true for OK.
  virtual bool ConfirmOkCancel(const Form& asker, const std::string& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool ConfirmYesNo(const Form& asker, const std::string& text) = 0;
  // A longer text to read, with a Close button: `summary` above, `details` (lines joined by
  // "\n") in a scrolling box. By default shown as a message.
  virtual void ShowDetails(const Form& asker, const std::string& title, const std::string& summary,
                           const std::string& details) {
    ShowMessage(asker, title, summary + "\n\r" + details);
  }
  // Closes the questions `asker` has open as answered No (Cancel): a question whose cause has
  // passed (Stop, once the batch has ended) does not outlive it. Nothing is open by default.
  virtual void WithdrawQuestions(const Form& /*asker*/) {}
};

// The caption of every message box.
inline constexpr const char* kInformationCaption = N_("Information");
// The caption of the questions.
inline constexpr const char* kConfirmCaption = N_("Confirm");

}  // namespace vidloom
