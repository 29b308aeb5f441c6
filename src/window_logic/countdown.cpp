#include "window_logic/countdown.h"

#include <string>

namespace vidloom {

void PowerOffCountdownTick(MainForm& form, PowerOffWarningForm& warning, ShutdownState& shutdown,
                           const std::function<void()>& quit, PowerOff* power_off) {
  ++shutdown.CountdownTicks;
  warning.ElapsedSeconds.SetCaption(std::to_string(shutdown.CountdownTicks));
  if (shutdown.CountdownTicks != kCountdownLastTick) return;
  // The program is ending: no further tick may come while its loop winds down.
  form.PowerOffCountdownTimer.SetEnabled(false);
  if (quit) quit();
  if (power_off) power_off->PowerOffComputer();
}

void CancelShutdownCountdown(MainForm& form, PowerOffWarningForm& warning,
                             ShutdownState& shutdown) {
  form.PowerOffCountdownTimer.SetEnabled(false);
  shutdown.ShutdownArmed = false;
  warning.visible = false;
  warning.Changed();
}

bool MayCloseWarning(const ShutdownState& shutdown) {
  return !shutdown.ShutdownArmed;
}

}  // namespace vidloom
