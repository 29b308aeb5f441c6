#include "win32/app.h"

#include <objbase.h>

#include <chrono>
#include <cstdio>

#include "desktop/windows_power_off.h"
#include "desktop/windows_sleep_lock.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "settings/settings.h"
#include "texts/language.h"
#include "unicode/utf16.h"
#include "win32/program_windows.h"
#include "win32/shell_ports.h"
#include "window_logic/main_window.h"

namespace vidloom::win32 {

int RunDesktop() {
  settings::UseProgramLanguage(settings::DefaultSettingsPath());
  const DesktopArguments arguments = ParseDesktopArguments(unicode::CommandLineArguments());
  switch (arguments.ask) {
    case DesktopArguments::Ask::kHelp:
      MessageBoxW(nullptr, MultiLine(ProgramUsageText()).c_str(), L"Vidloom", MB_OK);
      return 0;
    case DesktopArguments::Ask::kVersion:
      MessageBoxW(nullptr, MultiLine(VersionText()).c_str(), L"Vidloom", MB_OK);
      return 0;
    case DesktopArguments::Ask::kWrong:
      MessageBoxW(nullptr,
                  MultiLine(texts::Fill(texts::Tr("unknown option %s"), {arguments.wrong}) +
                            "\n\n" + ProgramUsageText())
                      .c_str(),
                  L"Vidloom", MB_OK | MB_ICONERROR);
      return 2;
    case DesktopArguments::Ask::kWindow:
      break;
  }

  // The shell's dialogs and the taskbar are COM objects of this (the UI) thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                                     ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  int code = 0;
  {
    Win32UiThread ui;
    Win32Dialogs dialogs;
    Win32Desktop desktop;
    Win32FileDialog file_dialog(nullptr);
    Win32FolderChooser folder_chooser(nullptr);
    vidloom::desktop::WindowsPowerOff power_off;
    vidloom::desktop::WindowsSleepInhibitor sleep_inhibitor;

    MainWindowOptions options;
    options.program_directory = platform::ProgramDirectory();
    options.required_files = platform::kRequiredFiles;
    options.keep_list = true;
    MainWindowPorts ports;
    ports.power_off = &power_off;
    ports.sleep_inhibitor = &sleep_inhibitor;
    ports.desktop = &desktop;
    ports.file_dialog = &file_dialog;
    ports.folder_chooser = &folder_chooser;
    ports.quit = [] { PostQuitMessage(0); };
    MainWindow window(ui, dialogs, options, ports);

    // Declared after `window`: the views go before the forms they draw.
    ProgramWindows windows(window, ui, &dialogs);
    Win32Notifier notifier(windows.main().hwnd());
    file_dialog = Win32FileDialog(windows.main().hwnd());
    folder_chooser = Win32FolderChooser(windows.main().hwnd());
    window.SetWindowActive([&windows] { return windows.MainActive(); });
    window.SetNotifier(&notifier);

    window.Startup();
    ShowWindow(windows.main().hwnd(), SW_SHOWNORMAL);
    UpdateWindow(windows.main().hwnd());
    // Once the loop runs and the window shows: the list a crash left, offered back, then the
    // files named on the command line.
    ui.Post([&window, files = arguments.files] { window.BeginSession(files); });
    code = ui.Run();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}

}  // namespace vidloom::win32
