#include "win32/shell_ports.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include "texts/language.h"
#include "win32/form_window.h"
#include "win32/icons.h"

namespace vidloom::win32 {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool Opened(HINSTANCE result) {
  // ShellExecute's answer: above 32 when the document or link was handed to a program.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool ShellOpen(const std::string& target) {
  return Opened(
      ShellExecuteW(nullptr, L"open", W(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

int CALLBACK PreselectFolder(HWND chooser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

constexpr UINT kNotificationId = 1;
constexpr UINT_PTR kNotificationTimer = 0x4E0;
constexpr UINT kNotificationMs = 15'000;

}  // namespace

std::wstring WindowsFilterOf(const std::string& filter) {
  std::wstring out;
  std::size_t start = 0;
  bool description = true;
  while (start < filter.size()) {
    std::size_t end = filter.find('|', start);
    if (end == std::string::npos) end = filter.size();
    std::string part = filter.substr(start, end - start);
    if (!description) {
      std::string patterns;
      std::size_t p = 0;
      while (p <= part.size()) {
        std::size_t q = part.find(';', p);
        if (q == std::string::npos) q = part.size();
        const std::string pattern = Trimmed(part.substr(p, q - p));
        if (!pattern.empty()) patterns += (patterns.empty() ? "" : ";") + pattern;
        p = q + 1;
      }
      part = patterns;
    } else {
      part = texts::Tr(part);
    }
    out += W(part);
    out += L'\0';
    description = !description;
    start = end + 1;
  }
  if (!description) out += L'\0';  // a description without patterns
  out += L'\0';
  return out;
}

std::optional<std::vector<std::string>> Win32FileDialog::ChooseFiles(const std::string& filter) {
  const std::wstring filters = WindowsFilterOf(filter);
  std::wstring names(64 * 1024, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = names.data();
  dialog.nMaxFile = static_cast<DWORD>(names.size());
  dialog.Flags =
      OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  // One file: its full path. Several: the folder, then each name, each ending in a NUL.
  std::vector<std::wstring> parts;
  for (const wchar_t* p = names.c_str(); *p != L'\0'; p += wcslen(p) + 1) parts.emplace_back(p);
  std::vector<std::string> paths;
  if (parts.size() == 1) {
    paths.push_back(Utf8(parts[0]));
  } else if (parts.size() > 1) {
    std::wstring folder = parts[0];
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(Utf8(folder + parts[i]));
  }
  return paths;
}

std::optional<std::string> Win32FolderChooser::ChooseFolder(const std::string& headline,
                                                            const std::string& preselected) {
  const std::wstring title = W(headline);
  const std::wstring start = W(preselected);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner_;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
  browse.lpfn = PreselectFolder;
  browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!named) return std::nullopt;
  return Utf8(path);
}

bool Win32Desktop::OpenHelpFile(const std::string& path) {
  return ShellOpen(path);
}

bool Win32Desktop::OpenUrl(const std::string& url) {
  return ShellOpen(url);
}

bool Win32Desktop::OpenFolder(const std::string& path) {
  return ShellOpen(path);
}

bool Win32Desktop::ShowFile(const std::string& path) {
  PIDLIST_ABSOLUTE item = ILCreateFromPathW(W(path).c_str());
  if (item == nullptr) return false;
  const bool shown = SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
  ILFree(item);
  return shown;
}

Win32Notifier::~Win32Notifier() {
  if (!shown_) return;
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window_;
  icon.uID = kNotificationId;
  Shell_NotifyIconW(NIM_DELETE, &icon);
}

void Win32Notifier::Notify(const std::string& summary, const std::string& body) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window_;
  icon.uID = kNotificationId;
  icon.uFlags = NIF_ICON | NIF_TIP | NIF_INFO;
  icon.hIcon = ProgramIcon(GetSystemMetrics(SM_CXSMICON));
  lstrcpynW(icon.szTip, L"Vidloom", ARRAYSIZE(icon.szTip));
  lstrcpynW(icon.szInfoTitle, W(summary).c_str(), ARRAYSIZE(icon.szInfoTitle));
  lstrcpynW(icon.szInfo, MultiLine(body).c_str(), ARRAYSIZE(icon.szInfo));
  icon.dwInfoFlags = NIIF_INFO;
  // A notification still shown is replaced.
  Shell_NotifyIconW(NIM_DELETE, &icon);
  shown_ = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
  // The icon goes again once the message has been read.
  SetTimer(window_, kNotificationTimer, kNotificationMs,
           [](HWND window, UINT, UINT_PTR timer, DWORD) {
             KillTimer(window, timer);
             NOTIFYICONDATAW gone{};
             gone.cbSize = sizeof gone;
             gone.hWnd = window;
             gone.uID = kNotificationId;
             Shell_NotifyIconW(NIM_DELETE, &gone);
           });
}

}  // namespace vidloom::win32
