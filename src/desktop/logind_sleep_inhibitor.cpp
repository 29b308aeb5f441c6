#include "desktop/logind_sleep_inhibitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusUnixFileDescriptor>
#include <utility>

#include "desktop/logind_bus.h"
#include "desktop/logind_rules.h"

namespace vidloom::desktop {

LogindSleepInhibitor::LogindSleepInhibitor(QDBusConnection bus) : bus_(std::move(bus)) {}

LogindSleepInhibitor::~LogindSleepInhibitor() {
  Release();
}

void LogindSleepInhibitor::Hold(const std::string& why) {
  if (Held()) return;
  const QDBusMessage reply =
      CallLogindManager(bus_, QStringLiteral("Inhibit"),
                        {QString::fromLatin1(kInhibitWhat), QString::fromLatin1(kInhibitWho),
                         QString::fromStdString(why), QString::fromLatin1(kInhibitMode)});
  if (!HasAnswer(reply)) return;
  const QVariant answer = reply.arguments().first();
  if (!answer.canConvert<QDBusUnixFileDescriptor>()) return;
  const auto descriptor = answer.value<QDBusUnixFileDescriptor>();
  if (!descriptor.isValid()) return;
  // The reply's copies close with it; ours keeps the lock.
  lock_fd_ = fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

void LogindSleepInhibitor::Release() {
  if (!Held()) return;
  close(lock_fd_);
  lock_fd_ = -1;
}

}  // namespace vidloom::desktop
