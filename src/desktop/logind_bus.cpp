#include "desktop/logind_bus.h"

#include <QDBusError>

#include "desktop/logind_rules.h"

namespace vidloom::desktop {

QDBusMessage CallLogindManager(const QDBusConnection& bus, const QString& method,
                               const QList<QVariant>& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kLogindService),
                                                     QString::fromLatin1(kLogindPath),
                                                     QString::fromLatin1(kLogindManager), method);
  if (!bus.isConnected()) {
    return call.createErrorReply(QDBusError::Disconnected, QStringLiteral("no D-Bus connection"));
  }
  call.setArguments(arguments);
  return bus.call(call, QDBus::Block, kLogindCallTimeoutMs);
}

bool HasAnswer(const QDBusMessage& reply) {
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

}  // namespace vidloom::desktop
