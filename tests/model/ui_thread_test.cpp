#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "model/controls.h"
#include "model/headless_ui_thread.h"
#include "support/fake_clock.h"
#include "support/test_ui_thread.h"

namespace vidloom {
namespace {

class UiThreadTest : public ::testing::Test {
 protected:
  platform::FakeClock clock_;
  TestUiThread ui_{clock_};
};

TEST_F(UiThreadTest, PostedTasksRunInOrderOnPump) {
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) ui_.Post([&, i] { order.push_back(i); });
  EXPECT_TRUE(order.empty()) << "Post does not run anything at once";
  ui_.Pump();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(UiThreadTest, TasksPostedFromAWorkerKeepTheirOrder) {
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) ui_.Post([&, i] { order.push_back(i); });
  });
  worker.join();
  ui_.Pump();
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST_F(UiThreadTest, CallFromAWorkerRunsOnTheUiThreadAndWaits) {
  const auto ui_id = std::this_thread::get_id();
  std::vector<std::string> log;  // touched on the UI thread only
  std::atomic<bool> worker_done{false};
  bool ran_on_ui = false;
  std::thread worker([&] {
    ui_.Post([&] { log.push_back("posted"); });
    ui_.Call([&] {
      ran_on_ui = std::this_thread::get_id() == ui_id && ui_.OnUiThread();
      log.push_back("called");
    });
    // Call has returned: its task ran, after the task posted before it.
    const bool ok = ui_.Get([&] { return log.size() == 2 && log[1] == "called"; });
    EXPECT_TRUE(ok);
    worker_done = true;
  });
  EXPECT_TRUE(ui_.RunUntil([&] { return worker_done.load(); }));
  worker.join();
  EXPECT_TRUE(ran_on_ui);
  EXPECT_EQ(log, (std::vector<std::string>{"posted", "called"}));
}

TEST_F(UiThreadTest, CallOnTheUiThreadRunsAtOnce) {
  bool ran = false;
  ui_.Post([] {});
  ui_.Call([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(ui_.Get([] { return 42; }), 42);
}

TEST_F(UiThreadTest, GetReturnsValuesAndCallPassesExceptionsToTheWorker) {
  Selector combo;
  combo.SetItems({"PSP Video", "MP3 Audio"});
  combo.Select(1);
  std::string text;
  int count = 0;
  bool threw = false;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    text = ui_.Get([&] { return combo.text(); });
    count = ui_.Get([&] { return combo.count(); });
    try {
      ui_.Call([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error&) {
      threw = true;
    }
    done = true;
  });
  EXPECT_TRUE(ui_.RunUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(text, "MP3 Audio");
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(threw);
}

TEST_F(UiThreadTest, TimersFireAtTheirIntervalAsFakeTimePasses) {
  const std::int64_t start = clock_.NowMs();
  Timer watchdog;
  watchdog.SetInterval(2000);
  std::vector<std::int64_t> fired;
  watchdog.on_timer = [&] { fired.push_back(clock_.NowMs() - start); };
  ui_.AttachTimer(watchdog);
  ui_.AdvanceBy(5000);
  EXPECT_TRUE(fired.empty()) << "a disabled timer does not fire";

  watchdog.SetEnabled(true);  // at 5000: a fresh interval
  ui_.AdvanceBy(7000);
  EXPECT_EQ(fired, (std::vector<std::int64_t>{7000, 9000, 11000}));
  EXPECT_EQ(clock_.NowMs() - start, 12000);

  watchdog.SetEnabled(false);
  ui_.AdvanceBy(10000);
  EXPECT_EQ(fired.size(), 3u) << "disabling stops it";
  ui_.DetachTimer(watchdog);
}

TEST_F(UiThreadTest, ATimerThatDisablesItselfFiresNoMore) {
  Timer countdown;
  countdown.SetInterval(1000);
  int ticks = 0;
  countdown.on_timer = [&] {
    if (++ticks == 8) countdown.SetEnabled(false);
  };
  ui_.AttachTimer(countdown);
  countdown.SetEnabled(true);
  ui_.AdvanceBy(30000);
  EXPECT_EQ(ticks, 8);
  ui_.DetachTimer(countdown);
}

TEST_F(UiThreadTest, TwoTimersInterleaveByTheirDueTimes) {
  Timer fast, slow;
  fast.SetInterval(300);
  slow.SetInterval(1000);
  std::vector<std::string> log;
  fast.on_timer = [&] { log.push_back("f"); };
  slow.on_timer = [&] { log.push_back("S"); };
  ui_.AttachTimer(fast);
  ui_.AttachTimer(slow);
  fast.SetEnabled(true);
  slow.SetEnabled(true);
  ui_.AdvanceBy(2000);
  EXPECT_EQ(log, (std::vector<std::string>{"f", "f", "f", "S", "f", "f", "f", "S"}));
  ui_.DetachTimer(fast);
  ui_.DetachTimer(slow);
  ui_.AdvanceBy(2000);
  EXPECT_EQ(log.size(), 8u) << "detached timers are silent";
}

TEST_F(UiThreadTest, ATimerOutlivingItsAttachmentChangesSafelyAndAttachesOnce) {
  Timer countdown;
  countdown.SetInterval(1000);
  int ticks = 0;
  countdown.on_timer = [&] { ++ticks; };
  {
    platform::FakeClock other_clock;
    TestUiThread other{other_clock};
    other.AttachTimer(countdown);
    other.AttachTimer(countdown);  // a second attachment of the same timer is ignored
    countdown.SetEnabled(true);
    other.AdvanceBy(3000);
    EXPECT_EQ(ticks, 3) << "attached twice, it still fires once per interval";
    other.DetachTimer(countdown);
    countdown.SetEnabled(false);  // the old listener is inert after the detach
    other.AttachTimer(countdown);
  }
  // The UiThread is gone; its listeners on the timer must not reach it.
  countdown.SetEnabled(true);
  countdown.SetInterval(500);
  countdown.SetEnabled(false);
  EXPECT_EQ(ticks, 3);

  // Attached again elsewhere, it works as before.
  ui_.AttachTimer(countdown);
  countdown.SetEnabled(true);
  ui_.AdvanceBy(1000);
  EXPECT_EQ(ticks, 5);
  ui_.DetachTimer(countdown);
}

TEST_F(UiThreadTest, PumpWaitOnAWorkerEndsEarlyOnStop) {
  std::atomic<bool> stop{false};
  std::atomic<int> result{-1};
  const std::int64_t start = clock_.NowMs();
  std::thread worker([&] { result = PumpWait(ui_, 360'000, &stop) ? 1 : 0; });
  ASSERT_TRUE(clock_.WaitForSleepers(1));
  stop = true;
  clock_.WakeAll();
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(clock_.NowMs(), start) << "no time had to pass";
}

TEST_F(UiThreadTest, PumpWaitOnAWorkerLastsItsTimeOnTheClock) {
  std::atomic<bool> stop{false};
  std::atomic<int> result{-1};
  const std::int64_t start = clock_.NowMs();
  std::thread worker([&] { result = PumpWait(ui_, 360, &stop) ? 1 : 0; });
  ASSERT_TRUE(clock_.WaitForSleepers(1));
  ui_.AdvanceBy(359);
  EXPECT_EQ(result, -1);
  ui_.AdvanceBy(1);
  worker.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(clock_.NowMs() - start, 360);
}

TEST_F(UiThreadTest, PumpWaitOnTheUiThreadRunsTasksAndTimers) {
  const std::int64_t start = clock_.NowMs();
  Timer timer;
  timer.SetInterval(100);
  int ticks = 0;
  timer.on_timer = [&] { ++ticks; };
  ui_.AttachTimer(timer);
  timer.SetEnabled(true);
  bool task_ran = false;
  ui_.Post([&] { task_ran = true; });
  EXPECT_TRUE(PumpWait(ui_, 350));
  EXPECT_TRUE(task_ran);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(clock_.NowMs() - start, 350);
  ui_.DetachTimer(timer);
}

TEST(HeadlessUiThread, RunsWorkFromOtherThreadsOnTheRealClock) {
  HeadlessUiThread ui;
  std::atomic<bool> done{false};
  std::vector<int> order;
  std::thread worker([&] {
    ui.Post([&] { order.push_back(1); });
    ui.Call([&] { order.push_back(2); });
    ui.Post([&] { done = true; });
  });
  ui.RunUntil([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));

  Timer timer;
  timer.SetInterval(5);
  int ticks = 0;
  timer.on_timer = [&] { ++ticks; };
  ui.AttachTimer(timer);
  timer.SetEnabled(true);
  const std::int64_t start = ui.clock().NowMs();
  EXPECT_TRUE(PumpWait(ui, 30));
  EXPECT_GE(ui.clock().NowMs() - start, 30);
  EXPECT_GE(ticks, 1);
  ui.DetachTimer(timer);
}

}  // namespace
}  // namespace vidloom
