#include "gui/desktop_ports.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QFileDialog>
#include <QStringList>
#include <QUrl>

#include "desktop/file_manager.h"
#include "texts/language.h"

namespace vidloom::gui {

QString QtFilterOf(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'))) {
      if (!p.trimmed().isEmpty()) patterns << p.trimmed();
    }
    entries << QString::fromUtf8(texts::Tr(parts[i].toStdString())) + QStringLiteral(" (") +
                   patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

std::optional<std::vector<std::string>> QtFileDialog::ChooseFiles(const std::string& filter) {
  const QStringList files =
      QFileDialog::getOpenFileNames(parent_, QString(), QString(), QtFilterOf(filter));
  if (files.isEmpty()) return std::nullopt;
  std::vector<std::string> paths;
  for (const QString& f : files) paths.push_back(f.toStdString());
  return paths;
}

std::optional<std::string> QtFolderChooser::ChooseFolder(const std::string& headline,
                                                         const std::string& preselected) {
  const QString folder = QFileDialog::getExistingDirectory(
      parent_, QString::fromStdString(headline), QString::fromStdString(preselected));
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}

bool QtDesktop::OpenHelpFile(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtDesktop::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtDesktop::OpenFolder(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtDesktop::ShowFile(const std::string& path) {
  return desktop::ShowItemInFileManager(QDBusConnection::sessionBus(), path);
}

}  // namespace vidloom::gui
