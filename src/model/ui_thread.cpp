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

bool PumpWait(UiThread& ui, std::int64_t ms, const std::atomic<bool>* stop) {
  const std::int64_t deadline = ui.clock().NowMs() + ms;
  if (ui.OnUiThread()) {
    ui.PumpUntil(deadline);
    return true;
  }
  return ui.clock().SleepUntil(deadline, stop);
}

}  // namespace vidloom
