// Monotonic time and interruptible waits. Everything that pauses or counts time in Vidloom goes
// through a Clock so that tests can inject a fake one and never sleep for real.
#pragma once

#include <atomic>
#include <cstdint>

namespace vidloom::platform {

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds on a monotonic scale with an arbitrary origin.
  virtual std::int64_t NowMs() const = 0;

  // Blocks the calling thread until NowMs() >= deadline_ms. When `stop` is given, the wait ends
  // early once *stop is true and WakeAll() has been called (or *stop was true on entry).
  // Returns true when the deadline was reached, false when the wait ended early.
  virtual bool SleepUntil(std::int64_t deadline_ms, const std::atomic<bool>* stop = nullptr) = 0;

  // Wakes every SleepUntil() so that it re-checks its stop flag.
  virtual void WakeAll() = 0;

  bool SleepFor(std::int64_t ms, const std::atomic<bool>* stop = nullptr) {
    return SleepUntil(NowMs() + ms, stop);
  }
};

// The process-wide real clock (CLOCK_MONOTONIC).
Clock& SystemClock();

}  // namespace vidloom::platform
