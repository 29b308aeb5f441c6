#include "support/fake_clock.h"

#include <chrono>

namespace vidloom::platform {

std::int64_t FakeClock::NowMs() const {
  std::lock_guard lock(mutex_);
  return now_;
}

bool FakeClock::SleepUntil(std::int64_t deadline_ms, const std::atomic<bool>* stop) {
  std::unique_lock lock(mutex_);
  if (now_ >= deadline_ms) return true;
  auto it = sleepers_.emplace(deadline_ms, 0);
  changed_.notify_all();
  bool reached = true;
  for (;;) {
    if (stop && stop->load()) {
      reached = false;
      break;
    }
    if (now_ >= deadline_ms) break;
    changed_.wait(lock);
  }
  sleepers_.erase(it);
  changed_.notify_all();
  return reached;
}

void FakeClock::WakeAll() {
  std::lock_guard lock(mutex_);
  ++wake_generation_;
  changed_.notify_all();
}

void FakeClock::Advance(std::int64_t ms) {
  std::lock_guard lock(mutex_);
  now_ += ms;
  changed_.notify_all();
}

void FakeClock::AdvanceTo(std::int64_t ms) {
  std::lock_guard lock(mutex_);
  if (ms > now_) now_ = ms;
  changed_.notify_all();
}

int FakeClock::Sleepers() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(sleepers_.size());
}

std::optional<std::int64_t> FakeClock::EarliestSleeperDeadline() const {
  std::lock_guard lock(mutex_);
  if (sleepers_.empty()) return std::nullopt;
  return sleepers_.begin()->first;
}

bool FakeClock::WaitForSleepers(int n, int timeout_ms) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return static_cast<int>(sleepers_.size()) >= n; });
}

}  // namespace vidloom::platform
