#include "platform/clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vidloom::platform {
namespace {

class SteadyClock : public Clock {
 public:
  std::int64_t NowMs() const override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }

  bool SleepUntil(std::int64_t deadline_ms, const std::atomic<bool>* stop) override {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (stop && stop->load()) return false;
      const std::int64_t now = NowMs();
      if (now >= deadline_ms) return true;
      wake_.wait_for(lock, std::chrono::milliseconds(deadline_ms - now));
    }
  }

  void WakeAll() override {
    std::lock_guard lock(mutex_);
    wake_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
};

}  // namespace

Clock& SystemClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace vidloom::platform
