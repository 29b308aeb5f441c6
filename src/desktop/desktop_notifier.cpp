#include "desktop/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

namespace vidloom::desktop {

void DesktopNotifier::Notify(const std::string& summary, const std::string& body) {
  if (!bus_.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kNotificationsService), QString::fromLatin1(kNotificationsPath),
      QString::fromLatin1(kNotificationsInterface), QStringLiteral("Notify"));
  call << QStringLiteral("Vidloom") << 0u << QStringLiteral("vidloom")
       << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList()
       << QVariantMap() << -1;
  // No answer is awaited: a missing service must not hold up the window.
  call.setAutoStartService(true);
  bus_.asyncCall(call);
}

}  // namespace vidloom::desktop
