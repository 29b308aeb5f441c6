#include "gui/qt_ui_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "model/controls.h"

namespace vidloom::gui {

QtUiThread::QtUiThread(platform::Clock& clock)
    : clock_(clock), receiver_(new QObject), self_(std::make_shared<QtUiThread*>(this)) {}

QtUiThread::~QtUiThread() {
  self_.reset();
  delete receiver_;  // deletes the QTimers with it
}

void QtUiThread::Post(Task task) {
  if (tasks_.Push(std::move(task))) {
    QMetaObject::invokeMethod(
        receiver_, [this] { tasks_.RunAll(); }, Qt::QueuedConnection);
  }
}

bool QtUiThread::OnUiThread() const {
  return QThread::currentThread() == receiver_->thread();
}

void QtUiThread::Pump() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtUiThread::PumpUntil(std::int64_t deadline_ms) {
  for (;;) {
    const std::int64_t left = deadline_ms - clock_.NowMs();
    if (left <= 0) break;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::min<std::int64_t>(left, 1'000'000)), Qt::PreciseTimer,
                       &loop, &QEventLoop::quit);
    loop.exec();
  }
  Pump();
}

void QtUiThread::AttachTimer(Timer& timer) {
  if (timers_.count(&timer)) return;
  auto* qtimer = new QTimer(receiver_);
  qtimer->setTimerType(Qt::PreciseTimer);
  QObject::connect(qtimer, &QTimer::timeout, receiver_, [&timer] {
    if (timer.on_timer) timer.on_timer();
  });
  timers_.emplace(&timer, qtimer);
  std::weak_ptr<QtUiThread*> weak = self_;
  timer.Subscribe([weak, &timer] {
    if (auto self = weak.lock()) (*self)->Follow(timer);
  });
  Follow(timer);
}

QTimer* QtUiThread::TimerOf(const Timer& timer) const {
  const auto it = timers_.find(&timer);
  return it == timers_.end() ? nullptr : it->second;
}

void QtUiThread::DetachTimer(Timer& timer) {
  auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  delete it->second;
  timers_.erase(it);
}

void QtUiThread::Follow(Timer& timer) {
  auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  QTimer* qtimer = it->second;
  const int interval = std::max(1, timer.interval_ms());
  if (!timer.enabled()) {
    qtimer->stop();
  } else if (!qtimer->isActive()) {
    qtimer->start(interval);
  } else if (qtimer->interval() != interval) {
    qtimer->setInterval(interval);  // restarts the running interval
  }
}

}  // namespace vidloom::gui
