// Windows: powers the computer off with ExitWindowsEx. Only the desktop program links this (the
// build refuses any other target that does), so nothing in a test or CI run can reach it.
#pragma once

#include "window_logic/ports.h"

namespace vidloom::desktop {

class WindowsPowerOff : public PowerOff {
 public:
  // Enables the shutdown privilege, then asks for EWX_POWEROFF (applications that hang are
  // ended, those that answer may still refuse), as a planned application shutdown. True when
  // Windows accepted the request.
  bool PowerOffComputer() override;
};

}  // namespace vidloom::desktop
