// The UiThread port on Qt's event loop. Construct it on the GUI thread, after the
// QApplication; that thread is the UI thread.
//
// Deadlock rule: Call() from a worker blocks until the GUI thread's event loop runs the task.
// The GUI thread must therefore never wait on a worker (join, condition variable, blocking
// future) while that worker may be inside Call(); it may only pump events (Pump, PumpUntil).
// Workers must be finished before this object is destroyed.
#pragma once

#include <memory>
#include <unordered_map>

#include "model/ui_thread.h"

class QObject;
class QTimer;

namespace vidloom::gui {

class QtUiThread : public UiThread {
 public:
  // `clock` is what clock() returns (for pauses); QTimers always run on real time.
  explicit QtUiThread(platform::Clock& clock = platform::SystemClock());
  ~QtUiThread() override;
  QtUiThread(const QtUiThread&) = delete;
  QtUiThread& operator=(const QtUiThread&) = delete;

  // Queued for the GUI thread's event loop; tasks run in the order they were queued.
  void Post(Task task) override;
  bool OnUiThread() const override;
  // Runs the posted tasks, then handles the pending events (timers, input) once.
  void Pump() override;
  // Runs a nested event loop until clock() reaches deadline_ms.
  void PumpUntil(std::int64_t deadline_ms) override;
  platform::Clock& clock() override { return clock_; }
  // One QTimer per model Timer, following its enabled state and interval. Enabling a disabled
  // timer starts a fresh interval. UI thread only.
  void AttachTimer(Timer& timer) override;
  void DetachTimer(Timer& timer) override;
  // The QTimer that follows `timer`; null when it is not attached.
  QTimer* TimerOf(const Timer& timer) const;

 private:
  void Follow(Timer& timer);

  platform::Clock& clock_;
  QObject* receiver_;  // lives in the GUI thread; owns the QTimers
  // Tasks wait in our own queue (a std::mutex, which thread checkers see); a queued Qt call
  // only wakes the GUI thread to run them.
  PostedTasks tasks_;
  std::unordered_map<const Timer*, QTimer*> timers_;
  // Timer subscriptions cannot be removed; they hold this weakly and do nothing once it is gone.
  std::shared_ptr<QtUiThread*> self_;
};

}  // namespace vidloom::gui
