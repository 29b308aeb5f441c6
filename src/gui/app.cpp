#include "gui/app.h"

#include <QApplication>
#include <QStyleFactory>

#include "gui/about_box_view.h"
#include "gui/analyzing_window_view.h"
#include "gui/icons.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_ui_thread.h"
#include "gui/warning_window_view.h"
#include "gui/window_style.h"
#include "shell/model/forms.h"

namespace vidloom::gui {

int RunDesktop(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vidloom"));
  QApplication::setApplicationDisplayName(QStringLiteral("Vidloom"));
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setWindowIcon(MakeIcon(IconKind::kApp));

  // The windows in their creation order; each lives until the program ends.
  TForm1 form1;
  TFormAnalyzingSplash splash;
  TFormAbout about;
  TForm3 warning;
  TForm4 options;

  QtUiThread ui;
  MainWindowView main_window(form1);
  QtDialogs dialogs(&main_window);
  AnalyzingWindowView splash_view(splash, &main_window);
  AboutBoxView about_view(about, &main_window);
  WarningWindowView warning_view(warning, &main_window);
  OptionsDialogView options_view(options, &main_window);
  ui.AttachTimer(form1.ConversionCountTimer);
  ui.AttachTimer(form1.TimerShutdown2);

  // Until the window handlers are wired here, the menu opens the windows it names.
  form1.SetGeneralOptions1.on_click = [&] { options_view.ShowWindow(); };
  form1.About1.on_click = [&] { about_view.ShowModal(); };
  form1.Exit1.on_click = [] { QApplication::quit(); };

  main_window.show();
  const int code = QApplication::exec();
  ui.DetachTimer(form1.ConversionCountTimer);
  ui.DetachTimer(form1.TimerShutdown2);
  return code;
}

}  // namespace vidloom::gui
