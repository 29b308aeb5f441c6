#include "model/headless_ui_thread.h"

#include <algorithm>
#include <chrono>

#include "model/controls.h"

namespace vidloom {

HeadlessUiThread::HeadlessUiThread(platform::Clock& clock)
    : clock_(clock), ui_thread_(std::this_thread::get_id()) {}

// The slots' tokens go with them, which leaves every timer listener inert.
HeadlessUiThread::~HeadlessUiThread() = default;

void HeadlessUiThread::Post(Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  work_.notify_all();
}

bool HeadlessUiThread::OnUiThread() const {
  return std::this_thread::get_id() == ui_thread_;
}

bool HeadlessUiThread::RunQueuedTasks() {
  bool ran = false;
  for (;;) {
    Task task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) break;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    ran = true;
  }
  return ran;
}

std::optional<std::int64_t> HeadlessUiThread::RunDueTimers() {
  // Handlers may enable, disable, attach or detach timers: walk a snapshot and re-check each.
  const std::int64_t now = clock_.NowMs();
  std::vector<Timer*> due;
  for (auto& slot : timers_) {
    if (slot.armed && slot.due_ms <= now) {
      slot.due_ms = now + std::max(1, slot.timer->interval_ms());
      due.push_back(slot.timer);
    }
  }
  for (Timer* timer : due) {
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const TimerSlot& s) { return s.timer == timer; });
    if (it == timers_.end() || !it->armed) continue;
    if (timer->on_timer) timer->on_timer();
  }
  std::optional<std::int64_t> next;
  for (const auto& slot : timers_) {
    if (slot.armed && (!next || slot.due_ms < *next)) next = slot.due_ms;
  }
  return next;
}

void HeadlessUiThread::Pump() {
  RunQueuedTasks();
  RunDueTimers();
  RunQueuedTasks();
}

void HeadlessUiThread::PumpUntil(std::int64_t deadline_ms) {
  for (;;) {
    RunQueuedTasks();
    auto next_timer = RunDueTimers();
    if (RunQueuedTasks()) continue;
    if (clock_.NowMs() >= deadline_ms) return;
    WaitForWork(next_timer ? std::min(*next_timer, deadline_ms) : deadline_ms);
  }
}

void HeadlessUiThread::RunUntil(const std::function<bool()>& done) {
  while (!done()) {
    RunQueuedTasks();
    if (done()) return;
    auto next_timer = RunDueTimers();
    if (done()) return;
    WaitForWork(next_timer ? *next_timer : clock_.NowMs() + 1000);
  }
}

void HeadlessUiThread::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  work_.notify_all();
}

void HeadlessUiThread::WaitForWork(std::int64_t deadline_ms) {
  std::unique_lock lock(mutex_);
  const std::int64_t wait = deadline_ms - clock_.NowMs();
  if (wait > 0 && tasks_.empty() && !woken_) {
    work_.wait_for(lock, std::chrono::milliseconds(wait),
                   [&] { return !tasks_.empty() || woken_; });
  }
  woken_ = false;
}

void HeadlessUiThread::AttachTimer(Timer& timer) {
  const bool attached = std::any_of(timers_.begin(), timers_.end(),
                                    [&](const TimerSlot& s) { return s.timer == &timer; });
  if (attached) return;
  auto token = std::make_shared<int>(0);
  timers_.push_back({&timer, 0, false, token});
  auto arm = [this, &timer, weak = std::weak_ptr<int>(token)] {
    const auto alive = weak.lock();
    if (!alive) return;  // detached, or this UiThread is gone
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const TimerSlot& s) { return s.token == alive; });
    if (it == timers_.end()) return;
    if (!timer.enabled()) {
      it->armed = false;
    } else if (!it->armed) {
      it->armed = true;
      it->due_ms = clock_.NowMs() + std::max(1, timer.interval_ms());
    }
  };
  timer.Subscribe(arm);
  arm();
}

void HeadlessUiThread::DetachTimer(Timer& timer) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const TimerSlot& s) { return s.timer == &timer; }),
                timers_.end());
}

}  // namespace vidloom
