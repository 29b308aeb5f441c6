#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <mutex>

#include "cli/console.h"

namespace vidloom::cli {
namespace {

// The watcher the console's handler reaches; the handler runs on a thread of the system's.
std::mutex g_watcher_mutex;
HeadlessUiThread* g_ui = nullptr;
std::function<void()>* g_on_interrupt = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT: {
      {
        std::lock_guard lock(g_watcher_mutex);
        if (g_ui == nullptr) return FALSE;
        g_interrupted = true;
        g_ui->Post(*g_on_interrupt);
        g_ui->Wake();
      }
      // A closed console ends the process when this returns: the encoders get the seconds the
      // system allows to finish their files.
      if (event == CTRL_CLOSE_EVENT) Sleep(4000);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::atomic<bool> g_interrupted{false};

void PrepareConsole(bool) {
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool StdoutIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

struct InterruptWatcher::State {
  std::function<void()> on_interrupt;
};

InterruptWatcher::InterruptWatcher(HeadlessUiThread& ui, std::function<void()> on_interrupt)
    : state_(std::make_unique<State>(State{std::move(on_interrupt)})) {
  {
    std::lock_guard lock(g_watcher_mutex);
    g_ui = &ui;
    g_on_interrupt = &state_->on_interrupt;
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  std::lock_guard lock(g_watcher_mutex);
  g_ui = nullptr;
  g_on_interrupt = nullptr;
}

}  // namespace vidloom::cli
