#include "gui/app.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <QWindow>
#include <chrono>
#include <cstdio>

#include "desktop/desktop_notifier.h"
#include "desktop/logind_power_off.h"
#include "desktop/logind_sleep_inhibitor.h"
#include "gui/desktop_ports.h"
#include "gui/file_drops.h"
#include "gui/icons.h"
#include "gui/main_window_view.h"
#include "gui/program.h"
#include "gui/program_windows.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_ui_thread.h"
#include "gui/review_shots.h"
#include "gui/window_style.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "settings/settings.h"
#include "texts/language.h"
#include "window_logic/main_window.h"

namespace vidloom::gui {

namespace {

// Hidden switch for bench/gui: with VIDLOOM_BENCH_SHOWN set, prints "vidloom-shown <ns>" (the
// steady clock, i.e. CLOCK_MONOTONIC, in nanoseconds) to stderr once `window` is first exposed.
// A zero timer checks after each pass of the event loop, so the first paint is done by then.
void ReportShownForBench(QWidget& window) {
  if (!qEnvironmentVariableIsSet("VIDLOOM_BENCH_SHOWN")) return;
  auto* poll = new QTimer(&window);
  QObject::connect(poll, &QTimer::timeout, [poll, &window] {
    if (!window.windowHandle() || !window.windowHandle()->isExposed()) return;
    poll->stop();
    poll->deleteLater();
    const std::chrono::nanoseconds now = std::chrono::steady_clock::now().time_since_epoch();
    std::fprintf(stderr, "vidloom-shown %lld\n", static_cast<long long>(now.count()));
  });
  poll->start(0);
}

// The review switch converts a batch: it must never reach the real power-off.
class NoPowerOff : public PowerOff {
 public:
  bool PowerOffComputer() override { return false; }
};

// Qt's own texts (the buttons of its message boxes, its file dialog) in the program's language,
// from Qt's catalogues where the system has them.
void TranslateQtTexts(QApplication& app) {
  const std::string& code = texts::CurrentLanguage();
  if (code.empty()) return;
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_") + QString::fromStdString(code),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  }
}

}  // namespace

int RunDesktop(int argc, char** argv) {
  settings::UseProgramLanguage(settings::DefaultSettingsPath());
  // --help and --version answer on the terminal: no window, no display needed.
  if (const auto answered = AnswerOnTerminal(argc, argv)) return *answered;
  QApplication app(argc, argv);
  TranslateQtTexts(app);
  // What is left after Qt took its own options out of argv is ours: files, or a mistake.
  if (const auto unknown = UnknownOptions(argc, argv); !unknown.empty()) {
    std::fprintf(stderr, "vidloom: %s\n%s",
                 texts::Fill(texts::Tr("unknown option %s"), {unknown.front()}).c_str(),
                 ProgramUsageText().c_str());
    return 2;
  }
  QApplication::setApplicationName(QStringLiteral("Vidloom"));
  QApplication::setApplicationDisplayName(QStringLiteral("Vidloom"));
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setWindowIcon(MakeIcon(Picture::kApp));

  QtUiThread ui;
  QtDialogs dialogs(nullptr);
  QtDesktop desktop;
  QtFileDialog file_dialog(nullptr);
  QtFolderChooser folder_chooser(nullptr);
  // Power-off and the sleep lock go through systemd-logind; without it both do nothing.
  vidloom::desktop::LogindPowerOff power_off;
  NoPowerOff no_power_off;
  vidloom::desktop::LogindSleepInhibitor sleep_inhibitor(QDBusConnection::systemBus());
  // The end of a batch is told on the desktop when the window is not in front.
  vidloom::desktop::DesktopNotifier notifier(QDBusConnection::sessionBus());

  MainWindowOptions options;
  options.program_directory = platform::ProgramDirectory();
  options.required_files = platform::kRequiredFiles;
  options.keep_list = true;
  MainWindowPorts ports;
  ports.power_off = ReviewShotsWanted() ? static_cast<PowerOff*>(&no_power_off) : &power_off;
  ports.sleep_inhibitor = &sleep_inhibitor;
  ports.desktop = &desktop;
  ports.file_dialog = &file_dialog;
  ports.folder_chooser = &folder_chooser;
  ports.notifier = &notifier;
  ports.quit = QuitProgram;
  MainWindow window(ui, dialogs, options, ports);

  // Declared after `window`: the views go before the forms they draw.
  ProgramWindows windows(window, &dialogs);
  window.SetWindowActive([&windows] { return windows.main().isActiveWindow(); });

  window.Startup();
  windows.main().show();
  ReportShownForBench(windows.main());
  // Once the loop runs and the window shows: the list a crash left, offered back, then the files
  // named on the command line ("Open With" passes them). QApplication has taken its own options
  // (-platform, ...) out of argv already.
  const std::vector<std::string> given = CommandLineFiles(argc, argv);
  QTimer::singleShot(0, &windows.main(), [&window, given] { window.BeginSession(given); });
  ScheduleReviewShots(window, windows);
  return QApplication::exec();
}

}  // namespace vidloom::gui
