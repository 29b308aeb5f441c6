// Review aid, not a test: shows the program's windows with sample content and saves a PNG of
// each into the directory given as the first argument. scripts/screenshots runs it under Xvfb.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>

#include "gui/about_box_view.h"
#include "gui/analyzing_window_view.h"
#include "gui/icons.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/warning_window_view.h"
#include "shell/model/forms.h"

using namespace vidloom;
using namespace vidloom::gui;

namespace {

void FillSample(TForm1& form) {
  form.ComboOutputFormat.SetItems({"PSP Video (*.mp4)", "PSP Video (4:3) (*.mp4)",
                                   "PSP AVC Video (*.mp4)", "PS3 Video(720P) (*.mp4)",
                                   "AAC Audio (*.aac)", "MP3 Audio (*.mp3)"});
  form.ComboOutputFormat.Select(0);
  form.ComboVideoCodec.SetItems({"MPEG-4", "H.264"});
  form.ComboVideoCodec.Select(0);
  form.ComboVideoSize.SetItems({"320 x 240", "368 x 208", "480 x 272"});
  form.ComboVideoSize.Select(0);
  form.ComboVideoBitrate.SetItems({"512 kbps", "768 kbps", "1024 kbps"});
  form.ComboVideoBitrate.Select(1);
  form.ComboVideoFramerate.SetItems({"29.97", "25", "15"});
  form.ComboVideoFramerate.Select(0);
  form.ComboAudioCodec.SetItems({"AAC"});
  form.ComboAudioCodec.Select(0);
  form.ComboAudioBitrate.SetItems({"96 kbps", "128 kbps"});
  form.ComboAudioBitrate.Select(1);
  form.ComboSamplingRate.SetItems({"24000", "48000"});
  form.ComboSamplingRate.Select(0);
  form.ComboLetterBox.SetItems({"None", "LetterBox"});
  form.ComboLetterBox.Select(1);
  form.Edit1.SetText("/home/user/Converted Video");
  const char* names[] = {"holiday_2019.avi", "concert.mkv", "lecture 04.wmv", "trailer.mov"};
  const char* sizes[] = {"640 x 480", "1280 x 720", "320 x 240", "Unknown"};
  const char* progress[] = {"Done", "47%", "", "Failed"};
  for (int i = 0; i < 4; ++i) {
    FileEntry e;
    e.checked = i != 2;
    e.caption = std::string("/home/user/Videos/") + names[i];
    e.cells = {sizes[i], "29.97",     "00:03:2" + std::to_string(i),
               "MP4",    progress[i], i == 1 ? "2210" : ""};
    form.ListView1.AddRow(e);
  }
  form.ListView1.Select(1);
  form.ProgressBar1.SetPosition(47);
  form.StatusBar1.SetPanel(1, "Converting 2 of 3");
  form.StatusBar1.SetPanel(2, "47%");
}

bool Save(QWidget* window, const QString& dir, const char* name) {
  const QString path = dir + QLatin1Char('/') + QLatin1String(name);
  const bool ok = window->grab().save(path);
  std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setWindowIcon(MakeIcon(IconKind::kApp));

  TForm1 form1;
  TFormAnalyzingSplash splash;
  TFormAbout about;
  TForm3 warning;
  TForm4 options;
  FillSample(form1);
  splash.Panel1.SetCaption("holiday_2019.avi");
  warning.Label2.SetCaption("12");
  about.Label4.SetCaption("Vidloom is free software.");

  MainWindowView main_window(form1);
  AnalyzingWindowView splash_view(splash, &main_window);
  AboutBoxView about_view(about, &main_window);
  WarningWindowView warning_view(warning, &main_window);
  OptionsDialogView options_view(options, &main_window);
  main_window.show();
  options_view.ShowWindow();
  warning_view.ShowWindow();
  splash_view.ShowWindow();
  about_view.show();

  int failures = 0;
  QTimer::singleShot(500, [&] {
    failures += !Save(&main_window, dir, "main_window.png");
    failures += !Save(&options_view, dir, "options_dialog.png");
    failures += !Save(&warning_view, dir, "warning_window.png");
    failures += !Save(&splash_view, dir, "analyzing_window.png");
    failures += !Save(&about_view, dir, "about_box.png");
    form1.ListView1.SetEnabled(false);
    form1.ComboOutputFormat.SetEnabled(false);
    form1.AddFileButton.SetEnabled(false);
    form1.ConvertNowButton.SetEnabled(false);
    QTimer::singleShot(100, [&] {
      failures += !Save(&main_window, dir, "main_window_converting.png");
      QApplication::quit();
    });
  });
  QApplication::exec();
  return failures == 0 ? 0 : 1;
}
