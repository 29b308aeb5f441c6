#include <windows.h>

#include "platform/process.h"
#include "win32/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vidloom::platform::MarkProgramRunning();
  return vidloom::win32::RunDesktop();
}
