// A top-level window of the program drawn with common controls at designed pixel positions.
// Every position is given in pixels at 96 DPI and scaled to the DPI of the monitor the window is
// on; a move to a monitor with another DPI places and sizes everything again (WM_DPICHANGED).
// Controls report to their window (WM_COMMAND, WM_NOTIFY), which hands each report to the
// handler registered for the control's identifier.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace vidloom::win32 {

// UTF-8 inside, UTF-16 at the API.
std::wstring W(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);
// The text of a window, as UTF-8.
std::string WindowText(HWND window);
// A model text for a Win32 control: "\n\r", "\r\n", "\n" and "\r" each become one "\r\n".
std::wstring MultiLine(const std::string& utf8);

// A font of the fixed layouts: a sans serif whose glyphs are `pixels` high at 96 DPI.
struct FontSpec {
  int pixels = 11;
  bool bold = false;
  bool underline = false;
  bool operator<(const FontSpec& o) const {
    return std::tie(pixels, bold, underline) < std::tie(o.pixels, o.bold, o.underline);
  }
};

class FormWindow {
 public:
  // Registers the window class once per name. `style` and `ex_style` as for CreateWindowExW;
  // the client area is `width` x `height` at 96 DPI. `owner` (may be null) owns the window.
  FormWindow(const wchar_t* class_name, const std::string& caption, int width, int height,
             DWORD style, DWORD ex_style, HWND owner);
  virtual ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  UINT dpi() const { return dpi_; }
  int Scale(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }
  HFONT Font(FontSpec spec);

  // Creates a child control at `designed` (x, y, width, height at 96 DPI, in the client area)
  // with `id`; `auto_size` makes its size follow its text (labels).
  HWND AddControl(const wchar_t* window_class, const std::string& text, DWORD style, RECT designed,
                  int id, FontSpec font = {}, DWORD ex_style = 0);
  // Places `control` at `designed` now and after every DPI change.
  void Place(HWND control, RECT designed, FontSpec font = {});
  // Sizes a placed control to its text (labels that size themselves). With `room` (96 DPI),
  // the width is the text's plus `extra` (a check box's box), at least the designed width and at
  // most `room`; a text wider than that gets two lines (the control must wrap its text).
  void FitToText(HWND control, int extra = 0, int room = 0);
  // Keeps `control` clear of the text of `label`, the label on its left: when the label's text
  // (sized by FitToText) reaches into it, its left edge moves right by the pixels needed and its
  // right edge stays. Now and after every DPI change.
  void KeepClearOf(HWND label, HWND control);

  // Handlers of the controls' reports, by identifier.
  void OnCommand(int id, std::function<void(int code)> handler) {
    commands_[id] = std::move(handler);
  }
  void OnNotify(int id, std::function<LRESULT(NMHDR&)> handler) {
    notifies_[id] = std::move(handler);
  }
  // A tooltip on `control` whose text is asked for each time it shows (empty: none). Tips stay
  // up for 30 seconds.
  void AddTip(HWND control, std::function<std::string()> text, std::function<void()> on_show = {});

  // Text colours of static controls (a countdown in red, links in blue); hand cursors on links.
  void SetTextColour(HWND control, COLORREF colour) { colours_[control] = colour; }
  void SetHandCursor(HWND control) { hand_cursor_.push_back(control); }

  // The client size the window was designed with (96 DPI).
  SIZE designed_client() const { return {width_, height_}; }
  // Moves the window so that it is centred on `anchor` (or on its monitor's work area when
  // `anchor` is null or hidden).
  void CentreOn(HWND anchor);

  // Asked when the user closes the window (close box, Alt+F4, Escape in a dialog); false keeps
  // it open. Unset: closing is allowed.
  std::function<bool()> close_query;
  // After an allowed close. Unset: the window hides.
  std::function<void()> on_close;

  // A token that subscriptions to the model hold weakly: they do nothing once the view is gone.
  std::weak_ptr<int> alive() const { return alive_; }

  // The window that a WM_ message for `hwnd` belongs to (null: none of ours).
  static FormWindow* Of(HWND hwnd);

 protected:
  // Sizes the window so that its client area is the designed one at the current DPI (after a
  // menu bar was added, say).
  void FitFrame();
  virtual LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // After the DPI changed and every placed control has been moved.
  virtual void Relaid() {}

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void ApplyLayout();
  void ApplyFont(HWND control, FontSpec font);
  // The window's outer size for the designed client area at the current DPI.
  SIZE OuterSize() const;

  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  int width_;
  int height_;
  struct Placed {
    HWND control;
    RECT designed;
    FontSpec font;
    bool fit = false;
    int extra = 0;
    int room = 0;
  };
  std::vector<Placed> placed_;
  std::vector<std::pair<HWND, HWND>> clear_of_;  // label, the control on its right
  std::map<FontSpec, HFONT> fonts_;
  std::map<int, std::function<void(int)>> commands_;
  std::map<int, std::function<LRESULT(NMHDR&)>> notifies_;
  HWND tips_ = nullptr;
  struct Tip {
    std::function<std::string()> text;
    std::function<void()> on_show;
    std::wstring shown;  // the buffer the tooltip reads from
  };
  std::map<HWND, Tip> tip_texts_;
  std::map<HWND, COLORREF> colours_;
  std::vector<HWND> hand_cursor_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace vidloom::win32
