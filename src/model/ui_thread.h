// The port through which code on other threads reaches the window model, and through which the
// UI thread handles its pending work. Implementations: HeadlessUiThread (a loop run by the
// command-line program), TestUiThread (deterministic, fake clock) and the Qt one in gui/.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/clock.h"

namespace vidloom {

class Timer;

class UiThread {
 public:
  using Task = std::function<void()>;
  virtual ~UiThread() = default;

  // Queues `task` to run on the UI thread, after every task queued before it.
  virtual void Post(Task task) = 0;

  // Runs `task` on the UI thread and returns when it has run; an exception it throws is thrown
  // here. On the UI thread itself it runs at once; from elsewhere it is posted, so tasks posted
  // before it run first.
  void Call(const Task& task);

  // True on the UI thread.
  virtual bool OnUiThread() const = 0;

  // UI thread only: runs the queued tasks and the timers that are due, then returns.
  virtual void Pump() = 0;

  // UI thread only: keeps handling tasks and timers until the clock reaches deadline_ms.
  virtual void PumpUntil(std::int64_t deadline_ms) = 0;

  // The clock that timers and pauses follow.
  virtual platform::Clock& clock() = 0;

  // Makes `timer` fire on this thread while it is enabled. The timer must outlive this object
  // or be detached.
  virtual void AttachTimer(Timer& timer) = 0;
  virtual void DetachTimer(Timer& timer) = 0;

  // Call() with a result.
  template <class F>
  auto Get(F&& f) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    std::optional<R> result;
    Call([&] { result.emplace(f()); });
    return std::move(*result);
  }
};

// The tasks posted to a toolkit's UI thread from any thread, run there in order. A toolkit's
// UiThread keeps them here and only wakes its loop (a queued call, a window message) when Push
// says so: one wake runs every task queued until then.
class PostedTasks {
 public:
  // Queues `task`; true when the UI thread must be woken to run the queue.
  bool Push(UiThread::Task task);
  // UI thread: runs the queued tasks one at a time, in order. A task may run a nested loop (a
  // message box, PumpUntil): tasks posted meanwhile wake that loop.
  void RunAll();

 private:
  std::mutex mutex_;
  std::deque<UiThread::Task> tasks_;
  bool wake_pending_ = false;
};

// What a worker thread holds of an object that belongs to the UI thread (the forms, or a group
// of references to them): tasks that reach it there, and no reference to it otherwise.
template <class Model>
class UiHandle {
 public:
  UiHandle(UiThread& ui, Model& model) : ui_(&ui), model_(&model) {}

  // Queues task(model) for the UI thread (UiThread::Post).
  void Post(std::function<void(Model&)> task) const {
    ui_->Post([model = model_, task = std::move(task)] { task(*model); });
  }

  // Runs f(model) on the UI thread, waits for it and returns its result (UiThread::Call).
  template <class F>
  auto Call(F&& f) const -> std::invoke_result_t<F&, Model&> {
    if constexpr (std::is_void_v<std::invoke_result_t<F&, Model&>>) {
      ui_->Call([&] { f(*model_); });
    } else {
      return ui_->Get([&] { return f(*model_); });
    }
  }

  // The same UI thread's handle to `other`.
  template <class Other>
  UiHandle<Other> For(Other& other) const {
    return UiHandle<Other>(*ui_, other);
  }

  platform::Clock& clock() const { return ui_->clock(); }

  // The UI thread itself, for a task running there (one that attaches a timer, say).
  UiThread& thread() const { return *ui_; }

  // A pause of `ms` on this UI thread's clock (PumpWait).
  bool Pause(std::int64_t ms, const std::atomic<bool>* stop) const;

 private:
  UiThread* ui_;
  Model* model_;
};

// A pause of `ms` milliseconds. On the UI thread the pending tasks and timers are handled
// meanwhile; on any other thread it is a plain wait that ends early once *stop is set (and the
// clock woken). Returns false when it ended early.
bool PumpWait(UiThread& ui, std::int64_t ms, const std::atomic<bool>* stop = nullptr);

template <class Model>
bool UiHandle<Model>::Pause(std::int64_t ms, const std::atomic<bool>* stop) const {
  return PumpWait(*ui_, ms, stop);
}

}  // namespace vidloom
