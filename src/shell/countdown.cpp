#include "shell/countdown.h"

#include <string>

namespace vidloom {

void TimerShutdown2Timer(TForm1& form, TForm3& warning, ShutdownState& shutdown,
                         const std::function<void()>& quit, PowerOff* power_off) {
  ++shutdown.CountdownTicks;
  warning.Label2.SetCaption(std::to_string(shutdown.CountdownTicks));
  if (shutdown.CountdownTicks != kCountdownLastTick) return;
  // The program is ending: no further tick may come while its loop winds down.
  form.TimerShutdown2.SetEnabled(false);
  if (quit) quit();
  if (power_off) power_off->PowerOffComputer();
}

void CancelShutdownCountdown(TForm1& form, TForm3& warning, ShutdownState& shutdown) {
  form.TimerShutdown2.SetEnabled(false);
  shutdown.ShutdownArmed = false;
  warning.visible = false;
  warning.Changed();
}

bool WarningFormCloseQuery(const ShutdownState& shutdown) {
  return !shutdown.ShutdownArmed;
}

}  // namespace vidloom
