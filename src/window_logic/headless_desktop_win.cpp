#include <windows.h>
#undef DeleteFile

#include "platform/filesystem.h"
#include "unicode/utf16.h"
#include "window_logic/headless_desktop.h"

namespace vidloom {

bool StartDetachedScript(const std::string& script_path, const std::string& working_directory) {
  if (!platform::FileExists(script_path)) return false;
  // The command interpreter runs the script without a window; nobody waits for it.
  const std::string interpreter =
      platform::Environment("ComSpec").value_or("C:\\Windows\\System32\\cmd.exe");
  std::wstring line = unicode::Widen("\"" + interpreter + "\" /c \"" + script_path + "\"");
  const std::wstring directory = unicode::Widen(working_directory);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(unicode::Widen(interpreter).c_str(), line.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW, nullptr, directory.empty() ? nullptr : directory.c_str(),
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

void HeadlessDesktop::RunStartupScript(const std::string& script_path) {
  StartDetachedScript(script_path, platform::ParentDirectory(script_path));
}

}  // namespace vidloom
