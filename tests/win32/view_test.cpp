// The Win32 view over the real window logic, through the real message loop: each control's
// state is read back with the controls' own messages after the model changes, and the handlers
// are reached through the controls' notifications (WM_COMMAND, WM_NOTIFY) as a user's clicks
// reach them.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kept_list/list_database.h"
#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "support/fake_ports.h"
#include "support/kill_points.h"
#include "support/processes.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_runs.h"
#include "support/temp_dir.h"
#include "texts/language.h"
#include "unicode/utf16.h"
#include "win32/app.h"
#include "win32/message_boxes.h"
#include "win32/program_windows.h"
#include "win32/shell_ports.h"
#include "window_logic/add_files.h"
#include "window_logic/main_window.h"
#include "window_logic/work_controls.h"

namespace vidloom::win32 {
namespace {

using vidloom::testing::FakePowerOff;
using vidloom::testing::RecordingDesktop;
using vidloom::testing::ScriptedDialogs;
using vidloom::testing::TempDir;

std::string Text(HWND window) {
  return WindowText(window);
}

RECT ClientRectOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string ItemText(HWND list, int row, int column) {
  wchar_t text[512] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return Utf8(text);
}

std::string PanelText(HWND status, int panel) {
  wchar_t text[512] = L"";
  SendMessageW(status, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text));
  return Utf8(text);
}

FileEntry Entry(const std::string& caption, bool checked) {
  FileEntry e;
  e.input_path = caption;
  e.checked = checked;
  e.media = MediaFacts::Of("640 x 480", "25", "00:01:00");
  e.output_extension = "MP4";
  return e;
}

// --- Whether every text has its room, measured with the control's own font ---------------------

std::wstring WideText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The rectangle `text` takes drawn in `control`'s font with `format`, `width` pixels wide at most
// (DT_WORDBREAK wraps there; a word longer than `width` makes it wider).
RECT TextRect(HWND control, const std::wstring& text, UINT format, int width) {
  HDC dc = GetDC(control);
  auto* font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT rect{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), -1, &rect, format | DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return rect;
}

std::string ClassOf(HWND window) {
  wchar_t kind[64] = L"";
  GetClassNameW(window, kind, 64);
  return Utf8(kind);
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The texts of `window`'s controls that do not fit: a label or check box text wider or taller
// than its control, or running into a neighbour or out of its group's frame; a button's text and
// picture wider than the button; a list entry wider than its drop-down; a column caption wider
// than its column. One line per cut, naming the text.
std::vector<std::string> CutTexts(HWND window) {
  struct Child {
    HWND hwnd;
    std::string kind;
    LONG_PTR style;
    RECT at;  // in the window's client coordinates
  };
  std::vector<Child> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        if (!IsWindowVisible(child)) return TRUE;
        RECT at;
        GetWindowRect(child, &at);
        HWND root = GetAncestor(child, GA_ROOT);
        MapWindowPoints(nullptr, root, reinterpret_cast<POINT*>(&at), 2);
        // A control placed outside the client area is out of sight, not cut.
        RECT client;
        GetClientRect(root, &client);
        if (!Overlap(at, client)) return TRUE;
        reinterpret_cast<std::vector<Child>*>(data)->push_back(
            {child, ClassOf(child), GetWindowLongPtrW(child, GWL_STYLE), at});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  const int edge = GetSystemMetrics(SM_CXEDGE);
  std::vector<std::string> cuts;
  auto cut = [&](const std::wstring& text, const std::string& why) {
    cuts.push_back("\"" + Utf8(text) + "\": " + why);
  };
  auto is_group = [](const Child& c) {
    return c.kind == "Button" && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
  };
  // The drawn text of a label or check box: it stays clear of every other control, and inside
  // the group whose frame holds its control.
  auto keeps_clear = [&](const Child& self, const RECT& drawn, const std::wstring& text) {
    for (const Child& other : children) {
      if (other.hwnd == self.hwnd || GetParent(other.hwnd) != GetParent(self.hwnd)) continue;
      if (is_group(other)) {
        const RECT& frame = other.at;
        const bool inside = self.at.left >= frame.left && self.at.top >= frame.top &&
                            self.at.right <= frame.right + 1 && self.at.top < frame.bottom;
        if (inside && drawn.right > frame.right - edge) cut(text, "crosses its group's frame");
        continue;
      }
      if (other.kind == "msctls_statusbar32") continue;
      if (Overlap(drawn, other.at)) cut(text, "runs into a " + other.kind);
    }
  };
  for (const Child& c : children) {
    const int width = c.at.right - c.at.left;
    const int height = c.at.bottom - c.at.top;
    if (c.kind == "Static") {
      const std::wstring text = WideText(c.hwnd);
      if (text.empty() || (c.style & SS_TYPEMASK) > SS_RIGHT) continue;
      const RECT need = TextRect(c.hwnd, text, DT_WORDBREAK | DT_EXPANDTABS, width);
      if (need.right > width) cut(text, "wider than its label");
      if (need.bottom > height) cut(text, "taller than its label");
      RECT drawn = c.at;
      const int room = width - static_cast<int>(need.right);
      if ((c.style & SS_TYPEMASK) == SS_CENTER) drawn.left += room / 2;
      if ((c.style & SS_TYPEMASK) == SS_RIGHT) drawn.left += room;
      drawn.right = drawn.left + need.right;
      drawn.bottom = drawn.top + std::min<LONG>(need.bottom, height);
      keeps_clear(c, drawn, text);
    } else if (c.kind == "Button") {
      const std::wstring text = WideText(c.hwnd);
      const LONG_PTR type = c.style & BS_TYPEMASK;
      if (text.empty()) continue;
      if (type == BS_GROUPBOX) {
        if (TextRect(c.hwnd, text, DT_SINGLELINE, 0).right + 4 * edge > width) {
          cut(text, "wider than its frame");
        }
        continue;
      }
      const bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                         type == BS_AUTORADIOBUTTON;
      // The size the button itself needs for its text and picture.
      SIZE ideal{};
      if (!SendMessageW(c.hwnd, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) {
        cut(text, "no ideal size");
        continue;
      }
      if (check) {
        const int glyph = GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge;
        const RECT need = TextRect(
            c.hwnd, text, (c.style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE, width - glyph);
        if (need.right > width - glyph) cut(text, "wider than its check box");
        if (need.bottom > height) cut(text, "taller than its check box");
        RECT drawn = c.at;
        drawn.left += glyph;
        drawn.right = drawn.left + need.right;
        keeps_clear(c, drawn, text);
      } else if (ideal.cx > width || ideal.cy > height) {
        cut(text, "its text and picture need " + std::to_string(ideal.cx) + "x" +
                      std::to_string(ideal.cy) + " in " + std::to_string(width) + "x" +
                      std::to_string(height));
      }
    } else if (c.kind == "ComboBox") {
      const int list_width =
          std::max<int>(width, static_cast<int>(SendMessageW(c.hwnd, CB_GETDROPPEDWIDTH, 0, 0)));
      const int room = list_width - GetSystemMetrics(SM_CXVSCROLL) - 4 * edge;
      const int items = static_cast<int>(SendMessageW(c.hwnd, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < items; ++i) {
        std::wstring item(static_cast<std::size_t>(
                              SendMessageW(c.hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)),
                          L'\0');
        SendMessageW(c.hwnd, CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(item.data()));
        if (TextRect(c.hwnd, item, DT_SINGLELINE, 0).right > room) cut(item, "wider than its list");
      }
    } else if (c.kind == "SysListView32") {
      HWND header = reinterpret_cast<HWND>(SendMessageW(c.hwnd, LVM_GETHEADER, 0, 0));
      const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
      for (int i = 0; i < columns; ++i) {
        wchar_t caption[128] = L"";
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = caption;
        item.cchTextMax = 128;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        // A header pads its caption by three edges on either side.
        if (TextRect(header, caption, DT_SINGLELINE, 0).right + 6 * edge > item.cxy) {
          cut(caption, "wider than its column");
        }
      }
    }
  }
  return cuts;
}

class Win32ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.program_directory = dir_.path() + "\\";
    options_.settings_path = dir_ / "vazadi.ini";
    options_.end_pause_ms = 0;
    options_.add_files_pause_ms = 0;
    ports_.power_off = &power_off_;
    ports_.desktop = &desktop_;
    ports_.quit = [this] {
      ++quits_;
      PostQuitMessage(0);
    };
    window_ = std::make_unique<MainWindow>(ui_, dialogs_, options_, ports_);
    windows_ = std::make_unique<ProgramWindows>(*window_, ui_);
    window_->Startup();
    ShowWindow(main(), SW_SHOWNORMAL);
    Pump();
  }
  void TearDown() override {
    windows_.reset();
    window_.reset();
    // A quit left by the test must not end the next one's loop.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  HWND main() const { return windows_->main().hwnd(); }
  HWND Control(int id) const { return GetDlgItem(main(), id); }
  MainForm& form() { return window_->main_form; }

  // Handles what the message loop has now (the posted notifications, the tasks, the timers).
  void Pump() {
    for (int i = 0; i < 5; ++i) ui_.PumpUntil(ui_.clock().NowMs() + 10);
  }
  // True once WM_QUIT was posted (File > Exit, an allowed close); it is taken off the queue.
  bool QuitPosted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  }
  void Command(HWND window, int id, int code = 0, HWND from = nullptr) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(from));
    Pump();
  }
  void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
    Pump();
  }
  void ChooseInList(int id, int index) {
    HWND combo = Control(id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Command(main(), id, CBN_SELCHANGE, combo);
  }

  TempDir dir_;
  Win32UiThread ui_;
  ScriptedDialogs dialogs_;
  int quits_ = 0;
  FakePowerOff power_off_{quits_};
  RecordingDesktop desktop_;
  MainWindowOptions options_;
  MainWindowPorts ports_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<ProgramWindows> windows_;
};

// The designed pixels at 96 DPI, scaled to the monitor's DPI (the test runs at 96 and at 144).
TEST_F(Win32ViewTest, TheMainWindowIsBuiltAsDesigned) {
  const int dpi = static_cast<int>(GetDpiForWindow(main()));
  if (const char* wanted = std::getenv("VIDLOOM_TEST_DPI")) {
    EXPECT_EQ(dpi, std::atoi(wanted));
  }
  auto scaled = [dpi](LONG pixels) { return MulDiv(pixels, dpi, 96); };
  EXPECT_EQ(Text(main()), "Vidloom");
  RECT client;
  GetClientRect(main(), &client);
  EXPECT_EQ(client.right, scaled(765));
  EXPECT_EQ(client.bottom, scaled(512));
  const LONG_PTR style = GetWindowLongPtrW(main(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  const struct {
    int id;
    const char* caption;  // null: not checked
    RECT designed;        // left, top, width, height; height 0: not checked (drop-down lists)
  } controls[] = {
      {kAddFileButton, "Add Files", {18, 3, 130, 52}},
      {kStopConvertButton, "Stop Convert", {165, 3, 130, 52}},
      {kConvertNowButton, "Convert Now !", {318, 3, 130, 52}},
      {kRemoveButton, "Remove", {471, 3, 121, 52}},
      {kClearAllButton, "Clear All ", {612, 3, 130, 52}},
      {kFileList, nullptr, {4, 66, 753, 208}},
      {kComboOutputFormat, nullptr, {105, 282, 301, 0}},
      {kOutputFolderLabel, "Output Directory : ", {416, 286, 0, 0}},
      {kOutputFolder, "C:\\Converted Video", {525, 284, 181, 21}},
      {kButtonBrowseForFolder, "", {711, 280, 40, 28}},
      {kComboVideoCodec, nullptr, {14 + 112, 315 + 18, 157, 0}},
      {kComboVideoFramerate, nullptr, {14 + 112, 315 + 102, 157, 0}},
      {kComboAudioCodec, nullptr, {309 + 108, 315 + 18, 97, 0}},
      {kComboSamplingRate, nullptr, {309 + 108, 315 + 102, 97, 0}},
      {kComboLetterBox, nullptr, {538 + 90, 315 + 24, 113, 0}},
      {kComboAspectRatio, nullptr, {538 + 90, 315 + 53, 113, 0}},
      {kVolumeSlider, nullptr, {538 + 69, 315 + 90, 139, 19}},
      {kVolumePercent, "100%", {538 + 129, 315 + 114, 0, 0}},
      {kConversionProgress, nullptr, {69, 462, 585, 16}},
      {kButtonStopSmall, "Stop", {668, 456, 77, 28}},
  };
  for (const auto& c : controls) {
    HWND control = Control(c.id);
    ASSERT_NE(control, nullptr) << c.id;
    if (c.caption) {
      EXPECT_EQ(Text(control), c.caption) << c.id;
    }
    const RECT at = ClientRectOf(control);
    // A control beside a label starts where the label's text ends, when that is further right
    // than designed (a wider system font); its right edge stays.
    EXPECT_GE(at.left, scaled(c.designed.left)) << c.id;
    EXPECT_LE(at.left, scaled(c.designed.left + 24)) << c.id;
    EXPECT_EQ(at.top, scaled(c.designed.top)) << c.id;
    if (c.designed.right > 0) {
      EXPECT_NEAR(at.right, scaled(c.designed.left) + scaled(c.designed.right), 1) << c.id;
    }
    if (c.designed.bottom > 0) {
      EXPECT_EQ(at.bottom - at.top, scaled(c.designed.bottom)) << c.id;
    }
  }
  // The output folder cannot be typed in; the list has its check boxes, grid and whole rows.
  EXPECT_TRUE(GetWindowLongPtrW(Control(kOutputFolder), GWL_STYLE) & ES_READONLY);
  HWND list = Control(kFileList);
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & LVS_SINGLESEL);
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
  const DWORD extended = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
  const char* columns[] = {"Video File Name", "Video Size", "FrameRate", "Duration",
                           "Output",          "Progress",   "Frames"};
  const int widths[] = {320, 90, 70, 60, 65, 57, 60};
  int all_columns = 0;
  for (int i = 0; i < 7; ++i) {
    wchar_t caption[64] = L"";
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = caption;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(Utf8(caption), columns[i]);
    // As designed, or wider for the caption, the room taken from the file name column.
    if (i > 0) {
      EXPECT_GE(column.cx, scaled(widths[i])) << columns[i];
    }
    all_columns += column.cx;
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, i == 0 ? LVCFMT_LEFT : LVCFMT_CENTER);
  }
  int designed_columns = 0;
  for (int width : widths) designed_columns += scaled(width);
  EXPECT_EQ(all_columns, designed_columns);
  // The selectors as the window's creation filled them; the status bar says "Ready".
  EXPECT_EQ(SendMessageW(Control(kComboOutputFormat), CB_GETCOUNT, 0, 0),
            form().ComboOutputFormat.count());
  EXPECT_EQ(SendMessageW(Control(kComboOutputFormat), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(Control(kComboAspectRatio), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(Control(kVolumeSlider), TBM_GETPOS, 0, 0), 5);
  EXPECT_EQ(SendMessageW(Control(kVolumeSlider), TBM_GETRANGEMAX, 0, 0), 10);
  EXPECT_EQ(PanelText(Control(kStatus), 0), "Ready");
  EXPECT_EQ(SendMessageW(Control(kStatus), SB_GETPARTS, 0, 0), 5);
  // Centred on the screen's work area.
  RECT frame;
  GetWindowRect(main(), &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(main(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 2);
}

TEST_F(Win32ViewTest, ControlsFollowTheirModel) {
  ListView& rows = form().FileList;
  rows.AddRow(Entry("C:\\clips\\one.avi", true));
  rows.AddRow(Entry("C:\\clips\\Café ñ.mp4", false));
  HWND list = Control(kFileList);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(ItemText(list, 1, 0), "C:\\clips\\Café ñ.mp4");
  EXPECT_EQ(ItemText(list, 0, 1), rows.cell(0, 0));
  EXPECT_EQ(ItemText(list, 0, 4), rows.cell(0, 3));
  EXPECT_TRUE(ListView_GetCheckState(list, 0));
  EXPECT_FALSE(ListView_GetCheckState(list, 1));

  rows.Update(rows.row(1).id, [](FileEntry& e) {
    e.checked = true;
    e.state = RowState::kFailed;
    e.reason = "Unknown format";
  });
  EXPECT_TRUE(ListView_GetCheckState(list, 1));
  rows.Select(1);
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
  rows.RemoveRow(0);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(ItemText(list, 0, 0), "C:\\clips\\Café ñ.mp4");

  form().VolumeSlider.SetPosition(1);
  EXPECT_EQ(SendMessageW(Control(kVolumeSlider), TBM_GETPOS, 0, 0), 1);
  EXPECT_EQ(Text(Control(kVolumePercent)), "20%");
  form().Status.SetPanel(1, "Output File Size : 12 KB");
  form().Status.SetNotice("Power off when done");
  EXPECT_EQ(PanelText(Control(kStatus), 1), "Output File Size : 12 KB");
  form().OutputFolder.SetText("D:\\Vidéos");
  EXPECT_EQ(Text(Control(kOutputFolder)), "D:\\Vidéos");
  form().ConversionProgress.SetPosition(42);
  EXPECT_EQ(SendMessageW(Control(kConversionProgress), PBM_GETPOS, 0, 0), 42);

  form().ConvertNowButton.SetEnabled(false);
  form().ExitEntry.SetEnabled(false);
  form().ComboVideoSize.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Control(kConvertNowButton)));
  EXPECT_FALSE(IsWindowEnabled(Control(kComboVideoSize)));
  EXPECT_TRUE(GetMenuState(GetMenu(main()), kMenuExit, MF_BYCOMMAND) & MF_GRAYED);
  form().ConvertNowButton.SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(Control(kConvertNowButton)));

  // The caption carries the batch's percentage.
  form().caption = "37% - Vidloom";
  form().Changed();
  EXPECT_EQ(Text(main()), "37% - Vidloom");
}

TEST_F(Win32ViewTest, NotificationsReachTheHandlers) {
  ListView& rows = form().FileList;
  rows.AddRow(Entry("C:\\clips\\one.avi", false));
  rows.AddRow(Entry("C:\\clips\\two.avi", false));
  rows.AddRow(Entry("C:\\clips\\three.avi", false));
  HWND list = Control(kFileList);

  // A tick in the list (the list's own WM_NOTIFY) reaches the row.
  ListView_SetCheckState(list, 1, TRUE);
  Pump();
  EXPECT_TRUE(rows.row(1).checked);
  EXPECT_FALSE(rows.row(0).checked);
  // Selecting a row, then "Remove" (BN_CLICKED).
  ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Pump();
  EXPECT_EQ(rows.selected(), 2);
  Click(Control(kRemoveButton));
  ASSERT_EQ(rows.count(), 2);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  // The context menu's "Check All Items".
  Command(main(), kMenuCheckAll);
  EXPECT_TRUE(rows.row(0).checked && rows.row(1).checked);
  EXPECT_TRUE(ListView_GetCheckState(list, 0));

  // Another output format (CBN_SELCHANGE): the format refresh fills the option lists again and
  // puts the volume back.
  form().VolumeSlider.SetPosition(8);
  int mp3 = -1;
  for (int i = 0; i < form().ComboOutputFormat.count(); ++i) {
    if (form().ComboOutputFormat.items()[static_cast<std::size_t>(i)].find("MP3") !=
        std::string::npos) {
      mp3 = i;
    }
  }
  ASSERT_GE(mp3, 0);
  const std::vector<std::string> codecs = form().ComboAudioCodec.items();
  ChooseInList(kComboOutputFormat, mp3);
  EXPECT_EQ(form().ComboOutputFormat.selected(), mp3);
  EXPECT_EQ(SendMessageW(Control(kVolumeSlider), TBM_GETPOS, 0, 0), 5);
  EXPECT_NE(form().ComboAudioCodec.items(), codecs);
  EXPECT_EQ(SendMessageW(Control(kComboAudioCodec), CB_GETCOUNT, 0, 0),
            form().ComboAudioCodec.count());
  EXPECT_EQ(SendMessageW(Control(kComboAudioCodec), CB_GETCURSEL, 0, 0),
            form().ComboAudioCodec.selected());
  EXPECT_EQ(IsWindowEnabled(Control(kComboVideoCodec)) != FALSE, form().ComboVideoCodec.enabled());
  EXPECT_EQ(ItemText(list, 0, 4), rows.cell(0, 3));

  // The slider (WM_HSCROLL): position 1 is 20% and the volume value "2".
  SendMessageW(Control(kVolumeSlider), TBM_SETPOS, TRUE, 1);
  PostMessageW(main(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
               reinterpret_cast<LPARAM>(Control(kVolumeSlider)));
  Pump();
  EXPECT_EQ(form().VolumeSlider.position(), 1);
  EXPECT_EQ(Text(Control(kVolumePercent)), "20%");
  EXPECT_EQ(window_->window.VolumeFactor, "2");

  // Files dropped from Explorer (WM_DROPFILES) go to the logic once the drop is handled: a
  // folder without media says so in the status bar.
  const std::wstring folder = unicode::Widen(dir_.path());
  const std::size_t bytes = sizeof(DROPFILES) + (folder.size() + 2) * sizeof(wchar_t);
  HGLOBAL drop = GlobalAlloc(GHND, bytes);
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), folder.c_str(),
              folder.size() * sizeof(wchar_t));
  GlobalUnlock(drop);
  PostMessageW(main(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  Pump();
  const std::string name = dir_.path().substr(dir_.path().find_last_of("\\/") + 1);
  EXPECT_EQ(form().Status.message(), "Skipped (no media files): " + name);

  // Help > "Visit Korvane Website" through the menu's WM_COMMAND.
  Command(main(), kMenuVisitWebsite);
  ASSERT_EQ(desktop_.urls.size(), 1u);
}

TEST_F(Win32ViewTest, TheOtherWindowsShowAsTheirFormsSay) {
  // Options > "Set Additional Options": non-modal, on top; a tick reaches the model; "Done".
  Command(main(), kMenuSetOptions);
  HWND options = windows_->options().hwnd();
  EXPECT_TRUE(IsWindowVisible(options));
  EXPECT_TRUE(GetWindowLongPtrW(options, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowEnabled(main()));
  EXPECT_EQ(Text(options), "Additional Options");
  Click(GetDlgItem(options, kFormCheckBoxOverWrite));
  EXPECT_TRUE(window_->options_form.CheckBoxOverWrite.checked());
  Click(GetDlgItem(options, kOptionsDone));
  EXPECT_FALSE(IsWindowVisible(options));
  EXPECT_FALSE(window_->options_form.visible);

  // About: modal (the main window takes no input) until "OK".
  Command(main(), kMenuAbout);
  HWND about = windows_->about().hwnd();
  EXPECT_TRUE(IsWindowVisible(about));
  EXPECT_FALSE(IsWindowEnabled(main()));
  EXPECT_EQ(Text(GetDlgItem(about, kAboutVersion)), "Version 2.0");
  Click(GetDlgItem(about, kAboutOk));
  EXPECT_FALSE(IsWindowVisible(about));
  EXPECT_TRUE(IsWindowEnabled(main()));

  // The countdown: on top of all windows, the main window usable; its close box refused while
  // armed; "Do Not Turn Off" disarms it. The real timer is not waited for.
  ArmShutdownCountdown(form(), window_->warning_form, window_->shutdown);
  Pump();
  HWND warning = windows_->warning().hwnd();
  EXPECT_TRUE(IsWindowVisible(warning));
  EXPECT_TRUE(GetWindowLongPtrW(warning, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowEnabled(main()));
  PostMessageW(warning, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindowVisible(warning));
  // The main window's close box is refused too, and writes nothing.
  PostMessageW(main(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(QuitPosted());
  EXPECT_FALSE(platform::FileExists(options_.settings_path));
  Click(GetDlgItem(warning, kWarningDoNotTurnOff));
  EXPECT_FALSE(IsWindowVisible(warning));
  EXPECT_FALSE(window_->shutdown.ShutdownArmed);
  EXPECT_EQ(power_off_.calls, 0);
}

// The windows built in one of the program's languages (English first).
class Win32LanguageTest : public Win32ViewTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(texts::UseLanguage(GetParam(), platform::ProgramDirectory() + "locale"));
    Win32ViewTest::SetUp();
  }
  void TearDown() override {
    Win32ViewTest::TearDown();
    texts::UseLanguage("");
  }
};

INSTANTIATE_TEST_SUITE_P(EveryLanguage, Win32LanguageTest,
                         ::testing::Values("", "de", "fr", "es", "pt_BR", "it", "ru", "ja",
                                           "zh_CN"),
                         [](const ::testing::TestParamInfo<const char*>& language) {
                           return std::string(*language.param != '\0' ? language.param : "en");
                         });

// Every text of every window in the system's own font and at the monitor's DPI (the test runs at
// 96 and at 144), in every language: no word is cut or runs into another control.
TEST_P(Win32LanguageTest, EveryTextHasTheRoomItsWordsNeed) {
  // Every format's lists in their drop-downs.
  for (int format = 0; format < form().ComboOutputFormat.count(); ++format) {
    if (IsSeparatorRow(form().ComboOutputFormat.items()[static_cast<std::size_t>(format)]))
      continue;
    ChooseInList(kComboOutputFormat, format);
    EXPECT_EQ(CutTexts(main()), std::vector<std::string>{})
        << "the main window with " << form().ComboOutputFormat.text();
  }
  // The panels' longest texts, the thumbnail step's and a row's reason among them.
  HWND status = Control(kStatus);
  const std::string reason = "the input has no video stream for a video output";
  form().Status.SetMessage(reason);
  for (int panel = 0; panel < 2; ++panel) {
    form().Status.SetPanel(2, panel == 0 ? "" : texts::Tr(kThumbnailPanelText));
    Pump();
    for (int part = 0; part < 4; ++part) {
      const std::wstring text = W(PanelText(status, part));
      RECT at{};
      SendMessageW(status, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&at));
      // Beside the thumbnail step, the reason is in the panel's tooltip; an empty panel has no
      // room.
      if ((part == 3 && panel == 1) || text.empty()) continue;
      EXPECT_LE(TextRect(status, text, DT_SINGLELINE, 0).right + 2 * GetSystemMetrics(SM_CXEDGE),
                at.right - at.left)
          << PanelText(status, part);
    }
  }

  Command(main(), kMenuSetOptions);
  EXPECT_EQ(CutTexts(windows_->options().hwnd()), std::vector<std::string>{}) << "the options";
  Click(GetDlgItem(windows_->options().hwnd(), kOptionsDone));
  ArmShutdownCountdown(form(), window_->warning_form, window_->shutdown);
  Pump();
  EXPECT_EQ(CutTexts(windows_->warning().hwnd()), std::vector<std::string>{}) << "the countdown";
  Click(GetDlgItem(windows_->warning().hwnd(), kWarningDoNotTurnOff));
  ShowWindow(windows_->analyzing().hwnd(), SW_SHOWNA);
  EXPECT_EQ(CutTexts(windows_->analyzing().hwnd()), std::vector<std::string>{}) << "the adding";
  ShowWindow(windows_->analyzing().hwnd(), SW_HIDE);

  Command(main(), kMenuAbout);
  EXPECT_EQ(CutTexts(windows_->about().hwnd()), std::vector<std::string>{}) << "About";
  Click(GetDlgItem(windows_->about().hwnd(), kAboutOk));

  // Show Details has its own loop: looked at from a timer while it shows.
  static std::vector<std::string> cuts;
  static std::string looked_at;
  auto look = [](HWND, UINT, UINT_PTR timer, DWORD) {
    HWND shown = GetActiveWindow();
    if (shown == nullptr || WindowText(shown) != "Details") return;
    KillTimer(nullptr, timer);
    looked_at = WindowText(shown);
    cuts = CutTexts(shown);
    PostMessageW(shown, WM_CLOSE, 0, 0);
  };
  cuts.clear();
  looked_at.clear();
  SetTimer(nullptr, 0, 100, look);
  Win32Dialogs dialogs;
  dialogs.SetMainWindow(main());
  // The header of a failed row: its input, output, the thumbnail and a note, one a line.
  dialogs.ShowDetails(
      Form{}, "Details",
      "C:\\Users\\Ana\\Videos\\holiday.avi\n\rOutput: C:\\Converted Video\\holiday.mp4"
      "\n\rThumbnail: C:\\Converted Video\\holiday.THM\n\rthe input has no video "
      "stream for a video output",
      "> raziz2u -i holiday.avi\nerror\n");
  EXPECT_EQ(looked_at, "Details");
  EXPECT_EQ(cuts, std::vector<std::string>{}) << "Show Details";
}

TEST_F(Win32ViewTest, ExitEndsWithoutSavingAndTheCloseBoxSaves) {
  Command(main(), kMenuExit);
  EXPECT_TRUE(QuitPosted());
  EXPECT_EQ(quits_, 1);
  EXPECT_FALSE(platform::FileExists(options_.settings_path));

  PostMessageW(main(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(QuitPosted());
  EXPECT_TRUE(platform::FileExists(options_.settings_path));
}

// A message box as the user meets it: caption "Information", the model's "\n\r" one break.
TEST_F(Win32ViewTest, MessageBoxesShowTheTextWithOneBreakPerPair) {
  Win32Dialogs dialogs;
  dialogs.SetMainWindow(main());
  struct Seen {
    std::string caption;
    std::vector<std::string> texts;
  };
  static Seen seen;
  seen = {};
  // Once the box is up, its texts are read and its OK button pressed.
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = GetActiveWindow();
    if (box == nullptr || WindowText(box) != "Information") return;
    KillTimer(nullptr, timer);
    seen.caption = WindowText(box);
    EnumChildWindows(
        box,
        [](HWND child, LPARAM) -> BOOL {
          wchar_t kind[32] = L"";
          GetClassNameW(child, kind, 32);
          if (lstrcmpiW(kind, L"Static") == 0 && !WindowText(child).empty()) {
            seen.texts.push_back(WindowText(child));
          }
          return TRUE;
        },
        0);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  dialogs.ShowMessage(Form{}, kInformationCaption, "First line\n\rSecond line");
  EXPECT_EQ(seen.caption, "Information");
  ASSERT_EQ(seen.texts.size(), 1u);
  EXPECT_EQ(seen.texts[0], "First line\r\nSecond line");

  // A question withdrawn while open ends as Cancel (No); another form's withdrawal leaves it,
  // and its OK (Yes), pressed after, answers. OK is pressed in any case, so that a withdrawal
  // that does nothing fails the test instead of leaving the box open.
  static Win32Dialogs* asking;
  static Form asker, other;
  static bool withdraw_asker;
  asking = &dialogs;
  const struct {
    bool yes_no;
    bool withdraw_asker;
    bool answer;
  } cases[] = {
      {false, true, false}, {true, true, false}, {false, false, true}, {true, false, true}};
  for (const auto& c : cases) {
    withdraw_asker = c.withdraw_asker;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
      HWND box = GetActiveWindow();
      if (box == nullptr || WindowText(box) != "Confirm") return;
      KillTimer(nullptr, timer);
      asking->WithdrawQuestions(withdraw_asker ? asker : other);
      HWND yes = GetDlgItem(box, IDYES) ? GetDlgItem(box, IDYES) : GetDlgItem(box, IDOK);
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(yes), BN_CLICKED),
                   reinterpret_cast<LPARAM>(yes));
    });
    const bool answer = c.yes_no ? dialogs.ConfirmYesNo(asker, "Shut down?")
                                 : dialogs.ConfirmOkCancel(asker, "Stop all the file conversions?");
    EXPECT_EQ(answer, c.answer) << c.yes_no << c.withdraw_asker;
  }
}

TEST(Win32Ports, TheFileDialogFilterKeepsEveryEntryWithoutBlanks) {
  const std::wstring filter = WindowsFilterOf("All|*.avi; *.qt|MP3 Files (*.mp3)|*.mp3|");
  EXPECT_EQ(filter, std::wstring(L"All\0*.avi;*.qt\0MP3 Files (*.mp3)\0*.mp3\0\0", 40));
  // The program's own list: as many entries as descriptions, no blank beside a pattern.
  const std::wstring full = WindowsFilterOf(SupportedFilesFilter);
  int parts = 0;
  for (wchar_t c : full) parts += c == L'\0';
  int bars = 0;
  for (const char* p = SupportedFilesFilter; *p; ++p) bars += *p == '|';
  EXPECT_EQ(parts, bars + 1);
  EXPECT_EQ(full.find(L"; "), std::wstring::npos);
}

TEST(Win32Arguments, FilesOptionsAndTheirEnd) {
  using Ask = DesktopArguments::Ask;
  const struct {
    std::vector<std::string> arguments;
    Ask ask;
    std::vector<std::string> files;
  } cases[] = {
      {{}, Ask::kWindow, {}},
      {{"C:\\a.avi", "D:\\Vidéos"}, Ask::kWindow, {"C:\\a.avi", "D:\\Vidéos"}},
      {{"--help"}, Ask::kHelp, {}},
      {{"/?"}, Ask::kHelp, {}},
      {{"--version", "x.avi"}, Ask::kVersion, {}},
      {{"-x"}, Ask::kWrong, {}},
      {{"--", "-dash.avi", "--help"}, Ask::kWindow, {"-dash.avi", "--help"}},
      {{"-"}, Ask::kWindow, {"-"}},
  };
  for (const auto& c : cases) {
    const DesktopArguments parsed = ParseDesktopArguments(c.arguments);
    EXPECT_EQ(parsed.ask, c.ask);
    EXPECT_EQ(parsed.files, c.files);
  }
}

// --- The list kept for a restore after a crash --------------------------------------------------

// The window program ended by TerminateProcess at a point of its work, then started again. The
// child is this test program once more, running KillTestChild: it builds the windows as the
// program does over the fake encoder (scripted runs), adds three files, converts them, and ends
// itself with TerminateProcess the moment it reaches its point.
constexpr const char* kKillAt = "VIDLOOM_KILL_AT";
constexpr const char* kKillDir = "VIDLOOM_KILL_DIR";
constexpr UINT kKilledCode = 9;

class Win32KeptListTest : public ::testing::Test {
 protected:
  ~Win32KeptListTest() override { Stop(); }

  void Start(const std::string& dir) {
    Stop();
    MainWindowOptions options;
    options.program_directory =
        platform::ParentDirectory(FAKE_ENCODER_PATH) + std::string(1, platform::kPathSeparator);
    options.settings_path = dir + "\\vazadi.ini";
    options.keep_list = true;  // and the program's end pause, one of the kill points
    options.add_files_pause_ms = 0;
    options.read_video_info = [](const std::string&) { return testing::SdVideoInfo(); };
    MainWindowPorts ports;
    ports.quit = [] { PostQuitMessage(0); };
    window_ = std::make_unique<MainWindow>(ui_, dialogs_, options, ports);
    windows_ = std::make_unique<ProgramWindows>(*window_, ui_);
    window_->Startup();
    ShowWindow(windows_->main().hwnd(), SW_SHOWNORMAL);
    Pump();
  }
  void Stop() {
    windows_.reset();
    window_.reset();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  void Pump() {
    for (int i = 0; i < 5; ++i) ui_.PumpUntil(ui_.clock().NowMs() + 10);
  }
  // Pumps until `done` holds; false when it has not within `ms` (a hang's bound, not a pause).
  bool PumpUntil(const std::function<bool()>& done, std::int64_t ms = 60000) {
    const std::int64_t end = ui_.clock().NowMs() + ms;
    while (!done()) {
      if (ui_.clock().NowMs() > end) return false;
      ui_.PumpUntil(ui_.clock().NowMs() + 10);
    }
    return true;
  }
  MainForm& form() { return window_->main_form; }
  std::vector<std::string> ProgressCells() {
    std::vector<std::string> cells;
    HWND list = GetDlgItem(windows_->main().hwnd(), kFileList);
    for (int row = 0; row < form().FileList.count(); ++row) {
      cells.push_back(ItemText(list, row, 1 + kCellProgress));
    }
    return cells;
  }

  // A folder for one program's life: its settings and list, the three inputs, the outputs and
  // the fake encoder's scripts.
  static void PrepareFolder(const std::string& dir, bool b_hangs) {
    for (const char* name : {"a.avi", "b.avi", "c.avi"})
      testing::WriteTextFile(dir + "\\" + name, "media");
    std::filesystem::create_directories(platform::FsPath(dir + "\\out"));
    std::filesystem::create_directories(platform::FsPath(dir + "\\runs"));
    testing::WriteTextFile(dir + "\\runs\\default.txt", testing::kGoodRun);
    if (b_hangs) {
      // b reports half its length and part of its output, then waits for a file that never
      // comes: it ends by itself within 10 s after its window is gone.
      testing::WriteTextFile(dir + "\\runs\\for-b.mp4.txt",
                             "print Input #0, avi, from 'in':\n"
                             "print   Duration: 00:00:10.00, start: 0.000000, bitrate: 100 kb/s\n"
                             "output 1000\n"
                             "write frame=125 q=2.0 size=1kB time=5.00 bitrate=80.0kbits/s\\r\n"
                             "await " +
                                 dir + "\\never\nexit 0\n");
    }
  }

  // Runs the child to its kill point in `dir`; true when it ended there.
  static bool KillAt(const std::string& point, const std::string& dir) {
    testing::SetEnvironment(kKillAt, point);
    testing::SetEnvironment(kKillDir, dir);
    testing::SetEnvironment("FAKE_ENCODER_SEQUENCE", dir + "\\runs");
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(self) + L"\" --gtest_filter=Win32KeptListTest.KillTestChild";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    DWORD code = 0;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
      CloseHandle(info.hThread);
      if (WaitForSingleObject(info.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);  // ours, and hung: the test fails below
      }
      GetExitCodeProcess(info.hProcess, &code);
      CloseHandle(info.hProcess);
    }
    testing::UnsetEnvironment(kKillAt);
    testing::UnsetEnvironment(kKillDir);
    testing::UnsetEnvironment("FAKE_ENCODER_SEQUENCE");
    EXPECT_EQ(code, kKilledCode) << point;
    return code == kKilledCode;
  }

  // Starts the window again on `dir`; `answer` for the restore question.
  std::vector<ScriptedDialogs::Box> StartAgain(const std::string& dir, std::optional<bool> answer) {
    dialogs_.boxes.clear();
    if (answer) dialogs_.ExpectQuestion(*answer);
    Start(dir);
    window_->BeginSession({});
    Pump();
    return dialogs_.boxes;
  }

  Win32UiThread ui_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<ProgramWindows> windows_;
};

TEST_F(Win32KeptListTest, KillTestChild) {
  const auto point_env = platform::Environment(kKillAt);
  if (!point_env || point_env->empty()) GTEST_SKIP() << "the child of the kill tests";
  const std::string point = *point_env;
  const std::string dir = *platform::Environment(kKillDir);
  const auto die = [] { TerminateProcess(GetCurrentProcess(), kKilledCode); };
  Start(dir);
  form().ComboOutputFormat.SelectText(testing::kPs3);
  form().ComboOutputFormat.UserSelect(form().ComboOutputFormat.selected());
  form().OutputFolder.SetText(dir + "\\out");
  testing::DieAt(point, form(), dialogs_, die);
  if (point == "question") {
    window_->BeginSession({});
    FAIL() << "no question";
  }
  window_->BeginSession({dir + "\\a.avi", dir + "\\b.avi", dir + "\\c.avi"});
  ASSERT_EQ(form().FileList.count(), 3);
  PostMessageW(GetDlgItem(windows_->main().hwnd(), kConvertNowButton), BM_CLICK, 0, 0);
  Pump();  // the click starts the batch
  ASSERT_TRUE(PumpUntil([&] { return !window_->BatchRunning(); }));
  window_->WaitForBatch();
  Pump();
  if (point == "after-batch") die();
  FAIL() << "not killed at " << point;
}

TEST_F(Win32KeptListTest, KilledAtAnyPointTheNextStartOffersTheListBackWhole) {
  int restored = 0;
  for (const testing::KillPoint& point : testing::KillPoints()) {
    SCOPED_TRACE(point.name);
    TempDir dir;
    const std::string name = point.name;
    PrepareFolder(dir.path(), name == "converting");
    if (name == "question") {
      ASSERT_TRUE(KillAt("between-rows", dir.path()));
    }
    ASSERT_TRUE(KillAt(name, dir.path()));
    const auto boxes = StartAgain(dir.path(), true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kept_list::RestoreQuestion(point.files, point.converted));
    EXPECT_EQ(ProgressCells(), point.progress);
    bool whole = ProgressCells() == point.progress;
    for (std::size_t at = 0; at < form().FileList.rows().size(); ++at) {
      const FileEntry& row = form().FileList.rows()[at];
      const std::string reason = testing::ReasonAfter(point, at);
      EXPECT_EQ(row.reason.substr(0, reason.size()), reason) << at;
      if (row.state == RowState::kDone) {
        // Whole: the size the scripted run wrote.
        EXPECT_EQ(platform::FileSize(row.output_path), std::uint64_t{2048}) << row.output_path;
        whole = whole && platform::FileSize(row.output_path) == std::uint64_t{2048};
      }
      if (row.state == RowState::kAborted) {
        EXPECT_EQ(row.reason, reason + kept_list::kPartialOutput + row.output_path);
      }
    }
    restored += whole ? 1 : 0;
    ASSERT_TRUE(window_->TryClose());
    EXPECT_TRUE(StartAgain(dir.path(), std::nullopt).empty()) << "a clean exit leaves nothing";
    Stop();
  }
  std::printf("kill points tried: %zu, lists restored whole: %d\n", testing::KillPoints().size(),
              restored);
}

}  // namespace
}  // namespace vidloom::win32
