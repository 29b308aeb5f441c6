// Desktop notifications against a stand-in notification service on a private bus: what the
// service is sent, and nothing happening without a service or a bus.
#include "desktop/desktop_notifier.h"
#include "desktop/file_manager.h"

#include <gtest/gtest.h>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QTest>
#include <QThread>
#include <QVariantMap>
#include <mutex>
#include <vector>

#include "desktop/private_bus.h"

namespace vidloom::desktop {

// Stands in for the desktop's notification service; records every Notify.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Call {
    QString app, icon, summary, body;
    uint replaces;
    int timeout;
  };
  std::vector<Call> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 public Q_SLOTS:
  uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
              const QString& body, const QStringList&, const QVariantMap&, int timeout) {
    std::lock_guard lock(mutex_);
    calls_.push_back({app, icon, summary, body, replaces, timeout});
    return static_cast<uint>(calls_.size());
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

// Stands in for the desktop's file manager; records every ShowItems.
class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  std::vector<QStringList> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 public Q_SLOTS:
  void ShowItems(const QStringList& uris, const QString&) {
    std::lock_guard lock(mutex_);
    calls_.push_back(uris);
  }

 private:
  mutable std::mutex mutex_;
  std::vector<QStringList> calls_;
};

namespace {

TEST(FileManagerTest, TheFileIsShownWhereAFileManagerOffersIt) {
  testing::PrivateBus bus;
  if (bus.address().empty()) GTEST_SKIP() << bus.error();
  QDBusConnection client =
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "files-client");
  EXPECT_FALSE(ShowItemInFileManager(client, "/srv/out/clip one.mp4")) << "no file manager";

  FakeFileManager service;
  QThread thread;
  thread.start();
  service.moveToThread(&thread);
  QDBusConnection server =
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "files-server");
  ASSERT_TRUE(server.registerObject(kFileManagerPath, &service, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(server.registerService(kFileManagerService));
  EXPECT_TRUE(ShowItemInFileManager(client, "/srv/out/clip one.mp4"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !service.Calls().empty(); }, 5000));
  EXPECT_EQ(service.Calls().front(), QStringList{"file:///srv/out/clip%20one.mp4"});

  server.unregisterService(kFileManagerService);
  thread.quit();
  thread.wait();
  QDBusConnection::disconnectFromBus("files-server");
  QDBusConnection::disconnectFromBus("files-client");
}

TEST(DesktopNotifierTest, TheServiceIsToldTheSummaryAndTheBody) {
  testing::PrivateBus bus;
  if (bus.address().empty()) GTEST_SKIP() << bus.error();
  FakeNotifications service;
  QThread thread;
  thread.start();
  service.moveToThread(&thread);
  QDBusConnection server =
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "notify-server");
  ASSERT_TRUE(server.registerObject(kNotificationsPath, &service, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(server.registerService(kNotificationsService));

  DesktopNotifier notifier(
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "notify-client"));
  notifier.Notify("Vidloom", "2 converted, 1 failed");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !service.Calls().empty(); }, 5000));
  const auto calls = service.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].app, "Vidloom");
  EXPECT_EQ(calls[0].icon, "vidloom");
  EXPECT_EQ(calls[0].summary, "Vidloom");
  EXPECT_EQ(calls[0].body, "2 converted, 1 failed");
  EXPECT_EQ(calls[0].replaces, 0u);
  EXPECT_EQ(calls[0].timeout, -1);

  server.unregisterService(kNotificationsService);
  thread.quit();
  thread.wait();
  QDBusConnection::disconnectFromBus("notify-server");
  QDBusConnection::disconnectFromBus("notify-client");
}

TEST(DesktopNotifierTest, WithoutAServiceOrABusNothingHappensAndNothingWaits) {
  testing::PrivateBus bus;
  if (bus.address().empty()) GTEST_SKIP() << bus.error();
  const auto started = std::chrono::steady_clock::now();
  DesktopNotifier without_service(
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "notify-alone"));
  without_service.Notify("Vidloom", "1 file converted");
  DesktopNotifier without_bus(QDBusConnection::connectToBus(
      QStringLiteral("unix:path=/nonexistent/vidloom-bus"), "notify-nowhere"));
  without_bus.Notify("Vidloom", "1 file converted");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  QDBusConnection::disconnectFromBus("notify-alone");
  QDBusConnection::disconnectFromBus("notify-nowhere");
}

}  // namespace
}  // namespace vidloom::desktop

#include "notifier_test.moc"
