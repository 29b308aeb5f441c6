#include "win32/form_window.h"

#include <algorithm>

#include "unicode/utf16.h"

namespace vidloom::win32 {

std::wstring W(const std::string& utf8) {
  return unicode::Widen(utf8);
}

std::string Utf8(const std::wstring& utf16) {
  return unicode::Narrow(utf16);
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

std::wstring MultiLine(const std::string& utf8) {
  const std::wstring text = W(utf8);
  std::wstring out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\n' || c == L'\r') {
      // "\n\r" and "\r\n" are one break each.
      const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
      if ((next == L'\n' || next == L'\r') && next != c) ++i;
      out += L"\r\n";
      continue;
    }
    out += c;
  }
  return out;
}

FormWindow::FormWindow(const wchar_t* class_name, const std::string& caption, int width, int height,
                       DWORD style, DWORD ex_style, HWND owner)
    : width_(width), height_(height) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, class_name, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.lpszClassName = class_name;
    RegisterClassExW(&wc);
  }
  hwnd_ = CreateWindowExW(ex_style, class_name, W(caption).c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, width, height, owner, nullptr, instance, this);
  dpi_ = GetDpiForWindow(hwnd_);
  if (dpi_ == 0) dpi_ = 96;
  FitFrame();

  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
  // Tips stay up for 30 seconds once shown, and may run over several lines.
  SendMessageW(tips_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30'000, 0));
  SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, Scale(600));
}

FormWindow::~FormWindow() {
  alive_.reset();
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (const auto& [spec, font] : fonts_) DeleteObject(font);
}

FormWindow* FormWindow::Of(HWND hwnd) {
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

SIZE FormWindow::OuterSize() const {
  RECT rect{0, 0, Scale(width_), Scale(height_)};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  AdjustWindowRectExForDpi(&rect, style, GetMenu(hwnd_) != nullptr, ex_style, dpi_);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void FormWindow::FitFrame() {
  const SIZE outer = OuterSize();
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT FormWindow::Font(FontSpec spec) {
  const auto it = fonts_.find(spec);
  if (it != fonts_.end()) return it->second;
  // "MS Shell Dlg 2" is the dialog font Windows maps to the system's sans serif.
  HFONT font =
      CreateFontW(-Scale(spec.pixels), 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE,
                  spec.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Shell Dlg 2");
  fonts_.emplace(spec, font);
  return font;
}

void FormWindow::ApplyFont(HWND control, FontSpec font) {
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(font)), TRUE);
}

HWND FormWindow::AddControl(const wchar_t* window_class, const std::string& text, DWORD style,
                            RECT designed, int id, FontSpec font, DWORD ex_style) {
  HWND control = CreateWindowExW(ex_style, window_class, W(text).c_str(), WS_CHILD | style, 0, 0, 0,
                                 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  Place(control, designed, font);
  return control;
}

void FormWindow::Place(HWND control, RECT designed, FontSpec font) {
  placed_.push_back({control, designed, font});
  ApplyFont(control, font);
  SetWindowPos(control, nullptr, Scale(designed.left), Scale(designed.top), Scale(designed.right),
               Scale(designed.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::FitToText(HWND control, int extra, int room) {
  const auto it = std::find_if(placed_.begin(), placed_.end(),
                               [control](const Placed& p) { return p.control == control; });
  if (it == placed_.end()) return;
  it->fit = true;
  it->extra = extra;
  it->room = room;
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, Font(it->font));
  const std::wstring text = W(WindowText(control));
  RECT bounds{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  if (room > 0) {
    const int wanted = bounds.right + Scale(extra);
    const int widest = std::max(Scale(room), Scale(it->designed.right));
    // A text wider than the room runs over two lines.
    const int height = wanted > widest
                           ? std::max<int>(Scale(it->designed.bottom), 2 * bounds.bottom + Scale(2))
                           : Scale(it->designed.bottom);
    SetWindowPos(control, nullptr, 0, 0, std::clamp(wanted, Scale(it->designed.right), widest),
                 height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  SetWindowPos(control, nullptr, 0, 0, bounds.right + 1, std::max<LONG>(bounds.bottom, 1),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::KeepClearOf(HWND label, HWND control) {
  const std::pair<HWND, HWND> pair{label, control};
  if (std::find(clear_of_.begin(), clear_of_.end(), pair) == clear_of_.end()) {
    clear_of_.push_back(pair);
  }
  RECT text;
  RECT at;
  GetWindowRect(label, &text);
  GetWindowRect(control, &at);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&text), 2);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&at), 2);
  const int needed = text.right + Scale(2);
  if (at.left >= needed) return;
  SetWindowPos(control, nullptr, needed, at.top, at.right - needed, at.bottom - at.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::ApplyLayout() {
  std::map<FontSpec, HFONT> old;
  old.swap(fonts_);
  for (const Placed& p : placed_) {
    ApplyFont(p.control, p.font);
    SetWindowPos(p.control, nullptr, Scale(p.designed.left), Scale(p.designed.top),
                 Scale(p.designed.right), Scale(p.designed.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
    if (p.fit) FitToText(p.control, p.extra, p.room);
  }
  for (const auto& [label, control] : clear_of_) KeepClearOf(label, control);
  for (const auto& [spec, font] : old) DeleteObject(font);
  SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, Scale(600));
  Relaid();
}

void FormWindow::AddTip(HWND control, std::function<std::string()> text,
                        std::function<void()> on_show) {
  TTTOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  tip_texts_[control] = Tip{std::move(text), std::move(on_show), {}};
}

void FormWindow::CentreOn(HWND anchor) {
  RECT area{};
  if (anchor != nullptr && IsWindowVisible(anchor) && !IsIconic(anchor)) {
    GetWindowRect(anchor, &area);
  } else {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(anchor ? anchor : hwnd_, MONITOR_DEFAULTTOPRIMARY), &info);
    area = info.rcWork;
  }
  RECT own{};
  GetWindowRect(hwnd_, &own);
  const int w = own.right - own.left;
  const int h = own.bottom - own.top;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2,
               std::max<LONG>(area.top, area.top + (area.bottom - area.top - h) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<FormWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  FormWindow* self = Of(hwnd);
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const auto it = commands_.find(LOWORD(wparam));
      if (it != commands_.end()) {
        // A copy: the handler may replace the map's entry.
        const auto handler = it->second;
        handler(HIWORD(wparam));
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lparam);
      if (header.hwndFrom == tips_ && header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        const auto it = tip_texts_.find(reinterpret_cast<HWND>(header.idFrom));
        if (it != tip_texts_.end()) {
          if (it->second.on_show) it->second.on_show();
          it->second.shown = MultiLine(it->second.text ? it->second.text() : std::string());
          info.lpszText = it->second.shown.data();
        }
        return 0;
      }
      const auto it = notifies_.find(static_cast<int>(header.idFrom));
      if (it != notifies_.end()) {
        const auto handler = it->second;
        return handler(header);
      }
      break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      // Sliders and arrows report here; their handlers take the scroll code.
      if (lparam != 0) {
        const auto it = commands_.find(GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
        if (it != commands_.end()) {
          const auto handler = it->second;
          handler(LOWORD(wparam));
          return 0;
        }
      }
      break;
    case WM_CTLCOLORSTATIC: {
      const auto it = colours_.find(reinterpret_cast<HWND>(lparam));
      if (it == colours_.end()) break;
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, it->second);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (std::find(hand_cursor_.begin(), hand_cursor_.end(), reinterpret_cast<HWND>(wparam)) !=
          hand_cursor_.end()) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      const SIZE outer = OuterSize();
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, outer.cx, outer.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyLayout();
      return 0;
    }
    case WM_CLOSE:
      if (close_query && !close_query()) return 0;
      if (on_close) {
        on_close();
      } else {
        ShowWindow(hwnd_, SW_HIDE);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

}  // namespace vidloom::win32
