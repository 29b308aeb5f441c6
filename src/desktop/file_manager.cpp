#include "desktop/file_manager.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace vidloom::desktop {

bool ShowItemInFileManager(QDBusConnection bus, const std::string& path) {
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  const QString service = QString::fromLatin1(kFileManagerService);
  const bool offered = bus.interface()->isServiceRegistered(service).value() ||
                       bus.interface()->activatableServiceNames().value().contains(service);
  if (!offered) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(kFileManagerPath),
                                                     QString::fromLatin1(kFileManagerInterface),
                                                     QStringLiteral("ShowItems"));
  const QString uri =
      QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded);
  call << QStringList{uri} << QString();
  // No answer is awaited: a file manager that takes its time must not hold up the window.
  bus.asyncCall(call);
  return true;
}

}  // namespace vidloom::desktop
