// The desktop's file manager through the freedesktop.org FileManager1 service on a D-Bus
// connection (the session bus in the program): a file shown selected in its folder.
#pragma once

#include <QDBusConnection>
#include <string>

namespace vidloom::desktop {

inline constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";
inline constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";
inline constexpr const char* kFileManagerInterface = "org.freedesktop.FileManager1";

// Asks the file manager to show the file at `path` (absolute) selected in its folder
// (ShowItems with its file: URI), without waiting for it. False, asking nothing, when no file
// manager runs or can be started for the service.
bool ShowItemInFileManager(QDBusConnection bus, const std::string& path);

}  // namespace vidloom::desktop
