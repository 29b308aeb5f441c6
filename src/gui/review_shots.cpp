#include "gui/review_shots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "gui/about_box_view.h"
#include "gui/desktop_windows.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/warning_window_view.h"
#include "shell/main_window.h"

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

void Shoot(MainWindow& window, DesktopWindows& windows, const QString& dir) {
  bool ok = QDir().mkpath(dir);
  if (window.Form1.ListView1.count() > 0) window.Form1.ListView1.Select(0);
  ok = Save(windows.main(), dir, "main.png") && ok;

  window.SetGeneralOptions1Click();
  ok = Save(windows.options(), dir, "options.png") && ok;

  // The whole screen while the options dialog asks its shutdown question: how the windows
  // stack (and, under a window manager, their title bars). The question is answered No, so the
  // box stays unticked and nothing can power the computer off.
  QTimer::singleShot(kSettleMs * 2, &windows.main(), [dir, &ok] {
    const QString path = dir + QStringLiteral("/screen.png");
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    ok = saved && ok;
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->button(QMessageBox::No)->click();
    }
  });
  window.Form4.CheckBoxShutDown.SetChecked(true);
  windows.options().HideWindow();

  // Shown without ArmShutdownCountdown: no timer runs, so no tick can reach the power-off.
  window.Form3.visible = true;
  window.Form3.Changed();
  ok = Save(windows.warning(), dir, "warning.png") && ok;
  window.Form3.visible = false;
  window.Form3.Changed();

  window.About1Click();
  ok = Save(windows.about(), dir, "about.png") && ok;
  windows.about().HideWindow();

  // As File > Exit: the loop ends without the close query, so nothing is written.
  QCoreApplication::exit(ok ? 0 : 1);
}

}  // namespace

void ScheduleReviewShots(MainWindow& window, DesktopWindows& windows) {
  const QString dir = qEnvironmentVariable(kVariable);
  if (dir.isEmpty()) return;
  // Waits until the start-up adding (queued before this) has ended: it pumps the loop while it
  // analyses, so this timer may fire in the middle of it.
  auto* poll = new QTimer(&windows.main());
  QObject::connect(poll, &QTimer::timeout, poll, [poll, &window, &windows, dir] {
    if (!window.AcceptsGivenFiles() || window.FormAnalyzingSplash.visible) return;
    poll->stop();
    Shoot(window, windows, dir);
    poll->deleteLater();
  });
  poll->start(kPollMs);
}

}  // namespace vidloom::gui
