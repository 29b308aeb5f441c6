// What vidloom-cli needs of its console: whether standard output is a terminal, UTF-8 text on
// it, and the requests to stop (Ctrl-C). POSIX in console_posix.cpp, Windows in
// console_win.cpp.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "model/headless_ui_thread.h"

namespace vidloom::cli {

// Set once a request to stop has come.
extern std::atomic<bool> g_interrupted;

// Called first, before any thread starts. POSIX: with `watch_interrupts`, the stop signals are
// blocked so that only the watcher receives them. Windows: the console shows UTF-8 and the
// standard streams write their bytes as they are (no line-end translation).
void PrepareConsole(bool watch_interrupts);

bool StdoutIsTerminal();

// While it lives, a request to stop (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl-C, Ctrl-Break
// and the console's close) sets g_interrupted, hands `on_interrupt` to the UI thread and wakes
// its loop. One at a time.
class InterruptWatcher {
 public:
  InterruptWatcher(HeadlessUiThread& ui, std::function<void()> on_interrupt);
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vidloom::cli
