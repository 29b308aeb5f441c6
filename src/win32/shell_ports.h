// The desktop services of the Windows program: the file and folder choosers, help, links and
// folders through the shell, and the notification when a batch ends.
#pragma once

#include <windows.h>

#include <string>

#include "window_logic/add_files.h"
#include "window_logic/headless_desktop.h"
#include "window_logic/ports.h"

namespace vidloom::win32 {

// "Description|patterns|..." (patterns separated by ';', blanks allowed) as the common file
// dialog's filter: each description and its patterns ending in a NUL, blanks around the patterns
// taken out, the whole ending in two NULs.
std::wstring WindowsFilterOf(const std::string& filter);

// The open dialog: several files at once, read-only box hidden, resizable; typed names need not
// exist.
class Win32FileDialog : public FileDialog {
 public:
  explicit Win32FileDialog(HWND owner) : owner_(owner) {}
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& filter) override;

 private:
  HWND owner_;
};

// The shell's folder chooser (new dialog style, file-system folders only) with the headline.
class Win32FolderChooser : public FolderChooser {
 public:
  explicit Win32FolderChooser(HWND owner) : owner_(owner) {}
  std::optional<std::string> ChooseFolder(const std::string& headline,
                                          const std::string& preselected) override;

 private:
  HWND owner_;
};

// The help file, links and folders through ShellExecuteW (the user's browser, mail program and
// Explorer); the start-up script as the headless desktop runs it.
class Win32Desktop : public HeadlessDesktop {
 public:
  bool OpenHelpFile(const std::string& path) override;
  bool OpenUrl(const std::string& url) override;
  bool OpenFolder(const std::string& path) override;
  // Explorer with the file selected (SHOpenFolderAndSelectItems).
  bool ShowFile(const std::string& path) override;
};

// A notification from the program's icon in the notification area, which goes again after a
// while or when the program ends.
class Win32Notifier : public Notifier {
 public:
  explicit Win32Notifier(HWND window) : window_(window) {}
  ~Win32Notifier() override;
  void Notify(const std::string& summary, const std::string& body) override;

 private:
  HWND window_;
  bool shown_ = false;
};

}  // namespace vidloom::win32
