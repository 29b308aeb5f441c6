// Powers the computer off through systemd-logind on the system bus. Only the desktop program
// links this (the build refuses any other target that does): tests check the rules in
// logind_rules.h with stand-ins instead, and nothing in a test or CI run can reach a real
// power-off.
#pragma once

#include "window_logic/ports.h"

namespace vidloom::desktop {

class LogindPowerOff : public PowerOff {
 public:
  // Asks Manager.CanPowerOff; only on "yes" calls Manager.PowerOff(false) (no authentication
  // prompt). True when logind accepted the request. No bus, no logind or a refusal: false.
  bool PowerOffComputer() override;
};

}  // namespace vidloom::desktop
