#include <windows.h>

#include "win32/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return vidloom::win32::RunDesktop();
}
