// A clock whose time moves only when a test advances it. Sleepers on other threads block until
// the test moves time past their deadline (or stops them).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "platform/clock.h"

namespace vidloom::platform {

class FakeClock : public Clock {
 public:
  explicit FakeClock(std::int64_t start_ms = 1'000'000) : now_(start_ms) {}

  std::int64_t NowMs() const override;
  bool SleepUntil(std::int64_t deadline_ms, const std::atomic<bool>* stop = nullptr) override;
  void WakeAll() override;

  // Moves time forward and releases the sleepers whose deadline has come.
  void Advance(std::int64_t ms);
  void AdvanceTo(std::int64_t ms);

  // Number of threads blocked in SleepUntil() right now, and the earliest of their deadlines.
  int Sleepers() const;
  std::optional<std::int64_t> EarliestSleeperDeadline() const;

  // Blocks (in real time, up to timeout_ms) until at least n threads sleep on this clock.
  bool WaitForSleepers(int n, int timeout_ms = 10'000) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::int64_t now_;
  std::multimap<std::int64_t, int> sleepers_;  // deadlines of the blocked sleepers
  int wake_generation_ = 0;
};

}  // namespace vidloom::platform
