// The shutdown countdown after a finished batch: one tick a second on the main window's
// PowerOffCountdownTimer, the warning window's "Do Not Turn Off", and its refused close. Arming is
// ArmShutdownCountdown (work_controls.h). UI thread only.
#pragma once

#include <functional>

#include "model/forms.h"
#include "window_logic/ports.h"
#include "window_logic/work_controls.h"

namespace vidloom {

// The tick on which the program ends and the computer is powered off.
inline constexpr int kCountdownLastTick = 30;

// One tick: CountdownTicks + 1, shown in the warning window's ElapsedSeconds. On the 30th the timer
// stops, `quit` ends the program's loop and then `power_off` (when given) is asked to power the
// computer off; its answer is not used.
void PowerOffCountdownTick(MainForm& form, PowerOffWarningForm& warning, ShutdownState& shutdown,
                           const std::function<void()>& quit, PowerOff* power_off);

// "Do Not Turn Off": the timer stops, the countdown is disarmed and the warning window hidden.
// ElapsedSeconds keeps the last number until the next countdown's first tick.
void CancelShutdownCountdown(MainForm& form, PowerOffWarningForm& warning, ShutdownState& shutdown);

// The warning window's close box: refused while the countdown is armed.
bool MayCloseWarning(const ShutdownState& shutdown);

}  // namespace vidloom
