#include "model/ui_thread.h"

#include <exception>
#include <future>

namespace vidloom {

void UiThread::Call(const Task& task) {
  if (OnUiThread()) {
    task();
    return;
  }
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  Post([&] {
    try {
      task();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  finished.get();
}

bool PostedTasks::Push(UiThread::Task task) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  const bool wake = !wake_pending_;
  wake_pending_ = true;
  return wake;
}

void PostedTasks::RunAll() {
  for (;;) {
    UiThread::Task task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) {
        wake_pending_ = false;
        return;
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
      // The next Post wakes the loop again, which may be a nested one inside this task.
      wake_pending_ = false;
    }
    task();
  }
}

bool PumpWait(UiThread& ui, std::int64_t ms, const std::atomic<bool>* stop) {
  const std::int64_t deadline = ui.clock().NowMs() + ms;
  if (ui.OnUiThread()) {
    ui.PumpUntil(deadline);
    return true;
  }
  return ui.clock().SleepUntil(deadline, stop);
}

}  // namespace vidloom
