// One call to logind's Manager over a given D-Bus connection.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QString>
#include <QVariant>

namespace vidloom::desktop {

// Calls Manager.`method` with `arguments` and waits for the answer (at most
// kLogindCallTimeoutMs). Returns the reply, or an error message when the connection is down, no
// logind answers, or the call fails or times out.
QDBusMessage CallLogindManager(const QDBusConnection& bus, const QString& method,
                               const QList<QVariant>& arguments = {});

// True for a reply (not an error) whose first argument is present.
bool HasAnswer(const QDBusMessage& reply);

}  // namespace vidloom::desktop
