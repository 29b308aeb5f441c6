// Drives the running window program from outside, as a user's mouse would: presses its buttons
// and menu entries, closes it, waits for its status bar, and measures how long it takes to show.
// Only windows of the class "MainForm" are touched, and only a program this tool started is ever
// ended. Usage: window_driver COMMAND [ARGUMENTS...]
//
//   wait-window MS             a main window is shown within MS milliseconds
//   click CAPTION              presses the main window's button CAPTION
//   menu ENTRY                 chooses the main window's menu entry ENTRY (its caption)
//   close                      the main window's close box
//   wait-status TEXT MS        the status bar's first panel holds TEXT within MS milliseconds
//   wait-gone MS               no main window is left within MS milliseconds
//   answer CAPTION MS          a message box CAPTION shows within MS milliseconds: its text is
//                              printed (one line per line) and its first button pressed
//   press CAPTION BUTTON MS    a dialog CAPTION (an installer's) with a button BUTTON (its text
//                              without "&") shows within MS milliseconds: the button is pressed
//   checked CAPTION BOX MS     prints 1 when the dialog CAPTION's check box BOX is ticked, else 0
//   places COUNT MS            COUNT main windows show within MS milliseconds: prints where
//                              each one's top left corner is ("x y"), a line each
//   windows                    prints each shown top-level window (class, caption) and its
//                              buttons: what a failed test saw
//   start-time PROGRAM [ARGS]  starts PROGRAM, prints the milliseconds until its main window
//                              shows, then ends it through File > Exit
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "unicode/utf16.h"
#include "win32/main_window_view.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every shown main window.
std::vector<HWND> MainWindows() {
  std::vector<HWND> found;
  EnumWindows(
      [](HWND window, LPARAM raw) -> BOOL {
        wchar_t kind[32] = L"";
        GetClassNameW(window, kind, 32);
        if (lstrcmpW(kind, L"MainForm") == 0 && IsWindowVisible(window)) {
          reinterpret_cast<std::vector<HWND>*>(raw)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND MainWindow(DWORD process = 0) {
  struct Search {
    DWORD process;
    HWND found;
  } search{process, nullptr};
  EnumWindows(
      [](HWND window, LPARAM raw) -> BOOL {
        auto* s = reinterpret_cast<Search*>(raw);
        wchar_t kind[32] = L"";
        GetClassNameW(window, kind, 32);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (lstrcmpW(kind, L"MainForm") == 0 && IsWindowVisible(window) &&
            (s->process == 0 || owner == s->process)) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring Text(HWND window) {
  wchar_t text[1024] = L"";
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

bool WaitFor(int ms, const std::function<bool()>& done) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The first control of class `kind` whose text, "&" taken out, is `text`, anywhere below `top`.
HWND FindControl(HWND top, const wchar_t* kind, const std::wstring& text) {
  struct Search {
    const wchar_t* kind;
    std::wstring text;
    HWND found;
  } search{kind, text, nullptr};
  EnumChildWindows(
      top,
      [](HWND child, LPARAM raw) -> BOOL {
        auto* s = reinterpret_cast<Search*>(raw);
        wchar_t child_kind[32] = L"";
        GetClassNameW(child, child_kind, 32);
        if (lstrcmpiW(child_kind, s->kind) != 0 || !IsWindowVisible(child)) return TRUE;
        std::wstring shown = Text(child);
        std::erase(shown, L'&');
        if (shown != s->text) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A shown dialog window titled `caption` (blanks at its end aside: an installer's caption may
// have one) that holds a control `kind` named `text`.
HWND DialogWith(const std::wstring& caption, const wchar_t* kind, const std::wstring& text) {
  for (HWND dialog = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); dialog;
       dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) {
    std::wstring title = Text(dialog);
    while (!title.empty() && title.back() == L' ') title.pop_back();
    if (!IsWindowVisible(dialog) || title != caption) continue;
    if (HWND control = FindControl(dialog, kind, text)) return control;
  }
  return nullptr;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "window_driver: %s\n", why.c_str());
  return 1;
}

// The menu entries by caption. Wine cannot read another process's menus (Windows can), so the
// entries are found by the identifiers the window gives them.
bool ChooseMenu(HWND main, const std::string& entry) {
  using namespace vidloom::win32;
  const struct {
    const char* caption;
    int id;
  } entries[] = {
      {"Add Files", kMenuAddFiles}, {"Convert", kMenuConvert},
      {"Exit", kMenuExit},          {"Set Additional Options", kMenuSetOptions},
      {"About", kMenuAbout},        {"Check All Items", kMenuCheckAll},
  };
  for (const auto& e : entries) {
    if (entry == e.caption) {
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(e.id, 0), 0);
      return true;
    }
  }
  return false;
}

}  // namespace

int wmain(int, wchar_t**) {
  const std::vector<std::string> args = vidloom::unicode::CommandLineArguments();
  if (args.empty()) return Fail("no command");
  const std::string& command = args[0];
  auto arg = [&args](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
  auto wide = [](const std::string& s) { return vidloom::unicode::Widen(s); };

  if (command == "wait-window") {
    return WaitFor(std::stoi(arg(1)), [] { return MainWindow() != nullptr; })
               ? 0
               : Fail("no main window");
  }
  if (command == "places") {
    const std::size_t count = std::stoul(arg(1));
    if (!WaitFor(std::stoi(arg(2)), [count] { return MainWindows().size() >= count; })) {
      return Fail("fewer main windows than asked for");
    }
    for (HWND window : MainWindows()) {
      RECT at;
      GetWindowRect(window, &at);
      std::printf("%ld %ld\n", at.left, at.top);
    }
    return 0;
  }
  if (command == "wait-gone") {
    return WaitFor(std::stoi(arg(1)), [] { return MainWindow() == nullptr; })
               ? 0
               : Fail("the main window is still there");
  }
  if (command == "answer") {
    const std::wstring caption = wide(arg(1));
    HWND box = nullptr;
    if (!WaitFor(std::stoi(arg(2)), [&] {
          box = FindWindowW(L"#32770", caption.c_str());
          return box != nullptr && IsWindowVisible(box);
        })) {
      return Fail("no message box " + arg(1));
    }
    HWND button = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t kind[32] = L"";
      GetClassNameW(child, kind, 32);
      const std::wstring text = Text(child);
      if (lstrcmpiW(kind, L"Static") == 0 && !text.empty()) {
        std::printf("%s\n", vidloom::unicode::Narrow(text).c_str());
      }
      if (lstrcmpiW(kind, L"Button") == 0 && button == nullptr) button = child;
    }
    if (button == nullptr) return Fail("the box has no button");
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == "windows") {
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
          if (!IsWindowVisible(window)) return TRUE;
          wchar_t kind[64] = L"";
          GetClassNameW(window, kind, 64);
          std::printf("%s \"%s\":", vidloom::unicode::Narrow(kind).c_str(),
                      vidloom::unicode::Narrow(Text(window)).c_str());
          EnumChildWindows(
              window,
              [](HWND child, LPARAM) -> BOOL {
                wchar_t child_kind[32] = L"";
                GetClassNameW(child, child_kind, 32);
                if (lstrcmpiW(child_kind, L"Button") == 0 && IsWindowVisible(child)) {
                  std::printf(" [%s]", vidloom::unicode::Narrow(Text(child)).c_str());
                }
                return TRUE;
              },
              0);
          std::printf("\n");
          return TRUE;
        },
        0);
    return 0;
  }
  if (command == "press" || command == "checked") {
    const wchar_t* kind = L"Button";
    HWND control = nullptr;
    if (!WaitFor(std::stoi(arg(3)), [&] {
          control = DialogWith(wide(arg(1)), kind, wide(arg(2)));
          return control != nullptr && IsWindowEnabled(control);
        })) {
      return Fail("no \"" + arg(2) + "\" in a window " + arg(1));
    }
    if (command == "checked") {
      std::printf("%d\n", SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    } else {
      PostMessageW(control, BM_CLICK, 0, 0);
    }
    return 0;
  }
  HWND main = MainWindow();
  if (command == "start-time") {
    std::wstring line;
    for (std::size_t i = 1; i < args.size(); ++i) line += L"\"" + wide(args[i]) + L"\" ";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return Fail("cannot start " + arg(1));
    }
    HWND shown = nullptr;
    const bool up = WaitFor(60'000, [&] {
      shown = MainWindow(info.dwProcessId);
      return shown != nullptr;
    });
    const auto elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (up) {
      std::printf("%.0f\n", elapsed);
      ChooseMenu(shown, "Exit");
    }
    // Our own child: ended if it does not leave by itself.
    if (WaitForSingleObject(info.hProcess, 20'000) != WAIT_OBJECT_0) {
      TerminateProcess(info.hProcess, 1);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return up ? 0 : Fail("the window did not show");
  }
  if (main == nullptr) return Fail("no main window");
  if (command == "click") {
    const std::wstring caption = wide(arg(1));
    HWND button = nullptr;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (Text(child) == caption) button = child;
    }
    if (button == nullptr) return Fail("no button " + arg(1));
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == "menu") {
    return ChooseMenu(main, arg(1)) ? 0 : Fail("no menu entry " + arg(1));
  }
  if (command == "close") {
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  if (command == "wait-status") {
    HWND status = FindWindowExW(main, nullptr, L"msctls_statusbar32", nullptr);
    const std::wstring wanted = wide(arg(1));
    std::wstring last;
    const bool seen = WaitFor(std::stoi(arg(2)), [&] {
      last = Text(status);
      return last.find(wanted) != std::wstring::npos;
    });
    return seen ? 0 : Fail("the status bar says \"" + vidloom::unicode::Narrow(last) + "\"");
  }
  return Fail("unknown command " + command);
}
