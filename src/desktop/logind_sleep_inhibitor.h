// The sleep lock through systemd-logind: Manager.Inhibit("sleep", "Vidloom", why, "block")
// answers with a file descriptor, and the lock lasts as long as that descriptor is open.
// Where there is no bus or no logind (containers, CI) every call does nothing.
#pragma once

#include <QDBusConnection>
#include <string>

#include "window_logic/ports.h"

namespace vidloom::desktop {

class LogindSleepInhibitor : public SleepInhibitor {
 public:
  // `bus`: the system bus in the program; tests pass a private bus with a stand-in logind.
  explicit LogindSleepInhibitor(QDBusConnection bus);
  // Releases a held lock.
  ~LogindSleepInhibitor() override;
  LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
  LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

  // Asks logind for the lock (waiting for its answer) unless one is held already.
  void Hold(const std::string& why) override;
  // Closes the lock's descriptor, which ends the lock.
  void Release() override;

  // True while this object holds a lock's descriptor.
  bool Held() const { return lock_fd_ >= 0; }

 private:
  QDBusConnection bus_;
  // Our own copy of the lock's descriptor, closed on exec so that the encoders the batch starts
  // cannot keep the lock alive; -1 when none is held.
  int lock_fd_ = -1;
};

}  // namespace vidloom::desktop
