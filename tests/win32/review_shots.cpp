// Puts the window program's windows in the states the README shows, one after another, over the
// real window logic (the power-off is a stand-in that does nothing): the main window with rows,
// the options dialog, the countdown and a message box. At each state it writes
// OUT_DIR\<name>.ready with the screen rectangle to capture ("left top width height") and waits
// until OUT_DIR\<name>.taken exists; scripts/windows-screenshots takes the pictures.
// Usage: review_shots OUT_DIR FILE...
#include <windows.h>
// After windows.h.
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "texts/language.h"
#include "unicode/utf16.h"
#include "win32/program_windows.h"
#include "win32/shell_ports.h"
#include "window_logic/links.h"
#include "window_logic/main_window.h"
#include "window_logic/work_controls.h"

namespace vidloom::win32 {
namespace {

class NoPowerOff : public PowerOff {
 public:
  bool PowerOffComputer() override { return false; }
};

std::string out_dir;

// Announces the state `name` with the rectangle of `window` and pumps until it was captured.
void Shot(Win32UiThread& ui, const std::string& name, HWND window) {
  ui.PumpUntil(ui.clock().NowMs() + 700);  // painted, tooltips and animations settled
  RECT rect;
  GetWindowRect(window, &rect);
  {
    std::ofstream ready(platform::FsPath(out_dir + "\\" + name + ".ready.part"));
    ready << rect.left << ' ' << rect.top << ' ' << rect.right - rect.left << ' '
          << rect.bottom - rect.top << '\n';
  }
  MoveFileExW(unicode::Widen(out_dir + "\\" + name + ".ready.part").c_str(),
              unicode::Widen(out_dir + "\\" + name + ".ready").c_str(), MOVEFILE_REPLACE_EXISTING);
  const std::int64_t give_up = ui.clock().NowMs() + 30'000;
  while (!platform::FileExists(out_dir + "\\" + name + ".taken") && ui.clock().NowMs() < give_up) {
    ui.PumpUntil(ui.clock().NowMs() + 50);
  }
}

int Run(const std::vector<std::string>& args) {
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: review_shots OUT_DIR FILE...\n");
    return 2;
  }
  out_dir = args[0];
  // The system's language, as the program's windows take it when none is chosen.
  texts::UseLanguage(texts::ChooseLanguage(std::nullopt, texts::SystemLanguages()));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  Win32UiThread ui;
  Win32Dialogs dialogs;
  Win32Desktop desktop;
  NoPowerOff power_off;
  MainWindowOptions options;
  options.program_directory = platform::ProgramDirectory();
  options.required_files = platform::kRequiredFiles;
  options.load_settings = false;
  MainWindowPorts ports;
  ports.power_off = &power_off;
  ports.desktop = &desktop;
  ports.quit = [] { PostQuitMessage(0); };
  MainWindow window(ui, dialogs, options, ports);
  ProgramWindows windows(window, ui, &dialogs);
  window.Startup();
  HWND main = windows.main().hwnd();
  // The pointer out of the pictures.
  SetCursorPos(0, 0);
  ShowWindow(main, SW_SHOWNORMAL);
  SetForegroundWindow(main);

  window.AddGivenFiles({args.begin() + 1, args.end()});
  window.main_form.FileList.Select(0);
  Shot(ui, "main", main);

  window.SetOptionsEntryClick();
  Shot(ui, "options", windows.options().hwnd());
  windows.options().HideWindow();

  // Two ticks of the countdown, then "Do Not Turn Off".
  ArmShutdownCountdown(window.main_form, window.warning_form, window.shutdown);
  ui.PumpUntil(ui.clock().NowMs() + 2'300);
  Shot(ui, "countdown", main);
  window.DoNotTurnOffClick();

  // A message box of the program over the main window; OK once it was captured.
  static Win32UiThread* loop = &ui;
  static HWND owner = main;
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", unicode::Widen(texts::Tr(kInformationCaption)).c_str());
    if (box == nullptr || !IsWindowVisible(box)) return;
    KillTimer(nullptr, timer);
    Shot(*loop, "message", owner);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  dialogs.ShowMessage(window.main_form, texts::Tr(kInformationCaption),
                      texts::Tr(kNoOutputFolderText) + window.main_form.OutputFolder.text());
  return 0;
}

}  // namespace
}  // namespace vidloom::win32

int wmain(int, wchar_t**) {
  return vidloom::win32::Run(vidloom::unicode::CommandLineArguments());
}
