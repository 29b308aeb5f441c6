// Windows: the sleep lock through SetThreadExecutionState, and the shutdown privilege the
// power-off needs. The lock belongs to the thread that holds it (the UI thread, where every
// port call comes from) and ends with that thread at the latest.
#pragma once

#include <string>

#include "window_logic/ports.h"

namespace vidloom::desktop {

class WindowsSleepInhibitor : public SleepInhibitor {
 public:
  // Releases a held lock.
  ~WindowsSleepInhibitor() override;

  // ES_CONTINUOUS | ES_SYSTEM_REQUIRED: the system stays awake, the display may turn off.
  // Windows shows no reason, so `why` is unused.
  void Hold(const std::string& why) override;
  // ES_CONTINUOUS alone: the system may sleep again.
  void Release() override;

  bool Held() const { return held_; }

 private:
  bool held_ = false;
};

// Enables SE_SHUTDOWN_NAME in this process's token, which ExitWindowsEx needs; false when the
// token does not hold the privilege (the power-off is then refused).
bool EnableShutdownPrivilege();

}  // namespace vidloom::desktop
