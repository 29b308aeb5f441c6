#include "win32/form_views.h"

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
    : FormView(form, L"AnalyzingForm", form.caption, 275, 138, false, false, owner) {
  constexpr int kWidth = 275;
  BindLabel(*this, form.Heading,
            AddControl(WC_STATICW, "", WS_VISIBLE | SS_CENTER, {8, 12, kWidth - 16, 20},
                       kAnalyzingHeading, {13, false}),
            false);
  BindLabel(*this, form.FileBeingAnalysed,
            AddControl(WC_STATICW, "",
                       WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | SS_ENDELLIPSIS,
                       {(kWidth - 259) / 2, 44, 259, 23}, kAnalyzingFile, {11, true}),
            false);
  BindLabel(
      *this, form.Count,
      AddControl(WC_STATICW, "", WS_VISIBLE | SS_CENTER, {8, 70, kWidth - 16, 18}, kAnalyzingCount),
      false);
  AddFormButton(form.CancelButton, {(kWidth - 75) / 2, 94, 75, 25}, kAnalyzingCancel, false);
}

OptionsDialogView::OptionsDialogView(OptionsForm& form, HWND owner)
    : FormView(form, L"OptionsForm", form.caption, 359, 246, true, false, owner) {
  AddControl(WC_BUTTONW, " Additional Options ", WS_VISIBLE | BS_GROUPBOX, {12, 9, 334, 157},
             kFormStatic);
  const POINT group{12, 9};
  auto check = [this, group](CheckBox& box, int id, RECT designed) {
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
  check(form.CheckBoxOverWrite, kFormCheckBoxOverWrite, {12, 39, 250, 13});
  check(form.CheckBoxKeepFolders, kFormCheckBoxKeepFolders, {12, 60, 250, 13});
  check(form.CheckBoxShutDown, kFormCheckBoxShutDown, {12, 81, 307, 16});

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
  number(form.DropDownCountLabel, kOptionsDropDownLabel, {363, 129, 236, 13}, form.DropDownCount,
         kOptionsDropDownCount, kOptionsDropDownArrows, {412, 126, 40, 22});
  number(form.LabelFilesAtOnce, kFormLabelFilesAtOnce, {12, 123, 160, 16}, form.SpinEditFilesAtOnce,
         kFormSpinEditFilesAtOnce, kFormSpinEditFilesAtOnceArrows, {180, 118, 52, 22});

  AddFormButton(form.DoneButton, {114, 192, 118, 34}, kOptionsDone, true);
}

WarningWindowView::WarningWindowView(PowerOffWarningForm& form, HWND owner)
    : FormView(form, L"PowerOffWarningForm", form.caption, 365, 186, true, false, owner) {
  // Which option asked for the power-off, above the countdown.
  BindLabel(*this, form.Reason,
            AddControl(WC_STATICW, "", WS_VISIBLE | SS_CENTER, {12, 4, 341, 34}, kWarningReason),
            false);
  BindLabel(
      *this, form.CountdownText,
      AddControl(WC_STATICW, "", WS_VISIBLE, {51, 42, 270, 18}, kWarningCountdown, {13, true}),
      true);
  HWND seconds =
      AddControl(WC_STATICW, "", WS_VISIBLE, {177, 81, 30, 18}, kWarningSeconds, {13, true});
  SetTextColour(seconds, RGB(255, 0, 0));
  BindLabel(*this, form.ElapsedSeconds, seconds, true);
  AddFormButton(form.DoNotTurnOffButton, {123, 123, 118, 43}, kWarningDoNotTurnOff, false);
}

AboutBoxView::AboutBoxView(AboutForm& form, HWND owner)
    : FormView(form, L"AboutForm", form.caption, 359, 221, false, true, owner) {
  HWND image = AddControl(WC_STATICW, "", WS_VISIBLE | SS_ICON | SS_REALSIZEIMAGE, {15, 13, 32, 32},
                          kFormStatic);
  SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(ProgramIcon(Scale(32))), 0);
  BindLabel(*this, form.ProductLabel,
            AddControl(WC_STATICW, "", WS_VISIBLE, {63, 19, 100, 16}, kAboutProduct, {11, true}),
            true);
  BindLabel(*this, form.VersionLabel,
            AddControl(WC_STATICW, "", WS_VISIBLE, {141, 39, 100, 16}, kAboutVersion), true);
  AddFormButton(form.OkButton, {273, 52, 77, 31}, kAboutOk, true, BS_DEFPUSHBUTTON, {11, true});
  AddControl(WC_STATICW, "", WS_VISIBLE | SS_ETCHEDHORZ, {9, 90, 340, 2}, kFormStatic);
  auto link = [this](Label& label, int id, int top, std::function<void()>* handler) {
    HWND widget = AddControl(WC_STATICW, "", WS_VISIBLE | WS_TABSTOP | SS_NOTIFY,
                             {86, top, 200, 16}, id, {11, false, true});
    SetTextColour(widget, RGB(0, 0, 255));
    SetHandCursor(widget);
    BindLabel(*this, label, widget, true);
    OnCommand(id, [handler](int code) {
      if (code == STN_CLICKED && *handler) (*handler)();
    });
  };
  link(form.WebsiteLink, kAboutWebsite, 108, &on_website_click);
  link(form.SupportLink, kAboutSupport, 136, &on_support_click);
  AddControl(WC_STATICW, "", WS_VISIBLE | SS_ETCHEDHORZ, {9, 170, 340, 2}, kFormStatic);
  BindLabel(*this, form.Footer,
            AddControl(WC_STATICW, "", WS_VISIBLE, {104, 190, 150, 16}, kAboutFooter), true);
}

}  // namespace vidloom::win32
