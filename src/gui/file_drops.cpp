#include "gui/file_drops.h"

#include <QByteArray>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>

namespace vidloom::gui {
namespace {

bool IsThisHost(const QString& host) {
  return host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
         host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// "scheme://..." with a scheme other than file (a file name rarely looks so).
bool IsOtherUrl(const QByteArray& arg) {
  const qsizetype colon = arg.indexOf("://");
  if (colon <= 0) return false;
  for (qsizetype i = 0; i < colon; ++i) {
    const char c = arg[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    if (!letter && (i == 0 || (!digit && c != '+' && c != '-' && c != '.'))) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> LocalFilePaths(const QList<QUrl>& urls) {
  std::vector<std::string> paths;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile() || !IsThisHost(url.host())) continue;
    // The encoded path keeps bytes that are not UTF-8 as %XX; decoding gives the name's bytes.
    const QByteArray path =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!path.isEmpty()) paths.push_back(path.toStdString());
  }
  return paths;
}

std::vector<std::string> CommandLineFiles(int argc, const char* const* argv) {
  std::vector<std::string> files;
  bool after_options = false;
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg(argv[i]);
    if (arg.isEmpty()) continue;
    if (!after_options && arg == "--") {
      after_options = true;
      continue;
    }
    if (!after_options && arg.startsWith('-') && arg.size() > 1) continue;  // an option
    if (arg.startsWith("file:")) {
      for (auto& path : LocalFilePaths({QUrl::fromEncoded(arg)})) files.push_back(std::move(path));
    } else if (IsOtherUrl(arg)) {
      continue;
    } else {
      files.push_back(arg.toStdString());
    }
  }
  return files;
}

bool FileDropTarget::AcceptIfTaken(QDropEvent* event) const {
  const QMimeData* data = event->mimeData();
  if (!on_drop || (allowed && !allowed()) || !data || !data->hasUrls() ||
      LocalFilePaths(data->urls()).empty()) {
    return false;
  }
  const Qt::DropActions offered = event->possibleActions();
  if (offered & Qt::CopyAction) {
    event->setDropAction(Qt::CopyAction);
  } else if (offered & Qt::LinkAction) {
    event->setDropAction(Qt::LinkAction);
  } else {
    return false;
  }
  event->accept();
  return true;
}

void FileDropTarget::DragEnter(QDragEnterEvent* event) {
  if (!AcceptIfTaken(event)) event->ignore();
}

void FileDropTarget::DragMove(QDragMoveEvent* event) {
  if (!AcceptIfTaken(event)) event->ignore();
}

void FileDropTarget::Drop(QDropEvent* event) {
  if (!AcceptIfTaken(event)) {
    event->ignore();
    return;
  }
  const std::vector<std::string> paths = LocalFilePaths(event->mimeData()->urls());
  if (!paths.empty()) on_drop(paths);
}

}  // namespace vidloom::gui
