#include "win32/main_window_view.h"

#include <shellapi.h>
#include <shobjidl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "model/main_window_layout.h"
#include "rows/file_entry.h"
#include "texts/language.h"
#include "win32/bind.h"
#include "win32/icons.h"

namespace vidloom::win32 {

namespace {

// Drop-down lists are given room for their open list; the closed box takes its font's height.
constexpr int kDropDownHeight = 300;
// A big button's picture, smaller where the caption needs the room, and its distance from the
// caption.
constexpr int kSmallerBigPicture = 24;
constexpr int kPictureGap = 6;

// The notice at the status bar's far end.
constexpr FontSpec kBold{11, true};

FontSpec Spec(TextFont font) {
  return {font.pixels, font.bold};
}

// A key written as a menu shows it ("Ctrl+O", "Ctrl+Enter", "F1") for the window's table.
ACCEL Accelerator(std::string_view key, int id) {
  ACCEL accel{FVIRTKEY, 0, static_cast<WORD>(id)};
  if (key.starts_with("Ctrl+")) {
    accel.fVirt |= FCONTROL;
    key.remove_prefix(5);
  }
  if (key == "Enter") {
    accel.key = VK_RETURN;
  } else if (key.size() > 1 && key[0] == 'F') {
    accel.key = static_cast<WORD>(VK_F1 + std::atoi(std::string(key.substr(1)).c_str()) - 1);
  } else if (!key.empty()) {
    accel.key = static_cast<WORD>(key[0]);
  }
  return accel;
}

RECT Designed(const Box& box) {
  return {box.x, box.y, box.width, box.height};
}

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
    : FormWindow(L"MainForm", form.caption, kMainClientWidth, kMainClientHeight,
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
  // The entries are numbered in the order the menus list them, from kMenuAddFiles on.
  int id = kMenuAddFiles;
  std::vector<ACCEL> keys;
  const auto build = [&](const MenuLayout& layout) {
    HMENU menu = CreatePopupMenu();
    for (const MenuEntryLayout& entry : layout.entries) {
      if (entry.entry == nullptr) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      BindMenuEntry(*this, form_.*entry.entry, menu, id, entry.key ? entry.key : "");
      // The list's own keys reach it as key presses; the others are the window's.
      if (entry.key != nullptr && !entry.key_of_the_list)
        keys.push_back(Accelerator(entry.key, id));
      ++id;
    }
    return menu;
  };
  HMENU bar = CreateMenu();
  for (const MenuLayout& menu : kMainMenus) {
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(build(menu)),
                W(texts::Tr(menu.caption)).c_str());
  }
  SetMenu(hwnd(), bar);
  popup_ = build(kFileListMenu);
  accelerators_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

void MainWindowView::BuildControls() {
  // Created in tab order. The controls that report are numbered in the order the layout lists
  // them, from kAddFileButton on; captions and groups report nothing.
  int id = kAddFileButton;
  std::map<std::string, HWND> made;
  for (const ControlLayout& layout : kMainWindowControls) {
    Control* model = layout.control != nullptr ? &layout.control(form_) : nullptr;
    const RECT designed = Designed(ClientBox(layout));
    const FontSpec font = Spec(layout.font);
    HWND widget = nullptr;
    switch (layout.kind) {
      case ControlKind::kBigButton:
      case ControlKind::kButton: {
        auto& button = static_cast<Button&>(*model);
        widget = AddControl(WC_BUTTONW, button.caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                            designed, id, font);
        BindButton(*this, button, widget);
        break;
      }
      case ControlKind::kFileList:
        list_ = widget =
            AddControl(WC_LISTVIEWW, "",
                       WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                       designed, id, font, WS_EX_CLIENTEDGE);
        BindList();
        SizeColumns();
        break;
      case ControlKind::kCaption:
        widget = AddControl(WC_STATICW, texts::Tr(layout.text), WS_VISIBLE, designed, kStaticLabel,
                            font);
        FitToText(widget);
        break;
      case ControlKind::kLabel:
        if (model == &form_.OutputFolderLabel) {
          // Resting on it shows the whole output directory.
          widget = AddControl(WC_STATICW, "", WS_VISIBLE | SS_NOTIFY, designed, id, font);
          AddTip(
              widget, [this] { return form_.OutputFolderLabel.hint(); },
              [this] {
                if (on_output_folder_label_enter) on_output_folder_label_enter();
              });
        } else {
          widget = AddControl(WC_STATICW, "", WS_VISIBLE, designed, id, font);
        }
        BindLabel(*this, static_cast<Label&>(*model), widget, true);
        break;
      case ControlKind::kSelector:
        widget =
            AddControl(WC_COMBOBOXW, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                       {designed.left, designed.top, designed.right, kDropDownHeight}, id, font);
        BindSelector(*this, static_cast<Selector&>(*model), widget);
        break;
      case ControlKind::kEdit:
        widget = AddControl(WC_EDITW, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, designed, id,
                            font, WS_EX_CLIENTEDGE);
        BindEdit(*this, static_cast<Edit&>(*model), widget);
        break;
      case ControlKind::kGroup:
        // The group's controls are children of the window (a group box passes no reports on),
        // placed inside its frame.
        widget = AddControl(WC_BUTTONW, texts::Tr(layout.text), WS_VISIBLE | BS_GROUPBOX, designed,
                            kStaticLabel);
        break;
      case ControlKind::kTrackBar:
        widget = AddControl(TRACKBAR_CLASSW, "", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS,
                            designed, id, font);
        BindTrackBar(*this, static_cast<TrackBar&>(*model), widget);
        break;
      case ControlKind::kProgressBar:
        widget = AddControl(PROGRESS_CLASSW, "", WS_VISIBLE, designed, id, font);
        BindProgressBar(*this, static_cast<ProgressBar&>(*model), widget);
        break;
    }
    if (model != nullptr) ++id;
    made[layout.name] = widget;
  }
  // A list or an edit stays clear of the text of its label; the lists of a group stay in one
  // column, clear of the widest of their labels.
  for (const ControlLayout& layout : kMainWindowControls) {
    if (layout.label == nullptr ||
        (layout.kind != ControlKind::kSelector && layout.kind != ControlKind::kEdit)) {
      continue;
    }
    if (layout.group == nullptr) {
      KeepClearOf(made[layout.label], made[layout.name]);
      continue;
    }
    for (const ControlLayout& other : kMainWindowControls) {
      if (other.kind == ControlKind::kSelector && other.label != nullptr &&
          other.group != nullptr && std::strcmp(other.group, layout.group) == 0) {
        KeepClearOf(made[other.label], made[layout.name]);
      }
    }
  }
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
  const auto panel_texts = StatusPanelTexts();
  for (int i = 0; i < StatusBar::kPanels; ++i) {
    // The thumbnail step's panel takes room only while it says something: otherwise the
    // message (a row's reason, a skipped file) has it.
    const bool last = i == StatusBar::kPanels - 1;
    if (last && form_.Status.panel(i).empty()) {
      edges[i] = used;
      continue;
    }
    int width = 0;
    for (const std::string& text : panel_texts[static_cast<std::size_t>(i)]) {
      width = std::max(width, TextWidth(status_, Font({}), text.c_str()));
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
  for (int i = 0; i < static_cast<int>(kFileColumns.size()); ++i) {
    const std::wstring caption = W(texts::Tr(kFileColumns[static_cast<std::size_t>(i)].caption));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_CENTER;
    // SizeColumns fits them to their captions.
    column.cx = Scale(kFileColumns[static_cast<std::size_t>(i)].width);
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
    const std::wstring text =
        W(column == 0 ? entry.input_path : texts::Shown(entry.cells.at(column - 1)));
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
  const auto centre = [this](int id) {
    BUTTON_IMAGELIST pictures{};
    SendMessageW(control(id), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&pictures));
    pictures.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    pictures.margin = {};
    SendMessageW(control(id), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&pictures));
  };
  int id = kAddFileButton;
  for (const ControlLayout& layout : kMainWindowControls) {
    if (layout.control == nullptr) continue;
    const int button = id++;
    if (layout.picture == Picture::kNone) continue;
    if (layout.kind == ControlKind::kBigButton) {
      // The caption keeps its distance from the picture; where the system font leaves too
      // little room for both, the picture is drawn smaller.
      set(button, layout.picture, layout.picture_size, kPictureGap);
      if (!fits(button)) set(button, layout.picture, kSmallerBigPicture, kPictureGap);
    } else {
      set(button, layout.picture, layout.picture_size);
      // A picture alone stands in the middle.
      if (static_cast<Button&>(layout.control(form_)).caption.empty()) centre(button);
    }
  }
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
  std::array<int, kFileColumns.size()> widths{};
  int taken = 0;
  for (std::size_t i = 1; i < widths.size(); ++i) {
    const int designed = Scale(kFileColumns[i].width);
    widths[i] =
        std::max(designed, TextWidth(header, font, texts::Tr(kFileColumns[i].caption)) + padding);
    taken += widths[i] - designed;
  }
  widths[0] = Scale(kFileColumns[0].width) - taken;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    ListView_SetColumnWidth(list_, static_cast<int>(i), widths[i]);
  }
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
