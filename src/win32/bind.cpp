#include "win32/bind.h"
#include "texts/language.h"

#include <algorithm>
#include <memory>

namespace vidloom::win32 {

namespace {

void CopyControl(const Control& control, HWND widget) {
  if ((IsWindowEnabled(widget) != FALSE) != control.enabled()) {
    EnableWindow(widget, control.enabled());
  }
  if ((GetWindowLongPtrW(widget, GWL_STYLE) & WS_VISIBLE) == 0 ? control.visible()
                                                               : !control.visible()) {
    ShowWindow(widget, control.visible() ? SW_SHOWNA : SW_HIDE);
  }
}

// The control's hint as the widget's tooltip, read each time the tip shows.
void HintTip(FormWindow& window, const Control& control, HWND widget) {
  window.AddTip(widget, [&control] { return control.hint(); });
}

void SetTextIfChanged(HWND widget, const std::string& text) {
  if (WindowText(widget) != text) SetWindowTextW(widget, W(text).c_str());
}

void CopySelector(const Selector& selector, HWND combo) {
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  bool same = count == selector.count();
  for (int i = 0; same && i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1,
                      L'\0');
    item.resize(static_cast<std::size_t>(
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    same = Utf8(item) == texts::Shown(selector.items()[static_cast<std::size_t>(i)]);
  }
  if (!same) {
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const auto& item : selector.items()) {
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(texts::Shown(item)).c_str()));
    }
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(combo, nullptr, TRUE);
    // The open list is as wide as its widest entry needs (never narrower than the box).
    HDC dc = GetDC(combo);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const auto& item : selector.items()) {
      const std::wstring text = W(texts::Shown(item));
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(combo, dc);
    const int margins = GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE);
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
  }
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selector.selected()), 0);
  SendMessageW(combo, CB_SETMINVISIBLE,
               static_cast<WPARAM>(std::max(1, selector.drop_down_count())), 0);
  CopyControl(selector, combo);
}

// Draws the bar, then its text centred over it.
LRESULT CALLBACK ProgressTextProc(HWND bar, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR data) {
  if (message == WM_PAINT) {
    const auto* text = reinterpret_cast<const std::wstring*>(data);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT rect;
    GetClientRect(bar, &rect);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, rect.right, rect.bottom);
    HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
    FillRect(memory, &rect, GetSysColorBrush(COLOR_BTNFACE));
    DefSubclassProc(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    if (!text->empty()) {
      HGDIOBJ old_font =
          SelectObject(memory, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
      SetBkMode(memory, TRANSPARENT);
      SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
      DrawTextW(memory, text->c_str(), static_cast<int>(text->size()), &rect,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(memory, old_font);
    }
    BitBlt(dc, 0, 0, rect.right, rect.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(bar, &paint);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(bar, ProgressTextProc, 1);
    delete reinterpret_cast<std::wstring*>(data);
  }
  return DefSubclassProc(bar, message, wparam, lparam);
}

}  // namespace

void BindControl(FormWindow& window, Control& control, HWND widget) {
  Follow(window, control, [&control, widget] { CopyControl(control, widget); });
  HintTip(window, control, widget);
}

void BindButton(FormWindow& window, Button& button, HWND widget) {
  BindControl(window, button, widget);
  window.OnCommand(GetDlgCtrlID(widget), [&button](int code) {
    if (code == BN_CLICKED) button.UserClick();
  });
}

void BindLabel(FormWindow& window, Label& label, HWND widget, bool fit) {
  FormWindow* w = &window;
  Follow(window, label, [&label, widget, fit, w] {
    SetTextIfChanged(widget, label.caption());
    if (fit) w->FitToText(widget);
    CopyControl(label, widget);
  });
}

void BindEdit(FormWindow& window, Edit& edit, HWND widget) {
  Follow(window, edit, [&edit, widget] {
    SendMessageW(widget, EM_SETREADONLY, edit.read_only, 0);
    SetTextIfChanged(widget, edit.text());
    CopyControl(edit, widget);
  });
  HintTip(window, edit, widget);
}

void BindSelector(FormWindow& window, Selector& selector, HWND combo) {
  Follow(window, selector, [&selector, combo] { CopySelector(selector, combo); });
  HintTip(window, selector, combo);
  window.OnCommand(GetDlgCtrlID(combo), [&selector, combo](int code) {
    if (code != CBN_SELCHANGE) return;
    selector.UserSelect(static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
    CopySelector(selector, combo);  // the handler may have refused or changed the choice
  });
}

void BindCheckBox(FormWindow& window, CheckBox& box, HWND widget) {
  SetWindowTextW(widget, W(box.caption).c_str());
  auto copy = [&box, widget] {
    SendMessageW(widget, BM_SETCHECK, box.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    CopyControl(box, widget);
  };
  Follow(window, box, copy);
  HintTip(window, box, widget);
  window.OnCommand(GetDlgCtrlID(widget), [&box, widget, copy](int code) {
    if (code != BN_CLICKED) return;
    box.SetChecked(SendMessageW(widget, BM_GETCHECK, 0, 0) == BST_CHECKED);
    copy();
  });
}

void BindTrackBar(FormWindow& window, TrackBar& bar, HWND widget) {
  auto copy = [&bar, widget] {
    SendMessageW(widget, TBM_SETRANGE, FALSE, MAKELPARAM(bar.min, bar.max));
    SendMessageW(widget, TBM_SETPOS, TRUE, bar.position());
    CopyControl(bar, widget);
  };
  Follow(window, bar, copy);
  HintTip(window, bar, widget);
  window.OnCommand(GetDlgCtrlID(widget), [&bar, widget, copy](int) {
    const int position = static_cast<int>(SendMessageW(widget, TBM_GETPOS, 0, 0));
    if (position != bar.position()) bar.SetPosition(position);
    copy();
  });
}

void BindSpinEdit(FormWindow& window, SpinEdit& spin, HWND edit, HWND arrows) {
  auto syncing = std::make_shared<bool>(false);
  auto copy = [&spin, edit, arrows, syncing] {
    *syncing = true;
    SendMessageW(arrows, UDM_SETRANGE32, static_cast<WPARAM>(spin.min), spin.max);
    SendMessageW(arrows, UDM_SETPOS32, 0, spin.value());
    SetTextIfChanged(edit, std::to_string(spin.value()));
    *syncing = false;
    CopyControl(spin, edit);
    CopyControl(spin, arrows);
  };
  Follow(window, spin, copy);
  window.OnCommand(GetDlgCtrlID(edit), [&spin, edit, syncing, copy](int code) {
    if (*syncing || code != EN_CHANGE) return;
    const std::string text = WindowText(edit);
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return;  // half-typed: the value changes once the field holds a number
    }
    spin.SetValue(std::stoll(text));
    if (std::to_string(spin.value()) != text) copy();  // held within its range
  });
}

void BindProgressBar(FormWindow& window, ProgressBar& bar, HWND widget) {
  SendMessageW(widget, PBM_SETRANGE32, 0, 100);
  auto* text = new std::wstring;  // owned by the subclass, freed with the control
  SetWindowSubclass(widget, ProgressTextProc, 1, reinterpret_cast<DWORD_PTR>(text));
  Follow(window, bar, [&bar, widget, text] {
    SendMessageW(widget, PBM_SETPOS, static_cast<WPARAM>(bar.position()), 0);
    const std::wstring wanted = W(bar.text());
    if (*text != wanted) {
      *text = wanted;
      InvalidateRect(widget, nullptr, FALSE);
    }
    CopyControl(bar, widget);
  });
  window.AddTip(widget, [&bar] { return bar.text().empty() ? bar.hint() : bar.text(); });
}

void BindMenuEntry(FormWindow& window, MenuEntry& entry, HMENU menu, int id,
                   const std::string& shortcut) {
  const std::string text = shortcut.empty() ? entry.caption : entry.caption + "\t" + shortcut;
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), W(text).c_str());
  Follow(window, entry, [&entry, menu, id] {
    EnableMenuItem(menu, static_cast<UINT>(id),
                   MF_BYCOMMAND | (entry.enabled() ? MF_ENABLED : MF_GRAYED));
  });
  window.OnCommand(id, [&entry](int) { entry.UserClick(); });
}

}  // namespace vidloom::win32
