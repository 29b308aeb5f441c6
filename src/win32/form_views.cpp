#include "win32/form_views.h"

#include "model/form_layouts.h"
#include "texts/language.h"
#include "win32/bind.h"
#include "win32/icons.h"

namespace vidloom::win32 {

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Disables (or enables again) every window of ours on this thread but `except`.
void EnableOthers(HWND except, bool enable) {
  struct Scope {
    HWND except;
    bool enable;
  } scope{except, enable};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM raw) -> BOOL {
        const auto* s = reinterpret_cast<const Scope*>(raw);
        if (window != s->except && FormWindow::Of(window) != nullptr)
          EnableWindow(window, s->enable);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&scope));
}

RECT Designed(const Box& box) {
  return {box.x, box.y, box.width, box.height};
}

FontSpec Spec(const FormControlLayout& layout) {
  return {layout.font.pixels, layout.font.bold, layout.kind == FormControlKind::kLink};
}

// The Win32 window sets these texts 2 pixels lower than the Qt one does; kept so.
RECT Lowered(RECT designed) {
  designed.top += 2;
  return designed;
}

}  // namespace

FormView::FormView(Form& form, const wchar_t* class_name, const std::string& caption, int width,
                   int height, bool on_top, bool modal, HWND owner)
    : FormWindow(class_name, caption, width, height, kDialogStyle,
                 WS_EX_DLGMODALFRAME | (on_top ? WS_EX_TOPMOST : 0), owner),
      form_(form),
      owner_(owner),
      modal_(modal) {
  Follow(*this, form_, [this] { SyncVisibility(); });
}

void FormView::SyncVisibility() {
  const bool shown = IsWindowVisible(hwnd()) != FALSE;
  if (form_.visible == shown) return;
  if (form_.visible) {
    if (!placed_) {
      placed_ = true;
      CentreOn(owner_);
    }
    if (modal_) EnableOthers(hwnd(), false);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
  } else {
    // The owner takes the activation back before this window goes, so that it stays in front.
    if (modal_) EnableOthers(hwnd(), true);
    if (GetActiveWindow() == hwnd() && owner_ != nullptr) SetActiveWindow(owner_);
    ShowWindow(hwnd(), SW_HIDE);
  }
}

void FormView::HideWindow() {
  form_.visible = false;
  SyncVisibility();
}

LRESULT FormView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
    // Escape goes through the close box's query.
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
    return 0;
  }
  if (message == WM_CLOSE) {
    if (close_query && !close_query()) return 0;
    HideWindow();
    return 0;
  }
  return FormWindow::Handle(message, wparam, lparam);
}

HWND FormView::AddFormButton(Button& button, RECT designed, int id, bool hides, DWORD style,
                             FontSpec font) {
  HWND widget =
      AddControl(WC_BUTTONW, button.caption, WS_VISIBLE | WS_TABSTOP | style, designed, id, font);
  BindButton(*this, button, widget);
  // In place of the binding's own report handler: the click, then the window.
  OnCommand(id, [this, &button, hides](int code) {
    if (code != BN_CLICKED) return;
    button.UserClick();
    if (hides) {
      HideWindow();
    } else {
      SyncVisibility();
    }
  });
  return widget;
}

AnalyzingWindowView::AnalyzingWindowView(AnalyzingForm& form, HWND owner)
    : FormView(form, L"AnalyzingForm", form.caption, kAnalyzingLayout.client_width,
               kAnalyzingLayout.client_height, false, false, owner) {
  const FormLayout& layout = kAnalyzingLayout;
  const FormControlLayout& heading = layout.Control("Heading");
  BindLabel(*this, form.Heading,
            AddControl(WC_STATICW, "", WS_VISIBLE | SS_CENTER, Designed(heading.box),
                       kAnalyzingHeading, Spec(heading)),
            false);
  const FormControlLayout& file = layout.Control("FileBeingAnalysed");
  BindLabel(*this, form.FileBeingAnalysed,
            AddControl(WC_STATICW, "",
                       WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | SS_ENDELLIPSIS,
                       Designed(file.box), kAnalyzingFile, Spec(file)),
            false);
  const FormControlLayout& count = layout.Control("Count");
  BindLabel(*this, form.Count,
            AddControl(WC_STATICW, "", WS_VISIBLE | SS_CENTER, Lowered(Designed(count.box)),
                       kAnalyzingCount, Spec(count)),
            false);
  AddFormButton(form.CancelButton, Designed(layout.Control("CancelButton").box), kAnalyzingCancel,
                false);
}

OptionsDialogView::OptionsDialogView(OptionsForm& form, HWND owner)
    : FormView(form, L"OptionsForm", form.caption, kOptionsLayout.client_width,
               kOptionsLayout.client_height, true, false, owner) {
  const FormLayout& layout = kOptionsLayout;
  const FormControlLayout& frame = layout.Control("OptionsGroup");
  AddControl(WC_BUTTONW, texts::Tr(frame.text), WS_VISIBLE | BS_GROUPBOX, Designed(frame.box),
             kFormStatic);
  const POINT group{frame.box.x, frame.box.y};
  auto check = [this, group, &layout](CheckBox& box, int id, const char* name) {
    RECT designed = Designed(layout.Control(name).box);
    // Kept tall enough for its text, centred on its designed rectangle.
    const int height = std::max<int>(designed.bottom, 17);
    designed.top = designed.top + designed.bottom / 2 - height / 2 + 1;
    designed.bottom = height;
    HWND widget = AddControl(
        WC_BUTTONW, box.caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE | BS_TOP,
        {group.x + designed.left, group.y + designed.top, designed.right, height}, id);
    BindCheckBox(*this, box, widget);
    // Wider where the font needs it to show the whole text, up to the window's edge.
    FitToText(widget, 24, designed_client().cx - group.x - designed.left - 4);
  };
  check(form.CheckBoxOverWrite, kFormCheckBoxOverWrite, "CheckBoxOverWrite");
  check(form.CheckBoxKeepFolders, kFormCheckBoxKeepFolders, "CheckBoxKeepFolders");
  check(form.CheckBoxShutDown, kFormCheckBoxShutDown, "CheckBoxShutDown");

  auto number = [this, group](Label& label, int label_id, RECT label_rect, SpinEdit& spin,
                              int edit_id, int arrows_id, RECT spin_rect) {
    BindLabel(*this, label,
              AddControl(WC_STATICW, "", WS_VISIBLE,
                         {group.x + label_rect.left, group.y + label_rect.top, label_rect.right,
                          label_rect.bottom},
                         label_id),
              false);
    HWND edit = AddControl(
        WC_EDITW, "", WS_VISIBLE | WS_TABSTOP | ES_NUMBER,
        {group.x + spin_rect.left, group.y + spin_rect.top, spin_rect.right - 16, spin_rect.bottom},
        edit_id, {}, WS_EX_CLIENTEDGE);
    HWND arrows = AddControl(UPDOWN_CLASSW, "",
                             WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                             {group.x + spin_rect.left + spin_rect.right - 16,
                              group.y + spin_rect.top, 16, spin_rect.bottom},
                             arrows_id);
    SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    BindSpinEdit(*this, spin, edit, arrows);
  };
  // The drop-down count lies outside the group's frame, out of sight, as designed.
  number(form.DropDownCountLabel, kOptionsDropDownLabel,
         Designed(layout.Control("DropDownCountLabel").box), form.DropDownCount,
         kOptionsDropDownCount, kOptionsDropDownArrows,
         Designed(layout.Control("DropDownCount").box));
  number(form.LabelFilesAtOnce, kFormLabelFilesAtOnce,
         Lowered(Designed(layout.Control("LabelFilesAtOnce").box)), form.SpinEditFilesAtOnce,
         kFormSpinEditFilesAtOnce, kFormSpinEditFilesAtOnceArrows,
         Designed(layout.Control("SpinEditFilesAtOnce").box));

  const RECT language_label = Lowered(Designed(layout.Control("LanguageLabel").box));
  BindLabel(*this, form.LanguageLabel,
            AddControl(WC_STATICW, "", WS_VISIBLE,
                       {group.x + language_label.left, group.y + language_label.top,
                        language_label.right, language_label.bottom},
                       kOptionsLanguageLabel),
            false);
  const RECT language = Designed(layout.Control("ComboLanguage").box);
  BindSelector(*this, form.ComboLanguage,
               AddControl(WC_COMBOBOXW, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                          {group.x + language.left, group.y + language.top, language.right, 300},
                          kOptionsLanguage));

  AddFormButton(form.DoneButton, Designed(layout.Control("DoneButton").box), kOptionsDone, true);
}

WarningWindowView::WarningWindowView(PowerOffWarningForm& form, HWND owner)
    : FormView(form, L"PowerOffWarningForm", form.caption, kWarningLayout.client_width,
               kWarningLayout.client_height, true, false, owner) {
  const FormLayout& layout = kWarningLayout;
  // Which option asked for the power-off, above the countdown.
  BindLabel(*this, form.Reason,
            AddControl(WC_STATICW, "", WS_VISIBLE | SS_CENTER,
                       Designed(layout.Control("Reason").box), kWarningReason),
            false);
  const FormControlLayout& countdown = layout.Control("CountdownText");
  BindLabel(*this, form.CountdownText,
            AddControl(WC_STATICW, "", WS_VISIBLE, Designed(countdown.box), kWarningCountdown,
                       Spec(countdown)),
            true);
  const FormControlLayout& elapsed = layout.Control("ElapsedSeconds");
  HWND seconds =
      AddControl(WC_STATICW, "", WS_VISIBLE, Designed(elapsed.box), kWarningSeconds, Spec(elapsed));
  SetTextColour(seconds, RGB(255, 0, 0));
  BindLabel(*this, form.ElapsedSeconds, seconds, true);
  AddFormButton(form.DoNotTurnOffButton, Designed(layout.Control("DoNotTurnOffButton").box),
                kWarningDoNotTurnOff, false);
}

AboutBoxView::AboutBoxView(AboutForm& form, HWND owner)
    : FormView(form, L"AboutForm", form.caption, kAboutLayout.client_width,
               kAboutLayout.client_height, false, true, owner) {
  const FormLayout& layout = kAboutLayout;
  const FormControlLayout& icon = layout.Control("ProgramIcon");
  HWND image = AddControl(WC_STATICW, "", WS_VISIBLE | SS_ICON | SS_REALSIZEIMAGE,
                          Designed(icon.box), kFormStatic);
  SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(ProgramIcon(Scale(icon.box.width))), 0);
  auto text = [this, &layout](Label& label, int id, const char* name, DWORD style = 0) {
    const FormControlLayout& control = layout.Control(name);
    HWND widget =
        AddControl(WC_STATICW, "", WS_VISIBLE | style, Designed(control.box), id, Spec(control));
    BindLabel(*this, label, widget, true);
    return widget;
  };
  text(form.ProductLabel, kAboutProduct, "ProductLabel");
  text(form.VersionLabel, kAboutVersion, "VersionLabel");
  const FormControlLayout& ok = layout.Control("OkButton");
  AddFormButton(form.OkButton, Designed(ok.box), kAboutOk, true, BS_DEFPUSHBUTTON, Spec(ok));
  AddControl(WC_STATICW, "", WS_VISIBLE | SS_ETCHEDHORZ,
             Designed(layout.Control("UpperSunkenLine").box), kFormStatic);
  auto link = [this, &text](Label& label, int id, const char* name,
                            std::function<void()>* handler) {
    HWND widget = text(label, id, name, WS_TABSTOP | SS_NOTIFY);
    SetTextColour(widget, RGB(0, 0, 255));
    SetHandCursor(widget);
    OnCommand(id, [handler](int code) {
      if (code == STN_CLICKED && *handler) (*handler)();
    });
  };
  link(form.WebsiteLink, kAboutWebsite, "WebsiteLink", &on_website_click);
  link(form.SupportLink, kAboutSupport, "SupportLink", &on_support_click);
  AddControl(WC_STATICW, "", WS_VISIBLE | SS_ETCHEDHORZ,
             Designed(layout.Control("LowerSunkenLine").box), kFormStatic);
  text(form.Footer, kAboutFooter, "Footer");
}

}  // namespace vidloom::win32
