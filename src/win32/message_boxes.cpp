#include "win32/message_boxes.h"

#include <commctrl.h>

#include "texts/language.h"
#include "win32/form_window.h"

namespace vidloom::win32 {

namespace {

bool Topmost(HWND window) {
  return window != nullptr && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

void Win32Dialogs::SetWindow(const Form& form, HWND window) {
  for (auto it = windows_.begin(); it != windows_.end(); ++it) {
    if (it->first == &form) {
      windows_.erase(it);
      break;
    }
  }
  if (window != nullptr) windows_.emplace_back(&form, window);
}

HWND Win32Dialogs::Owner(const Form& asker) const {
  for (const auto& [form, window] : windows_) {
    if (form == &asker && IsWindow(window)) return window;
  }
  return main_;
}

bool Win32Dialogs::KeepOnTop(HWND owner) const {
  if (Topmost(owner)) return true;
  for (const auto& [form, window] : windows_) {
    if (IsWindow(window) && IsWindowVisible(window) && Topmost(window)) return true;
  }
  return false;
}

int Win32Dialogs::Ask(const Form& asker, const std::string& caption, const std::string& text,
                      UINT kind) {
  HWND owner = Owner(asker);
  const UINT flags = kind | (KeepOnTop(owner) ? MB_TOPMOST : 0);
  const UINT buttons = kind & MB_TYPEMASK;
  const bool question = buttons == MB_OKCANCEL || buttons == MB_YESNO;
  if (question) questions_.push_back({&asker, owner, buttons == MB_YESNO ? IDNO : IDCANCEL});
  const int answer = MessageBoxW(owner, MultiLine(text).c_str(), W(caption).c_str(), flags);
  if (question) questions_.pop_back();
  return answer;
}

void Win32Dialogs::WithdrawQuestions(const Form& asker) {
  for (const OpenQuestion& question : questions_) {
    if (question.asker != &asker) continue;
    // The message box is a dialog ("#32770") of this thread owned by the question's owner; its
    // No (Cancel) button is told it was clicked, as a click would.
    struct Search {
      HWND owner;
      std::wstring caption;
      HWND box = nullptr;
    } search{question.owner, W(texts::Tr(kConfirmCaption))};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          wchar_t kind[16] = L"";
          wchar_t caption[64] = L"";
          GetClassNameW(window, kind, 16);
          GetWindowTextW(window, caption, 64);
          if (lstrcmpW(kind, L"#32770") == 0 && GetWindow(window, GW_OWNER) == s->owner &&
              s->caption == caption) {
            s->box = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.box == nullptr) continue;
    HWND button = GetDlgItem(search.box, question.no_button);
    PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(question.no_button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  }
}

void Win32Dialogs::ShowMessage(const Form& asker, const std::string& caption,
                               const std::string& text) {
  Ask(asker, caption, text, MB_OK | MB_ICONINFORMATION);
}

bool Win32Dialogs::ConfirmOkCancel(const Form& asker, const std::string& text) {
  return Ask(asker, texts::Tr(kConfirmCaption), text, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

bool Win32Dialogs::ConfirmYesNo(const Form& asker, const std::string& text) {
  return Ask(asker, texts::Tr(kConfirmCaption), text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

namespace {

class DetailsWindow : public FormWindow {
 public:
  DetailsWindow(const std::string& title, const std::string& summary, const std::string& details,
                HWND owner)
      : FormWindow(L"VidloomDetails", title, 640, 400,
                   WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
                   owner) {
    AddControl(WC_STATICW, "", WS_VISIBLE, {10, 10, 620, 48}, 1);
    SetWindowTextW(GetDlgItem(hwnd(), 1), MultiLine(summary).c_str());
    HWND text = AddControl(WC_EDITW, "",
                           WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                               ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                           {10, 62, 620, 290}, 2, {}, WS_EX_CLIENTEDGE);
    fixed_ = CreateFontW(-Scale(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                         FIXED_PITCH | FF_MODERN, L"Courier New");
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(fixed_), FALSE);
    SetWindowTextW(text, MultiLine(details).c_str());
    // The end of the output is where a failure is told.
    SendMessageW(text, EM_LINESCROLL, 0, SendMessageW(text, EM_GETLINECOUNT, 0, 0));
    HWND close = AddControl(WC_BUTTONW, "Close", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            {550, 362, 80, 28}, IDCANCEL);
    OnCommand(IDCANCEL, [this](int) { closed_ = true; });
    on_close = [this] { closed_ = true; };
    FitSummary();
    SetFocus(close);
  }
  ~DetailsWindow() override { DeleteObject(fixed_); }
  bool closed() const { return closed_; }

 protected:
  void Relaid() override { FitSummary(); }

 private:
  // The summary (input, output, thumbnail, notes: a line each) gets the lines it needs; the
  // output box below gives the room, down to its designed bottom.
  void FitSummary() {
    HWND summary = GetDlgItem(hwnd(), 1);
    HWND text = GetDlgItem(hwnd(), 2);
    RECT at;
    GetWindowRect(summary, &at);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&at), 2);
    HDC dc = GetDC(summary);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(summary, WM_GETFONT, 0, 0)));
    const std::wstring words = W(WindowText(summary));
    RECT need{0, 0, at.right - at.left, 0};
    DrawTextW(dc, words.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(summary, dc);
    const int height = std::max<int>(Scale(48), need.bottom);
    SetWindowPos(summary, nullptr, 0, 0, at.right - at.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int top = at.top + height + Scale(4);
    const int bottom = Scale(62 + 290);
    SetWindowPos(text, nullptr, at.left, top, at.right - at.left, std::max(bottom - top, Scale(60)),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HFONT fixed_ = nullptr;
  bool closed_ = false;
};

}  // namespace

void Win32Dialogs::ShowDetails(const Form& asker, const std::string& title,
                               const std::string& summary, const std::string& details) {
  HWND owner = Owner(asker);
  DetailsWindow window(title, summary, details, owner);
  if (KeepOnTop(owner)) {
    SetWindowPos(window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  window.CentreOn(owner);
  if (owner != nullptr) EnableWindow(owner, FALSE);
  ShowWindow(window.hwnd(), SW_SHOW);
  // Its own loop until Close: the owner takes no input meanwhile, as a message box's does.
  MSG msg;
  while (!window.closed()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!IsDialogMessageW(window.hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (owner != nullptr) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

}  // namespace vidloom::win32
