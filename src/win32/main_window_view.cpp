#include "win32/main_window_view.h"

#include <shellapi.h>
#include <shobjidl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "rows/file_entry.h"
#include "win32/bind.h"
#include "win32/icons.h"

namespace vidloom::win32 {

const FileColumn kFileColumns[7] = {
    {"Video File Name", 320}, {"Video Size", 90}, {"FrameRate", 70}, {"Duration", 60},
    {"Output", 65},           {"Progress", 57},   {"Frames", 60},
};

namespace {

constexpr FontSpec kBold{11, true};
constexpr FontSpec kBigBold{12, true};
// Drop-down lists are given room for their open list; the closed box takes its font's height.
constexpr int kDropDownHeight = 300;

// The longest texts each status panel shows: the state (a batch's summary after it), the output
// size, the thumbnail step.
const std::array<std::vector<const char*>, StatusBar::kPanels> kStatusPanelTexts = {{
    {"Ready", "Converting 888 of 888", "88 of 888 converted, 88 failed"},
    {"Output File Size : 8888888 KB"},
    {"Creating THM File.....Please Wait"},
}};
constexpr int kStatusPanelPadding = 14;
// A big button's picture, smaller where the caption needs the room, and its distance from the
// caption.
constexpr int kBigPicture = 32;
constexpr int kSmallerBigPicture = 24;
constexpr int kPictureGap = 6;

struct BigButton {
  Button MainForm::*button;
  int id;
  Picture picture;
  RECT designed;
};
const BigButton kBigButtons[] = {
    {&MainForm::AddFileButton, kAddFileButton, Picture::kAdd, {18, 3, 130, 52}},
    {&MainForm::StopConvertButton, kStopConvertButton, Picture::kStop, {165, 3, 130, 52}},
    {&MainForm::ConvertNowButton, kConvertNowButton, Picture::kConvert, {318, 3, 130, 52}},
    {&MainForm::RemoveButton, kRemoveButton, Picture::kRemove, {471, 3, 121, 52}},
    {&MainForm::ClearAllButton, kClearAllButton, Picture::kClear, {612, 3, 130, 52}},
};

int TextWidth(HWND window, HFONT font, const char* text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  const std::wstring wide = W(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

}  // namespace

MainWindowView::MainWindowView(MainForm& form)
    : FormWindow(L"MainForm", form.caption, kClientWidth, kClientHeight,
                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, nullptr),
      form_(form) {
  BuildMenus();
  FitFrame();
  BuildControls();
  BuildStatusBar();
  SetButtonPictures();
  // Files and folders from the file manager, anywhere on the window.
  DragAcceptFiles(hwnd(), TRUE);
  taskbar_created_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
  // The caption carries the batch's percentage while it converts ("37% - Vidloom"); so does the
  // taskbar button.
  Follow(*this, form_, [this] {
    if (WindowText(hwnd()) != form_.caption) SetWindowTextW(hwnd(), W(form_.caption).c_str());
    FollowTaskbar();
  });
  CentreOn(nullptr);
  StepAsideFromOtherWindows();
}

void MainWindowView::StepAsideFromOtherWindows() {
  // A window of another Vidloom where this one would open hides the new one: it opens down and
  // to the right of it by a title bar, as far as the work area allows.
  const int step = GetSystemMetricsForDpi(SM_CYCAPTION, dpi()) +
                   GetSystemMetricsForDpi(SM_CYFRAME, dpi()) +
                   GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi());
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT mine;
  GetWindowRect(hwnd(), &mine);
  for (int moved = 0; moved < 32; ++moved) {
    bool covered = false;
    for (HWND other = FindWindowExW(nullptr, nullptr, L"MainForm", nullptr); other != nullptr;
         other = FindWindowExW(nullptr, other, L"MainForm", nullptr)) {
      RECT at;
      if (other == hwnd() || !IsWindowVisible(other) || IsIconic(other) ||
          !GetWindowRect(other, &at)) {
        continue;
      }
      covered = covered || (std::abs(at.left - mine.left) < step / 2 &&
                            std::abs(at.top - mine.top) < step / 2);
    }
    if (!covered) break;
    OffsetRect(&mine, step, step);
    if (mine.right > monitor.rcWork.right || mine.bottom > monitor.rcWork.bottom) {
      OffsetRect(&mine, monitor.rcWork.left - mine.left, monitor.rcWork.top - mine.top);
    }
  }
  SetWindowPos(hwnd(), nullptr, mine.left, mine.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

MainWindowView::~MainWindowView() {
  if (taskbar_ != nullptr) taskbar_->Release();
  if (popup_ != nullptr) DestroyMenu(popup_);
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
  for (HIMAGELIST list : pictures_) ImageList_Destroy(list);
}

void MainWindowView::BuildMenus() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  BindMenuEntry(*this, form_.AddFilesEntry, file, kMenuAddFiles, "Ctrl+O");
  BindMenuEntry(*this, form_.AddFolderEntry, file, kMenuAddFolder);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.ConvertEntry, file, kMenuConvert, "Ctrl+Enter");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.OpenOutputFolderEntry, file, kMenuOpenOutputFolder);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.ExitEntry, file, kMenuExit);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");

  HMENU options = CreatePopupMenu();
  BindMenuEntry(*this, form_.SetOptionsEntry, options, kMenuSetOptions);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), L"&Options");

  HMENU help = CreatePopupMenu();
  BindMenuEntry(*this, form_.OpenHelpEntry, help, kMenuOpenHelp, "F1");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.VisitWebsiteEntry, help, kMenuVisitWebsite);
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.AboutEntry, help, kMenuAbout);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  SetMenu(hwnd(), bar);

  popup_ = CreatePopupMenu();
  BindMenuEntry(*this, form_.CheckAllEntry, popup_, kMenuCheckAll);
  BindMenuEntry(*this, form_.UncheckAllEntry, popup_, kMenuUncheckAll);
  AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.RemoveSelectedEntry, popup_, kMenuRemoveSelected, "Del");
  BindMenuEntry(*this, form_.ClearAllEntry, popup_, kMenuClearAll);
  AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
  BindMenuEntry(*this, form_.CheckFailedEntry, popup_, kMenuCheckFailed);
  BindMenuEntry(*this, form_.ShowDetailsEntry, popup_, kMenuShowDetails);
  BindMenuEntry(*this, form_.OpenRowFolderEntry, popup_, kMenuOpenRowFolder);

  ACCEL keys[] = {
      {FCONTROL | FVIRTKEY, 'O', kMenuAddFiles},
      {FCONTROL | FVIRTKEY, VK_RETURN, kMenuConvert},
      {FVIRTKEY, VK_F1, kMenuOpenHelp},
  };
  accelerators_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

void MainWindowView::BuildControls() {
  // Created in tab order.
  for (const BigButton& b : kBigButtons) {
    Button& button = form_.*b.button;
    HWND widget = AddControl(WC_BUTTONW, button.caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                             b.designed, b.id, kBigBold);
    BindButton(*this, button, widget);
  }

  list_ = AddControl(WC_LISTVIEWW, "",
                     WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                     {4, 66, 753, 208}, kFileList, {}, WS_EX_CLIENTEDGE);
  BindList();
  SizeColumns();

  HWND format_label =
      AddControl(WC_STATICW, "Output Format : ", WS_VISIBLE, {7, 286, 98, 16}, kStaticLabel, kBold);
  FitToText(format_label);
  HWND format =
      AddControl(WC_COMBOBOXW, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                 {105, 282, 301, kDropDownHeight}, kComboOutputFormat);
  BindSelector(*this, form_.ComboOutputFormat, format);
  KeepClearOf(format_label, format);

  HWND folder_label = AddControl(WC_STATICW, "", WS_VISIBLE | SS_NOTIFY, {416, 286, 100, 16},
                                 kOutputFolderLabel, kBold);
  BindLabel(*this, form_.OutputFolderLabel, folder_label, true);
  AddTip(
      folder_label, [this] { return form_.OutputFolderLabel.hint(); },
      [this] {
        if (on_label1_enter) on_label1_enter();
      });

  HWND folder = AddControl(WC_EDITW, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                           {525, 284, 181, 21}, kOutputFolder, {}, WS_EX_CLIENTEDGE);
  BindEdit(*this, form_.OutputFolder, folder);
  KeepClearOf(folder_label, folder);
  BindButton(*this, form_.ButtonBrowseForFolder,
             AddControl(WC_BUTTONW, "", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, {711, 280, 40, 28},
                        kButtonBrowseForFolder));

  BuildSettingGroups();

  BindProgressBar(
      *this, form_.ConversionProgress,
      AddControl(PROGRESS_CLASSW, "", WS_VISIBLE, {69, 462, 585, 16}, kConversionProgress));
  BindButton(
      *this, form_.ButtonStopSmall,
      AddControl(WC_BUTTONW, form_.ButtonStopSmall.caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                 {668, 456, 77, 28}, kButtonStopSmall));
}

// The video, audio and general settings, each a framed group of labelled lists. The lists are
// children of the window (a group box passes no reports on), placed inside their frame.
void MainWindowView::BuildSettingGroups() {
  struct Group {
    const char* caption;
    RECT designed;
  };
  struct ComboRow {
    Selector MainForm::*selector;
    int id;
    const char* caption;
    int top;
  };
  auto add_group = [this](const char* caption, RECT designed) {
    AddControl(WC_BUTTONW, caption, WS_VISIBLE | BS_GROUPBOX, designed, kStaticLabel);
    return POINT{designed.left, designed.top};
  };
  auto add_rows = [this](POINT origin, const auto& rows, int list_left, int list_width) {
    std::vector<HWND> labels;
    std::vector<HWND> lists;
    for (const ComboRow& row : rows) {
      HWND label =
          AddControl(WC_STATICW, row.caption, WS_VISIBLE,
                     {origin.x + 12, origin.y + row.top + 4, list_left - 14, 16}, kStaticLabel);
      FitToText(label);
      HWND list = AddControl(
          WC_COMBOBOXW, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
          {origin.x + list_left, origin.y + row.top, list_width, kDropDownHeight}, row.id);
      BindSelector(*this, form_.*row.selector, list);
      labels.push_back(label);
      lists.push_back(list);
    }
    // The lists of a group stay in one column, clear of its widest label.
    for (HWND list : lists) {
      for (HWND label : labels) KeepClearOf(label, list);
    }
  };

  const POINT video = add_group(" Video Settings ", {14, 315, 285, 133});
  const ComboRow video_rows[] = {
      {&MainForm::ComboVideoCodec, kComboVideoCodec, "Video Codec : ", 18},
      {&MainForm::ComboVideoSize, kComboVideoSize, "Video Size : ", 46},
      {&MainForm::ComboVideoBitrate, kComboVideoBitrate, "Video Bitrate : ", 74},
      {&MainForm::ComboVideoFramerate, kComboVideoFramerate, "Video Framerate : ", 102},
  };
  add_rows(video, video_rows, 112, 157);

  const POINT audio = add_group(" Audio Settings ", {309, 315, 219, 133});
  const ComboRow audio_rows[] = {
      {&MainForm::ComboAudioCodec, kComboAudioCodec, "Audio Codec : ", 18},
      {&MainForm::ComboAudioBitrate, kComboAudioBitrate, "Audio Bitrate :", 46},
      {&MainForm::ComboAudioChannel, kComboAudioChannel, "Audio Channels :", 74},
      {&MainForm::ComboSamplingRate, kComboSamplingRate, "Sampling Rate : ", 102},
  };
  add_rows(audio, audio_rows, 108, 97);

  const POINT general = add_group(" General Settings ", {538, 315, 213, 133});
  const ComboRow general_rows[] = {
      {&MainForm::ComboLetterBox, kComboLetterBox, "Video Zoom : ", 24},
      {&MainForm::ComboAspectRatio, kComboAspectRatio, "Aspect Ratio : ", 53},
  };
  add_rows(general, general_rows, 90, 97);
  FitToText(AddControl(WC_STATICW, "Volume : ", WS_VISIBLE,
                       {general.x + 12, general.y + 92, 56, 16}, kStaticLabel));
  BindTrackBar(*this, form_.VolumeSlider,
               AddControl(TRACKBAR_CLASSW, "", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS,
                          {general.x + 69, general.y + 90, 139, 19}, kVolumeSlider));
  BindLabel(*this, form_.VolumePercent,
            AddControl(WC_STATICW, "", WS_VISIBLE, {general.x + 129, general.y + 114, 40, 16},
                       kVolumePercent),
            true);
}

void MainWindowView::BuildStatusBar() {
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0,
                            0, 0, 0, hwnd(), reinterpret_cast<HMENU>(kStatus),
                            GetModuleHandleW(nullptr), nullptr);
  SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(Font({})), FALSE);
  Follow(*this, form_.Status, [this] { CopyStatusBar(); });
}

void MainWindowView::LayOutStatusBar() {
  SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(Font({})), FALSE);
  SendMessageW(status_, WM_SIZE, 0, 0);
  int edges[5];
  int used = 0;
  for (int i = 0; i < StatusBar::kPanels; ++i) {
    // The thumbnail step's panel takes room only while it says something: otherwise the
    // message (a row's reason, a skipped file) has it.
    const bool last = i == StatusBar::kPanels - 1;
    if (last && form_.Status.panel(i).empty()) {
      edges[i] = used;
      continue;
    }
    int width = 0;
    for (const char* text : kStatusPanelTexts[static_cast<std::size_t>(i)]) {
      width = std::max(width, TextWidth(status_, Font({}), text));
    }
    used += width + Scale(kStatusPanelPadding);
    edges[i] = used;
  }
  RECT client;
  GetClientRect(hwnd(), &client);
  const int notice = form_.Status.notice().empty()
                         ? 0
                         : TextWidth(status_, Font(kBold), form_.Status.notice().c_str()) +
                               Scale(kStatusPanelPadding);
  edges[3] = std::max(used, static_cast<int>(client.right) - notice);
  edges[4] = -1;
  SendMessageW(status_, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
}

void MainWindowView::CopyStatusBar() {
  const StatusBar& bar = form_.Status;
  LayOutStatusBar();
  for (int i = 0; i < 5; ++i) {
    const std::string& text = i < StatusBar::kPanels ? bar.panel(i)
                              : i == 3               ? bar.message()
                                                     : bar.notice();
    status_texts_[i] = W(text);
    if (i == 4) {
      // The notice in bold red (drawn in WM_DRAWITEM).
      SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(i | SBT_OWNERDRAW),
                   reinterpret_cast<LPARAM>(status_texts_[i].c_str()));
    } else {
      SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(status_texts_[i].c_str()));
      // The whole text when the panel cuts it.
      SendMessageW(status_, SB_SETTIPTEXTW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(status_texts_[i].c_str()));
    }
  }
  EnableWindow(status_, bar.enabled());
}

void MainWindowView::BindList() {
  ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES |
                                               LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP |
                                               LVS_EX_DOUBLEBUFFER);
  for (int i = 0; i < 7; ++i) {
    const std::wstring caption = W(kFileColumns[i].caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_CENTER;
    column.cx = Scale(kFileColumns[i].width);  // SizeColumns fits them to their captions
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&column));
  }
  form_.FileList.SubscribeRows([alive = alive(), this](ListView::Change change, int row) {
    if (alive.lock()) SyncRows(static_cast<int>(change), row);
  });
  SyncRows(static_cast<int>(ListView::Change::kReset), -1);
  Follow(*this, form_.FileList, [this] { EnableWindow(list_, form_.FileList.enabled()); });

  OnNotify(kFileList, [this](NMHDR& header) -> LRESULT {
    ListView& list = form_.FileList;
    switch (header.code) {
      case LVN_ITEMCHANGED: {
        if (syncing_rows_) return 0;
        const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        if (change.iItem < 0 || change.iItem >= list.count() || !(change.uChanged & LVIF_STATE)) {
          return 0;
        }
        const UINT old_check = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
        const UINT new_check = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
        if (old_check != 0 && new_check != 0 && old_check != new_check) {
          list.SetChecked(change.iItem, new_check == 2);
        }
        if ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) {
          if (change.uNewState & LVIS_SELECTED) {
            list.Select(change.iItem);
          } else if (ListView_GetNextItem(list_, -1, LVNI_SELECTED) < 0) {
            list.Select(-1);
          }
        }
        return 0;
      }
      case LVN_GETINFOTIPW: {
        // The whole path on the name; why the row did not convert and what its conversion
        // left wherever the mouse rests on it.
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
        if (tip.iItem < 0 || tip.iItem >= list.count()) return 0;
        const FileEntry& entry = list.row(tip.iItem);
        std::string text = entry.input_path;
        if (!entry.reason.empty()) text += "\n" + entry.reason;
        for (const std::string& line : OutputLines(entry)) text += "\n" + line;
        const std::wstring wide = MultiLine(text);
        // The list puts the cut caption first when the name does not fit; ours replaces it.
        lstrcpynW(tip.pszText, wide.c_str(), tip.cchTextMax);
        return 0;
      }
      case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == VK_DELETE && on_delete_key) {
          on_delete_key();
        }
        return 0;
      default:
        return 0;
    }
  });
}

void MainWindowView::SyncRows(int raw_change, int row) {
  const ListView& list = form_.FileList;
  const int shown = ListView_GetItemCount(list_);
  syncing_rows_ = true;
  // The ListView appends, removes and changes one row at a time; anything that does not match
  // the rows shown is shown anew.
  switch (static_cast<ListView::Change>(raw_change)) {
    case ListView::Change::kInserted:
      if (row == shown && list.count() == shown + 1) {
        InsertRow(row);
      } else {
        ShowAllRows();
      }
      break;
    case ListView::Change::kRemoved:
      if (row >= 0 && row < shown && list.count() == shown - 1) {
        ListView_DeleteItem(list_, row);
      } else {
        ShowAllRows();
      }
      break;
    case ListView::Change::kRowChanged:
      if (row >= 0 && row < shown && list.count() == shown) {
        CopyRow(row);
      } else {
        ShowAllRows();
      }
      break;
    case ListView::Change::kReset:
      ShowAllRows();
      ShowSelection();
      break;
    case ListView::Change::kSelection:
      ShowSelection();
      break;
    case ListView::Change::kScrolled:
      if (row >= 0 && row < shown) ListView_EnsureVisible(list_, row, FALSE);
      break;
  }
  syncing_rows_ = false;
}

void MainWindowView::InsertRow(int row) {
  const std::wstring caption = W(form_.FileList.row(row).input_path);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(caption.c_str());
  SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  CopyRow(row);
}

void MainWindowView::ShowAllRows() {
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  for (int i = 0; i < form_.FileList.count(); ++i) InsertRow(i);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
}

void MainWindowView::ShowSelection() {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  const int selected = form_.FileList.selected();
  if (selected >= 0) {
    ListView_SetItemState(list_, selected, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void MainWindowView::CopyRow(int row) {
  const FileEntry& entry = form_.FileList.row(row);
  for (int column = 0; column < 7; ++column) {
    const std::wstring text = W(column == 0 ? entry.input_path : entry.cells.at(column - 1));
    wchar_t shown[1024] = L"";
    ListView_GetItemText(list_, row, column, shown, static_cast<int>(std::size(shown)));
    if (text != shown) {
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = const_cast<wchar_t*>(text.c_str());
      SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  if ((ListView_GetCheckState(list_, static_cast<UINT>(row)) != FALSE) != entry.checked) {
    ListView_SetCheckState(list_, row, entry.checked);
  }
}

void MainWindowView::ShowPopup(LPARAM where) {
  if (!form_.FileList.popup_enabled) return;
  POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  if (where == -1) {
    // From the keyboard: under the selected row, or at the list's corner.
    RECT rect{};
    const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (row < 0 || !ListView_GetItemRect(list_, row, &rect, LVIR_LABEL)) rect = {0, 0, 0, 0};
    at = {rect.left, rect.bottom};
    ClientToScreen(list_, &at);
  }
  TrackPopupMenuEx(popup_, TPM_RIGHTBUTTON | TPM_LEFTALIGN, at.x, at.y, hwnd(), nullptr);
}

void MainWindowView::SetButtonPictures() {
  for (HIMAGELIST list : pictures_) ImageList_Destroy(list);
  pictures_.clear();
  // A picture `size` pixels square at the button's left, `gap` pixels before the caption.
  auto set = [this](int id, Picture picture, int size, int gap = 0) {
    HIMAGELIST list = MakeButtonPictures(picture, Scale(size));
    pictures_.push_back(list);
    BUTTON_IMAGELIST pictures{list, {Scale(2), 0, Scale(gap), 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
    SendMessageW(control(id), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&pictures));
  };
  auto fits = [this](int id) {
    SIZE ideal{};
    RECT inside;
    GetClientRect(control(id), &inside);
    return SendMessageW(control(id), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) &&
           ideal.cx <= inside.right;
  };
  for (const BigButton& b : kBigButtons) {
    // The caption keeps its distance from the picture; where the system font leaves too little
    // room for both, the picture is drawn smaller.
    set(b.id, b.picture, kBigPicture, kPictureGap);
    if (!fits(b.id)) set(b.id, b.picture, kSmallerBigPicture, kPictureGap);
  }
  set(kButtonBrowseForFolder, Picture::kFolder, 20);
  set(kButtonStopSmall, Picture::kStop, 16);
  const auto centre = [this](int id) {
    BUTTON_IMAGELIST pictures{};
    SendMessageW(control(id), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&pictures));
    pictures.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    pictures.margin = {};
    SendMessageW(control(id), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&pictures));
  };
  centre(kButtonBrowseForFolder);
}

void MainWindowView::Relaid() {
  SetButtonPictures();
  SizeColumns();
  CopyStatusBar();
}

void MainWindowView::SizeColumns() {
  // Each column at its designed width, or wider where its caption needs it in this font (a
  // header pads a caption by three edges on either side); the file name column gives the room.
  HWND header = ListView_GetHeader(list_);
  auto* font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
  const int padding = 6 * GetSystemMetrics(SM_CXEDGE);
  int widths[7];
  int taken = 0;
  for (int i = 1; i < 7; ++i) {
    const int designed = Scale(kFileColumns[i].width);
    widths[i] = std::max(designed, TextWidth(header, font, kFileColumns[i].caption) + padding);
    taken += widths[i] - designed;
  }
  widths[0] = Scale(kFileColumns[0].width) - taken;
  for (int i = 0; i < 7; ++i) ListView_SetColumnWidth(list_, i, widths[i]);
}

void MainWindowView::FollowTaskbar() {
  if (taskbar_ == nullptr || form_.batch_percent == taskbar_percent_) return;
  taskbar_percent_ = form_.batch_percent;
  if (taskbar_percent_ < 0) {
    taskbar_->SetProgressState(hwnd(), TBPF_NOPROGRESS);
  } else {
    taskbar_->SetProgressState(hwnd(), TBPF_NORMAL);
    taskbar_->SetProgressValue(hwnd(), static_cast<ULONGLONG>(taskbar_percent_), 100);
  }
}

LRESULT MainWindowView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == taskbar_created_ && taskbar_created_ != 0) {
    // The taskbar button exists now (again, after Explorer restarted).
    if (taskbar_ == nullptr &&
        SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&taskbar_)))) {
      if (FAILED(taskbar_->HrInit())) {
        taskbar_->Release();
        taskbar_ = nullptr;
      }
    }
    taskbar_percent_ = -2;
    FollowTaskbar();
    return 0;
  }
  switch (message) {
    case WM_SIZE:
      if (status_ != nullptr) SendMessageW(status_, WM_SIZE, 0, 0);
      break;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == list_) {
        ShowPopup(lparam);
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item.hwndItem != status_) break;
      const auto* text = reinterpret_cast<const wchar_t*>(item.itemData);
      RECT rect = item.rcItem;
      rect.left += Scale(4);
      HGDIOBJ old = SelectObject(item.hDC, Font(kBold));
      SetBkMode(item.hDC, TRANSPARENT);
      SetTextColor(item.hDC, RGB(0xb0, 0x00, 0x00));
      DrawTextW(item.hDC, text, -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(item.hDC, old);
      return TRUE;
    }
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wparam);
      std::vector<std::string> paths;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        if (!path.empty()) paths.push_back(Utf8(path));
      }
      DragFinish(drop);
      if (!paths.empty() && on_drop && (!drops_allowed || drops_allowed())) on_drop(paths);
      return 0;
    }
    default:
      break;
  }
  return FormWindow::Handle(message, wparam, lparam);
}

}  // namespace vidloom::win32
