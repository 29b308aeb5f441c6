#include "desktop/logind_rules.h"

namespace vidloom::desktop {

bool PowerOffAllowed(std::string_view can_power_off_answer) {
  return can_power_off_answer == "yes";
}

bool RequestPowerOff(const std::function<std::optional<std::string>()>& can_power_off,
                     const std::function<bool()>& power_off) {
  const std::optional<std::string> answer = can_power_off();
  if (!answer || !PowerOffAllowed(*answer)) return false;
  return power_off();
}

}  // namespace vidloom::desktop
