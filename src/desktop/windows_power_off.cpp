#include "desktop/windows_power_off.h"

#include <windows.h>

#include "desktop/windows_sleep_lock.h"

namespace vidloom::desktop {

bool WindowsPowerOff::PowerOffComputer() {
  if (!EnableShutdownPrivilege()) return false;
  return ExitWindowsEx(EWX_POWEROFF | EWX_FORCEIFHUNG,
                       SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != 0;
}

}  // namespace vidloom::desktop
