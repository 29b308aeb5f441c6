// Desktop notifications through the freedesktop.org notification service on a D-Bus
// connection (the session bus in the program).
#pragma once

#include <QDBusConnection>

#include "window_logic/ports.h"

namespace vidloom::desktop {

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kNotificationsInterface = "org.freedesktop.Notifications";

class DesktopNotifier : public Notifier {
 public:
  explicit DesktopNotifier(QDBusConnection bus) : bus_(std::move(bus)) {}

  // Notify(app "Vidloom", icon "vidloom", summary, body, no actions, default timeout), sent
  // without waiting for an answer; without a connection or a service, nothing happens.
  void Notify(const std::string& summary, const std::string& body) override;

 private:
  QDBusConnection bus_;
};

}  // namespace vidloom::desktop
