// A deterministic UiThread for tests, on a FakeClock. The test's thread is the UI thread. Time
// moves only when the test (or PumpUntil on the UI thread) moves it; timers fire as it passes
// their due time.
#pragma once

#include "model/headless_ui_thread.h"
#include "support/fake_clock.h"

namespace vidloom {

class TestUiThread : public HeadlessUiThread {
 public:
  explicit TestUiThread(platform::FakeClock& clock) : HeadlessUiThread(clock), fake_(clock) {}

  // Moves the fake clock forward in steps, firing each timer at its due time and running the
  // tasks that come in between.
  void AdvanceBy(std::int64_t ms);

  // Handles tasks (waiting in real time for work from other threads, up to timeout_ms) until
  // `done` returns true. When `advance_sleepers` is set and nothing else happens, time moves to
  // the earliest deadline of a thread sleeping on the fake clock, so pauses on worker threads
  // pass without real waiting. Returns false on timeout.
  bool RunUntil(const std::function<bool()>& done, bool advance_sleepers = true,
                int timeout_ms = 30'000);

  platform::FakeClock& fake_clock() { return fake_; }

 protected:
  void WaitForWork(std::int64_t deadline_ms) override;

 private:
  platform::FakeClock& fake_;
};

}  // namespace vidloom
