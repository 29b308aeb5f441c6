// The sleep lock against a stand-in logind on a private bus: the request logind sees, the lock
// lasting exactly as long as the inhibitor holds its descriptor, children not keeping it, and
// the quiet cases (no bus, no logind, a refusal).
#include "desktop/logind_sleep_inhibitor.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/logind_rules.h"
#include "desktop/private_bus.h"

extern char** environ;

namespace vidloom::desktop {

// Stands in for logind's Manager: every Inhibit hands out the write end of a new pipe and keeps
// the read end, so the test sees the lock end when every copy of the write end is closed.
// Calls arrive on the object's own thread; the test reads through the mutex.
class FakeLogind : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

 public:
  struct Request {
    std::string what, who, why, mode;
    bool operator==(const Request&) const = default;
  };

  ~FakeLogind() override {
    for (int fd : read_ends_) close(fd);
  }

  std::vector<Request> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  void SetRefuse(bool refuse) {
    std::lock_guard lock(mutex_);
    refuse_ = refuse;
  }
  // Waits up to timeout_ms for lock `index` to end (every copy of its descriptor closed).
  bool LockEnded(std::size_t index, int timeout_ms) const {
    int fd = -1;
    {
      std::lock_guard lock(mutex_);
      if (index >= read_ends_.size()) return false;
      fd = read_ends_[index];
    }
    pollfd hangup{fd, POLLIN, 0};
    return poll(&hangup, 1, timeout_ms) == 1 && (hangup.revents & POLLHUP);
  }

 public Q_SLOTS:
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                  const QString& mode) {
    std::lock_guard lock(mutex_);
    requests_.push_back(
        {what.toStdString(), who.toStdString(), why.toStdString(), mode.toStdString()});
    if (refuse_) {
      sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Permission denied"));
      return {};
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
      sendErrorReply(QDBusError::Failed, QStringLiteral("pipe failed"));
      return {};
    }
    read_ends_.push_back(ends[0]);
    QDBusUnixFileDescriptor handed_out(ends[1]);  // a copy; the reply carries it
    close(ends[1]);
    return handed_out;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<int> read_ends_;
  bool refuse_ = false;
};

namespace {

using testing::PrivateBus;

constexpr int kLockEndTimeoutMs = 5000;

QDBusConnection Connect(const std::string& address, const QString& name) {
  return QDBusConnection::connectToBus(QString::fromStdString(address), name);
}

class SleepInhibitorTest : public ::testing::Test {
 protected:
  // One private bus for the whole suite.
  static void SetUpTestSuite() { bus_ = std::make_unique<PrivateBus>(); }
  static void TearDownTestSuite() { bus_.reset(); }

  void SetUp() override {
    if (bus_->address().empty()) GTEST_SKIP() << bus_->error();
    static std::atomic<int> serial{0};
    const QString suffix = QString::number(++serial);
    service_name_ = QStringLiteral("fake-logind-") + suffix;
    client_name_ = QStringLiteral("client-") + suffix;
    ASSERT_TRUE(client().isConnected()) << client().lastError().message().toStdString();
  }
  void TearDown() override {
    if (logind_) {
      QDBusConnection service(service_name_);
      service.unregisterObject(QString::fromLatin1(kLogindPath));
      service.unregisterService(QString::fromLatin1(kLogindService));
      thread_.quit();
      thread_.wait();
    }
    QDBusConnection::disconnectFromBus(service_name_);
    QDBusConnection::disconnectFromBus(client_name_);
  }

  // The stand-in logind, on its own connection and thread, owning logind's name on the bus.
  FakeLogind& StartLogind() {
    logind_ = std::make_unique<FakeLogind>();
    thread_.start();
    logind_->moveToThread(&thread_);
    QDBusConnection service = Connect(bus_->address(), service_name_);
    EXPECT_TRUE(service.isConnected());
    EXPECT_TRUE(service.registerObject(QString::fromLatin1(kLogindPath), logind_.get(),
                                       QDBusConnection::ExportAllSlots));
    EXPECT_TRUE(service.registerService(QString::fromLatin1(kLogindService)));
    return *logind_;
  }

  QDBusConnection client() { return Connect(bus_->address(), client_name_); }

  static std::unique_ptr<PrivateBus> bus_;
  QString service_name_, client_name_;
  QThread thread_;
  std::unique_ptr<FakeLogind> logind_;
};

std::unique_ptr<PrivateBus> SleepInhibitorTest::bus_;

const FakeLogind::Request kConverting{"sleep", "Vidloom", "Converting files", "block"};

TEST_F(SleepInhibitorTest, TheLockLastsFromHoldToRelease) {
  FakeLogind& logind = StartLogind();
  LogindSleepInhibitor inhibitor(client());
  EXPECT_FALSE(inhibitor.Held());

  inhibitor.Hold("Converting files");
  EXPECT_TRUE(inhibitor.Held());
  EXPECT_EQ(logind.Requests(), std::vector<FakeLogind::Request>{kConverting});
  EXPECT_FALSE(logind.LockEnded(0, 0));

  inhibitor.Hold("Converting files");  // already held: logind is not asked again
  EXPECT_EQ(logind.Requests().size(), 1u);

  inhibitor.Release();
  EXPECT_FALSE(inhibitor.Held());
  EXPECT_TRUE(logind.LockEnded(0, kLockEndTimeoutMs));
  inhibitor.Release();  // nothing held: nothing happens

  // The next batch takes a new lock, with its own reason.
  inhibitor.Hold("Another batch");
  EXPECT_TRUE(inhibitor.Held());
  ASSERT_EQ(logind.Requests().size(), 2u);
  EXPECT_EQ(logind.Requests()[1].why, "Another batch");
  EXPECT_FALSE(logind.LockEnded(1, 0));
  inhibitor.Release();
  EXPECT_TRUE(logind.LockEnded(1, kLockEndTimeoutMs));
}

TEST_F(SleepInhibitorTest, TheLockEndsWithTheInhibitor) {
  FakeLogind& logind = StartLogind();
  {
    LogindSleepInhibitor inhibitor(client());
    inhibitor.Hold("Converting files");
    ASSERT_TRUE(inhibitor.Held());
  }
  EXPECT_TRUE(logind.LockEnded(0, kLockEndTimeoutMs));
}

// An encoder started while the lock is held must not keep it once the batch releases it.
TEST_F(SleepInhibitorTest, AChildStartedDuringTheLockDoesNotKeepIt) {
  FakeLogind& logind = StartLogind();
  LogindSleepInhibitor inhibitor(client());
  inhibitor.Hold("Converting files");
  ASSERT_TRUE(inhibitor.Held());

  // The child waits on its standard input, which ends when we close our end.
  int input[2];
  ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>("read line"),
                  nullptr};
  pid_t child = -1;
  ASSERT_EQ(posix_spawn(&child, "/bin/sh", &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);

  inhibitor.Release();
  const bool ended_while_child_runs = logind.LockEnded(0, kLockEndTimeoutMs);
  close(input[1]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(ended_while_child_runs);
}

TEST_F(SleepInhibitorTest, ARefusedRequestHoldsNothing) {
  FakeLogind& logind = StartLogind();
  logind.SetRefuse(true);
  LogindSleepInhibitor inhibitor(client());
  inhibitor.Hold("Converting files");
  EXPECT_FALSE(inhibitor.Held());
  EXPECT_EQ(logind.Requests().size(), 1u);
  inhibitor.Release();

  // Asked again at the next batch, and held once logind agrees.
  logind.SetRefuse(false);
  inhibitor.Hold("Converting files");
  EXPECT_TRUE(inhibitor.Held());
  EXPECT_EQ(logind.Requests().size(), 2u);
}

TEST_F(SleepInhibitorTest, ABusWithoutLogindHoldsNothing) {
  LogindSleepInhibitor inhibitor(client());
  inhibitor.Hold("Converting files");
  EXPECT_FALSE(inhibitor.Held());
  inhibitor.Release();
  EXPECT_FALSE(inhibitor.Held());
}

TEST(SleepInhibitorWithoutBusTest, NoBusHoldsNothing) {
  const QString name = QStringLiteral("no-bus");
  {
    LogindSleepInhibitor inhibitor(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/vidloom-bus"), name));
    inhibitor.Hold("Converting files");
    EXPECT_FALSE(inhibitor.Held());
    inhibitor.Release();
  }
  QDBusConnection::disconnectFromBus(name);
}

}  // namespace
}  // namespace vidloom::desktop

#include "sleep_inhibitor_test.moc"
