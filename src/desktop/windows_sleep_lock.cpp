#include "desktop/windows_sleep_lock.h"

#include <windows.h>

namespace vidloom::desktop {

WindowsSleepInhibitor::~WindowsSleepInhibitor() {
  Release();
}

void WindowsSleepInhibitor::Hold(const std::string& /*why*/) {
  if (held_) return;
  held_ = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
}

void WindowsSleepInhibitor::Release() {
  if (!held_) return;
  SetThreadExecutionState(ES_CONTINUOUS);
  held_ = false;
}

bool EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool enabled = LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
                 AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                 GetLastError() == ERROR_SUCCESS;  // not ERROR_NOT_ALL_ASSIGNED
  CloseHandle(token);
  return enabled;
}

}  // namespace vidloom::desktop
