#include "support/test_ui_thread.h"

#include <algorithm>
#include <chrono>

namespace vidloom {

void TestUiThread::WaitForWork(std::int64_t deadline_ms) {
  // Nobody else moves fake time while the UI thread pauses: the pause itself moves it.
  fake_.AdvanceTo(deadline_ms);
}

void TestUiThread::AdvanceBy(std::int64_t ms) {
  const std::int64_t target = fake_.NowMs() + ms;
  for (;;) {
    RunQueuedTasks();
    auto next_timer = RunDueTimers();
    RunQueuedTasks();
    const std::int64_t now = fake_.NowMs();
    if (now >= target) return;
    fake_.AdvanceTo(next_timer ? std::min(*next_timer, target) : target);
  }
}

bool TestUiThread::RunUntil(const std::function<bool()>& done, bool advance_sleepers,
                            int timeout_ms) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    RunQueuedTasks();
    auto next_timer = RunDueTimers();
    RunQueuedTasks();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > give_up) return false;
    {
      std::unique_lock lock(mutex_);
      if (!tasks_.empty()) continue;
      // Give other threads a moment of real time to post work or to fall asleep.
      work_.wait_for(lock, std::chrono::milliseconds(2), [&] { return !tasks_.empty(); });
      if (!tasks_.empty()) continue;
    }
    if (advance_sleepers && fake_.Sleepers() > 0) {
      auto target = fake_.EarliestSleeperDeadline();
      if (target) fake_.AdvanceTo(next_timer ? std::min(*next_timer, *target) : *target);
    }
  }
}

}  // namespace vidloom
