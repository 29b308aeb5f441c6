// Files that reach the program from outside its file dialog: local files dragged from a file
// manager onto a window, and the paths named on the command line ("Open With" passes them).
#pragma once

#include <QList>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;

namespace vidloom::gui {

// The local paths of `urls`, in their order, byte for byte as the file system names them (a
// name that is not valid UTF-8 survives). URLs of other schemes and of other hosts are left out.
std::vector<std::string> LocalFilePaths(const QList<QUrl>& urls);

// The paths named by argv[1..argc) after QApplication has taken its own options out of argv:
// "file:" URLs become local paths (remote ones are left out), URLs of other schemes
// ("https://...") are left out, options (arguments starting with "-" before a "--") are left
// out, every other argument stays as given. Empty ones are skipped.
std::vector<std::string> CommandLineFiles(int argc, const char* const* argv);

// The drop handling a widget forwards its drag and drop events to. A drag is accepted only when
// it carries at least one local file, `on_drop` is set and `allowed` (when set) says yes; the
// action taken is a copy (or a link when the source offers no copy), never a move, so the file
// manager keeps its files.
class FileDropTarget {
 public:
  // Asked when a drag enters or moves and again at the drop; unset: always allowed.
  std::function<bool()> allowed;
  // Receives the local paths of an accepted drop. It runs inside the drop event, while the drag
  // source waits: long work belongs in a queued call.
  std::function<void(const std::vector<std::string>&)> on_drop;

  void DragEnter(QDragEnterEvent* event);
  void DragMove(QDragMoveEvent* event);
  void Drop(QDropEvent* event);

 private:
  // Accepts `event` with a copy or link action when the drop can be taken; false otherwise.
  bool AcceptIfTaken(QDropEvent* event) const;
};

}  // namespace vidloom::gui
