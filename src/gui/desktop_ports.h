// The desktop services of the Qt program: file and folder choosers, help and links.
#pragma once

#include <QWidget>

#include "window_logic/add_files.h"
#include "window_logic/headless_desktop.h"
#include "window_logic/ports.h"

namespace vidloom::gui {

// "Description|patterns|..." (patterns separated by ';', blanks allowed) in Qt's filter syntax:
// "Description (p1 p2);;...", same entries, same order.
QString QtFilterOf(const std::string& filter);

class QtFileDialog : public FileDialog {
 public:
  explicit QtFileDialog(QWidget* parent) : parent_(parent) {}
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& filter) override;

 private:
  QWidget* parent_;
};

class QtFolderChooser : public FolderChooser {
 public:
  explicit QtFolderChooser(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> ChooseFolder(const std::string& headline,
                                          const std::string& preselected) override;

 private:
  QWidget* parent_;
};

// Help, links and folders through the desktop's handlers; the start-up script as the headless one
// runs it.
class QtDesktop : public HeadlessDesktop {
 public:
  bool OpenHelpFile(const std::string& path) override;
  bool OpenUrl(const std::string& url) override;
  bool OpenFolder(const std::string& path) override;
  // org.freedesktop.FileManager1 ShowItems on the session bus, where a file manager offers it.
  bool ShowFile(const std::string& path) override;
};

}  // namespace vidloom::gui
