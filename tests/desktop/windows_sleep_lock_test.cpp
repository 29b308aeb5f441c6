// Windows: the sleep lock held and given back through SetThreadExecutionState (whose answer is
// the thread's state before each call), and the shutdown privilege. The power-off itself is
// never linked here.
#include "desktop/windows_sleep_lock.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace vidloom::desktop {
namespace {

// The execution state this thread has set, read by setting it again unchanged.
EXECUTION_STATE CurrentState() {
  const EXECUTION_STATE state = SetThreadExecutionState(ES_CONTINUOUS);
  SetThreadExecutionState(state);
  return state;
}

TEST(WindowsSleepLock, HoldKeepsTheSystemAwakeUntilReleased) {
  {
    WindowsSleepInhibitor lock;
    lock.Hold("Converting 3 files");
    EXPECT_TRUE(lock.Held());
    EXPECT_EQ(CurrentState() & (ES_CONTINUOUS | ES_SYSTEM_REQUIRED),
              static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
    lock.Hold("again");  // one lock
    lock.Release();
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(CurrentState() & ES_SYSTEM_REQUIRED, 0u);
    lock.Release();  // nothing held: nothing happens
    lock.Hold("once more");
  }
  EXPECT_EQ(CurrentState() & ES_SYSTEM_REQUIRED, 0u) << "the destructor gives the lock back";
}

TEST(WindowsSleepLock, TheShutdownPrivilegeCanBeEnabled) {
  EXPECT_TRUE(EnableShutdownPrivilege());
}

}  // namespace
}  // namespace vidloom::desktop
