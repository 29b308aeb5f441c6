// A UiThread for programs without a window toolkit: the thread that constructs it is the UI
// thread and runs the loop (Pump, PumpUntil, RunUntil).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "model/ui_thread.h"

namespace vidloom {

class HeadlessUiThread : public UiThread {
 public:
  explicit HeadlessUiThread(platform::Clock& clock = platform::SystemClock());
  ~HeadlessUiThread() override;
  HeadlessUiThread(const HeadlessUiThread&) = delete;
  HeadlessUiThread& operator=(const HeadlessUiThread&) = delete;

  void Post(Task task) override;
  bool OnUiThread() const override;
  void Pump() override;
  void PumpUntil(std::int64_t deadline_ms) override;
  platform::Clock& clock() override { return clock_; }
  // The timer's change listener stays subscribed after DetachTimer (and after this object is
  // gone) but does nothing then: it holds only a weak token of its attachment.
  void AttachTimer(Timer& timer) override;
  void DetachTimer(Timer& timer) override;

  // Handles tasks and timers until `done` returns true (checked after every task).
  void RunUntil(const std::function<bool()>& done);

  // Wakes a loop that waits for work (for example from a signal-watching thread).
  void Wake();

 protected:
  // Runs due timers; returns the earliest next due time, or nullopt when none is enabled.
  std::optional<std::int64_t> RunDueTimers();
  // Waits for a task or until deadline_ms (real waiting on the clock's scale).
  virtual void WaitForWork(std::int64_t deadline_ms);
  bool RunQueuedTasks();

  platform::Clock& clock_;
  std::thread::id ui_thread_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::deque<Task> tasks_;
  struct TimerSlot {
    Timer* timer;
    std::int64_t due_ms;
    bool armed;
    // Alive while the timer is attached; the timer's listener holds a weak reference.
    std::shared_ptr<int> token;
  };
  std::vector<TimerSlot> timers_;
  bool woken_ = false;
};

}  // namespace vidloom
