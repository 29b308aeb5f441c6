#include "gui/review_shots.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QHelpEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "gui/about_box_view.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/program_windows.h"
#include "gui/warning_window_view.h"
#include "window_logic/main_window.h"

namespace vidloom::gui {

namespace {

constexpr char kVariable[] = "VIDLOOM_SCREENSHOTS";
// How long a newly shown window is given to be laid out and painted.
constexpr int kSettleMs = 300;
// How often the list is checked for the end of the start-up adding.
constexpr int kPollMs = 100;

void Settle() {
  QEventLoop loop;
  QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget& window, const QString& dir, const char* name) {
  Settle();
  const QString path = dir + QLatin1Char('/') + QLatin1String(name);
  const bool ok = window.grab().save(path);
  std::fprintf(stderr, "%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
  return ok;
}

// Saves the part of the screen where `window` stands, with whatever pops up over it (a tooltip).
bool SaveScreenAround(QWidget& window, const QString& dir, const char* name) {
  Settle();
  const QRect frame = window.frameGeometry().adjusted(-8, -8, 8, 8);
  const QString path = dir + QLatin1Char('/') + QLatin1String(name);
  const bool ok = QGuiApplication::primaryScreen()
                      ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                      .save(path);
  std::fprintf(stderr, "%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
  return ok;
}

// Answers the next question box with `button` once it is shown.
void AnswerNextQuestion(QWidget& owner, QMessageBox::StandardButton button) {
  auto* poll = new QTimer(&owner);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, button] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || box->button(button) == nullptr) return;
    poll->stop();
    poll->deleteLater();
    box->button(button)->click();
  });
  poll->start(kPollMs);
}

// After the batch: the rows' states, the summary and (the box ticked with Yes) the power-off
// notice in the status bar (batch-end.png); then a row's tooltip as hovering shows it
// (tooltip.png). Ends like File > Exit.
void ShootBatchEnd(MainWindow& window, ProgramWindows& windows, const QString& dir, bool ok) {
  AnswerNextQuestion(windows.main(), QMessageBox::Yes);
  window.options_form.CheckBoxShutDown.SetChecked(true);
  ok = Save(windows.main(), dir, "batch-end.png") && ok;
  // Unticked again at once: nothing may power off after this.
  window.options_form.CheckBoxShutDown.SetChecked(false);

  auto* list = windows.main().findChild<QAbstractItemView*>(QStringLiteral("FileList"));
  if (list != nullptr && list->model() != nullptr && list->model()->rowCount() > 0) {
    const QPoint at = list->visualRect(list->model()->index(0, 0)).center();
    QHelpEvent hover(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &hover);
    ok = SaveScreenAround(windows.main(), dir, "tooltip.png") && ok;
  } else {
    ok = false;
  }
  window.list_keeper().Forget();  // as File > Exit: nothing is left to restore
  QCoreApplication::exit(ok ? 0 : 1);
}

// Converts the checked rows into a folder of its own, dismissing the end's message, then
// shoots the end.
void ConvertThenShoot(MainWindow& window, ProgramWindows& windows, const QString& dir, bool ok) {
  auto output = std::make_shared<QTemporaryDir>();
  window.options_form.CheckBoxShutDown.SetChecked(false);
  window.main_form.OutputFolder.SetText(output->path().toStdString());
  window.main_form.ConvertNowButton.Click();
  auto* poll = new QTimer(&windows.main());
  QObject::connect(poll, &QTimer::timeout, poll, [poll, output, &window, &windows, dir, ok] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
      return;
    }
    if (window.BatchRunning()) return;
    poll->stop();
    poll->deleteLater();
    ShootBatchEnd(window, windows, dir, ok);
  });
  poll->start(kPollMs);
}

void Shoot(MainWindow& window, ProgramWindows& windows, const QString& dir) {
  bool ok = QDir().mkpath(dir);
  if (window.main_form.FileList.count() > 0) window.main_form.FileList.Select(0);
  ok = Save(windows.main(), dir, "main.png") && ok;

  window.SetOptionsEntryClick();
  ok = Save(windows.options(), dir, "options.png") && ok;

  // The whole screen while the options dialog asks its shutdown question: how the windows
  // stack (and, under a window manager, their title bars). The question is answered No, so the
  // box stays unticked and nothing can power the computer off.
  window.options_form.CheckBoxShutDown.SetChecked(false);
  QTimer::singleShot(kSettleMs * 2, &windows.main(), [dir, &ok] {
    const QString path = dir + QStringLiteral("/screen.png");
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    ok = saved && ok;
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->button(QMessageBox::No)->click();
    }
  });
  window.options_form.CheckBoxShutDown.SetChecked(true);
  windows.options().HideWindow();

  // Shown without ArmShutdownCountdown: no timer runs, so no tick can reach the power-off.
  window.warning_form.visible = true;
  window.warning_form.Changed();
  ok = Save(windows.warning(), dir, "warning.png") && ok;
  window.warning_form.visible = false;
  window.warning_form.Changed();

  window.AboutEntryClick();
  ok = Save(windows.about(), dir, "about.png") && ok;
  windows.about().HideWindow();

  ConvertThenShoot(window, windows, dir, ok);
}

}  // namespace

bool ReviewShotsWanted() {
  return !qEnvironmentVariable(kVariable).isEmpty();
}

void ScheduleReviewShots(MainWindow& window, ProgramWindows& windows) {
  const QString dir = qEnvironmentVariable(kVariable);
  if (dir.isEmpty()) return;
  // Waits until the start-up adding (queued before this) has ended: it pumps the loop while it
  // analyses, so this timer may fire in the middle of it.
  auto* poll = new QTimer(&windows.main());
  QObject::connect(poll, &QTimer::timeout, poll, [poll, &window, &windows, dir] {
    if (!window.AcceptsGivenFiles() || window.analyzing_form.visible) return;
    poll->stop();
    Shoot(window, windows, dir);
    poll->deleteLater();
  });
  poll->start(kPollMs);
}

}  // namespace vidloom::gui
