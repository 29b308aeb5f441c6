// Writes the program icon, as the program paints it, into a hicolor icon theme directory:
//   QT_QPA_PLATFORM=offscreen vidloom_icon_export data/icons/hicolor
// gives <dir>/<N>x<N>/apps/vidloom.png for each size the desktops look for. Run once when the
// icon's painting changes; the PNG files are committed.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "gui/icons.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vidloom_icon_export <hicolor directory>\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    const QString file = dir + QStringLiteral("/vidloom.png");
    if (!QDir().mkpath(dir) ||
        !vidloom::gui::MakePixmap(vidloom::gui::Picture::kApp, size).save(file, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
    std::printf("%s\n", qPrintable(file));
  }
  return 0;
}
