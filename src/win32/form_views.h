// The secondary windows over their model forms: "Analyzing Video Files", "Additional Options"
// (non-modal, on top), About (modal: the other windows take no input while it shows), and the
// countdown's "Warning" (on top of all windows, the main window usable). Each shows and hides
// with its form's `visible`, centred on the main window the first time it appears; the close box
// asks the window's close query.
#pragma once

#include <functional>

#include "model/forms.h"
#include "win32/form_window.h"

namespace vidloom::win32 {

class FormView : public FormWindow {
 public:
  // `modal`: while shown, `owner` and the other windows of the program are disabled.
  FormView(Form& form, const wchar_t* class_name, const std::string& caption, int width, int height,
           bool on_top, bool modal, HWND owner);

  // Shows or hides the window to match the form's `visible`.
  void SyncVisibility();
  // Hides the window (no query) and clears the form's `visible`.
  void HideWindow();

 protected:
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  // A push button bound to `button`. After its handler has run the window hides (`hides`) or
  // follows what the handler set in the form.
  HWND AddFormButton(Button& button, RECT designed, int id, bool hides, DWORD style = 0,
                     FontSpec font = {});

 private:
  Form& form_;
  HWND owner_;
  bool modal_;
  bool placed_ = false;
};

class AnalyzingWindowView : public FormView {
 public:
  AnalyzingWindowView(AnalyzingForm& form, HWND owner);
};

class OptionsDialogView : public FormView {
 public:
  OptionsDialogView(OptionsForm& form, HWND owner);
};

class WarningWindowView : public FormView {
 public:
  WarningWindowView(PowerOffWarningForm& form, HWND owner);
};

class AboutBoxView : public FormView {
 public:
  AboutBoxView(AboutForm& form, HWND owner);
  // The links: the maker's web page, a new e-mail to support.
  std::function<void()> on_website_click;
  std::function<void()> on_support_click;
};

// The identifiers of the secondary windows' controls.
enum FormControlId : int {
  // "Analyzing Video Files"
  kAnalyzingHeading = 301,
  kAnalyzingFile,
  kAnalyzingCount,
  kAnalyzingCancel,
  // "Additional Options"
  kOptionsDropDownLabel,
  kOptionsDone,
  kFormCheckBoxOverWrite,
  kFormCheckBoxKeepFolders,
  kFormCheckBoxShutDown,
  kOptionsDropDownCount,
  kOptionsDropDownArrows,
  kFormLabelFilesAtOnce,
  kFormSpinEditFilesAtOnce,
  kFormSpinEditFilesAtOnceArrows,
  kOptionsLanguageLabel,
  kOptionsLanguage,
  // The power-off warning
  kWarningReason,
  kWarningCountdown,
  kWarningSeconds,
  kWarningDoNotTurnOff,
  // "About"
  kAboutProduct,
  kAboutVersion,
  kAboutOk,
  kAboutWebsite,
  kAboutSupport,
  kAboutFooter,
  kFormStatic,
};

}  // namespace vidloom::win32
