// The UiThread port on the Win32 message loop. Construct it on the thread that owns the windows;
// that thread is the UI thread. Tasks and timers arrive as messages of a message-only window, so
// they run from whatever loop dispatches that thread's messages: the program's own, a message
// box's or a menu's.
//
// Deadlock rule (as for every UiThread): the UI thread never waits on a worker that may be inside
// Call(); it only pumps (Pump, PumpUntil).
#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>

#include "model/ui_thread.h"

namespace vidloom::win32 {

class Win32UiThread : public UiThread {
 public:
  // `clock` is what clock() returns (for pauses); the window timers always run on real time.
  explicit Win32UiThread(platform::Clock& clock = platform::SystemClock());
  ~Win32UiThread() override;
  Win32UiThread(const Win32UiThread&) = delete;
  Win32UiThread& operator=(const Win32UiThread&) = delete;

  void Post(Task task) override;
  bool OnUiThread() const override;
  // Dispatches the thread's pending messages (tasks, timers, input) once.
  void Pump() override;
  // Dispatches messages as they come until clock() reaches deadline_ms.
  void PumpUntil(std::int64_t deadline_ms) override;
  platform::Clock& clock() override { return clock_; }
  // One window timer per model Timer, following its enabled state and interval.
  void AttachTimer(Timer& timer) override;
  void DetachTimer(Timer& timer) override;

  // Set by the program: a message that the loop must hand to a dialog first (IsDialogMessage,
  // accelerators). Returns true when it was taken.
  using Filter = bool (*)(MSG& msg, void* context);
  void SetMessageFilter(Filter filter, void* context) {
    filter_ = filter;
    filter_context_ = context;
  }
  // Translates and dispatches one message, through the filter.
  void Dispatch(MSG& msg);

  // Runs the program's loop until WM_QUIT; returns its exit code.
  int Run();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Follow(Timer& timer);
  // Dispatches what is queued now; false when WM_QUIT was seen (it is posted again for the
  // outer loop).
  bool DispatchPending();

  platform::Clock& clock_;
  DWORD thread_id_;
  HWND window_ = nullptr;
  PostedTasks tasks_;
  struct TimerSlot {
    UINT_PTR id;
    int interval_ms;
    bool running;
  };
  std::unordered_map<Timer*, TimerSlot> timers_;
  std::unordered_map<UINT_PTR, Timer*> by_id_;
  UINT_PTR next_id_ = 1;
  Filter filter_ = nullptr;
  void* filter_context_ = nullptr;
  std::shared_ptr<Win32UiThread*> self_;
};

}  // namespace vidloom::win32
