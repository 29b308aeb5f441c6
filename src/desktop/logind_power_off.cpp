#include "desktop/logind_power_off.h"

#include <QDBusConnection>

#include "desktop/logind_bus.h"
#include "desktop/logind_rules.h"

namespace vidloom::desktop {

bool LogindPowerOff::PowerOffComputer() {
  const QDBusConnection bus = QDBusConnection::systemBus();
  return RequestPowerOff(
      [&]() -> std::optional<std::string> {
        const QDBusMessage reply = CallLogindManager(bus, QStringLiteral("CanPowerOff"));
        if (!HasAnswer(reply)) return std::nullopt;
        return reply.arguments().first().toString().toStdString();
      },
      [&] {
        // interactive = false: where a prompt would be needed, logind refuses instead.
        const QDBusMessage reply = CallLogindManager(bus, QStringLiteral("PowerOff"), {false});
        return reply.type() == QDBusMessage::ReplyMessage;
      });
}

}  // namespace vidloom::desktop
