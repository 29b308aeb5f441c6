// QtUiThread: ordering of posted tasks, blocking calls from workers, pumping, timers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "gui/qt_ui_thread.h"
#include "model/controls.h"

namespace vidloom::gui {
namespace {

TEST(QtUiThreadTest, PostedTasksRunInOrderOnTheGuiThread) {
  QtUiThread ui;
  EXPECT_TRUE(ui.OnUiThread());
  std::vector<int> order;
  std::atomic<bool> wrong_thread{false};
  std::thread worker([&] {
    EXPECT_FALSE(ui.OnUiThread());
    for (int i = 0; i < 200; ++i) {
      ui.Post([&, i] {
        if (QThread::currentThread() != qApp->thread()) wrong_thread = true;
        order.push_back(i);
      });
    }
  });
  worker.join();
  ui.Post([&] { order.push_back(200); });
  EXPECT_TRUE(order.empty());  // nothing runs before the loop does
  ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 201; }, 5000));
  for (int i = 0; i <= 200; ++i) EXPECT_EQ(order[i], i);
  EXPECT_FALSE(wrong_thread);
}

TEST(QtUiThreadTest, CallFromAWorkerWaitsForTheGuiThread) {
  QtUiThread ui;
  std::vector<std::string> log;
  std::atomic<bool> done{false};
  int answer = 0;
  std::string error;
  std::thread worker([&] {
    ui.Post([&] { log.push_back("posted"); });
    ui.Call([&] {
      log.push_back(QThread::currentThread() == qApp->thread() ? "call on gui" : "call elsewhere");
    });
    log.push_back("returned");  // the GUI thread is inside qWaitFor: no race on log
    answer = ui.Get([] { return 42; });
    try {
      ui.Call([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
    done = true;
  });
  const bool finished = QTest::qWaitFor([&] { return done.load(); }, 5000);
  worker.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(log, (std::vector<std::string>{"posted", "call on gui", "returned"}));
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(error, "boom");
}

TEST(QtUiThreadTest, TasksPostedDuringANestedLoopRunInIt) {
  // A posted task that waits in a nested event loop (as a message box does) must not hold up
  // the tasks that a worker posts meanwhile.
  QtUiThread ui;
  std::atomic<bool> inner_ran{false};
  bool nested_saw_inner = false;
  ui.Post([&] {
    std::thread worker([&] { ui.Post([&] { inner_ran = true; }); });
    worker.join();
    nested_saw_inner = QTest::qWaitFor([&] { return inner_ran.load(); }, 5000);
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return inner_ran.load(); }, 10000));
  EXPECT_TRUE(nested_saw_inner);
}

TEST(QtUiThreadTest, CallOnTheGuiThreadRunsAtOnce) {
  QtUiThread ui;
  bool ran = false;
  ui.Call([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(QtUiThreadTest, PumpUntilHandlesTasksUntilTheDeadline) {
  QtUiThread ui;
  int ran = 0;
  ui.Post([&] { ++ran; });
  const std::int64_t start = ui.clock().NowMs();
  ui.PumpUntil(start + 30);
  EXPECT_GE(ui.clock().NowMs(), start + 30);
  EXPECT_EQ(ran, 1);
  ui.Post([&] { ++ran; });
  EXPECT_TRUE(PumpWait(ui, 5));
  EXPECT_EQ(ran, 2);
}

TEST(QtUiThreadTest, PumpWaitOnAWorkerEndsEarlyOnStop) {
  QtUiThread ui;
  std::atomic<bool> stop{false};
  std::atomic<int> result{-1};
  std::thread worker([&] { result = PumpWait(ui, 60'000, &stop) ? 1 : 0; });
  stop = true;
  ui.clock().WakeAll();
  worker.join();
  EXPECT_EQ(result, 0);
}

TEST(QtUiThreadTest, TimersFollowTheModel) {
  QtUiThread ui;
  Timer timer;
  timer.SetInterval(5);
  int fired = 0;
  timer.on_timer = [&] { ++fired; };
  ui.AttachTimer(timer);
  ui.PumpUntil(ui.clock().NowMs() + 30);
  EXPECT_EQ(fired, 0);  // attached disabled

  timer.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));

  timer.SetEnabled(false);
  const int stopped_at = fired;
  ui.PumpUntil(ui.clock().NowMs() + 30);
  EXPECT_EQ(fired, stopped_at);

  // A handler that switches its own timer off fires once.
  timer.on_timer = [&] {
    ++fired;
    timer.SetEnabled(false);
  };
  timer.SetEnabled(true);
  ui.PumpUntil(ui.clock().NowMs() + 40);
  EXPECT_EQ(fired, stopped_at + 1);

  timer.on_timer = [&] { ++fired; };
  ui.DetachTimer(timer);
  timer.SetEnabled(true);
  ui.PumpUntil(ui.clock().NowMs() + 30);
  EXPECT_EQ(fired, stopped_at + 1);
}

TEST(QtUiThreadTest, TimerOutlivingTheUiThreadIsSafe) {
  Timer timer;
  {
    QtUiThread ui;
    ui.AttachTimer(timer);
  }
  timer.SetEnabled(true);
  timer.SetInterval(10);
  EXPECT_TRUE(timer.enabled());
}

}  // namespace
}  // namespace vidloom::gui
