// Stand-ins for the main window's desktop ports that record what the window asked of them. The
// real power-off is never called from a test: FakePowerOff takes its place.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "window_logic/ports.h"

namespace vidloom::testing {

// Counts power-off requests and notes how often the loop had been asked to end before the first.
class FakePowerOff : public PowerOff {
 public:
  explicit FakePowerOff(const int& quits) : quits_(quits) {}
  bool PowerOffComputer() override {
    if (calls++ == 0) quits_before_first_call = quits_;
    return true;
  }
  int calls = 0;
  int quits_before_first_call = -1;

 private:
  const int& quits_;
};

class RecordingDesktop : public Desktop {
 public:
  void RunStartupScript(const std::string& path) override {
    scripts.push_back(path);
    if (on_script) on_script();
  }
  bool OpenHelpFile(const std::string& path) override {
    help.push_back(path);
    return opens;
  }
  bool OpenUrl(const std::string& url) override {
    urls.push_back(url);
    return opens;
  }
  bool OpenFolder(const std::string& path) override {
    folders.push_back(path);
    return opens;
  }
  bool ShowFile(const std::string& path) override {
    shown_files.push_back(path);
    return shows_files;
  }
  bool opens = true;         // false: the desktop has no handler for anything
  bool shows_files = false;  // true: a file manager selects a file in its folder
  std::vector<std::string> folders, shown_files;
  std::vector<std::string> scripts, help, urls;
  std::function<void()> on_script;
};

class RecordingNotifier : public Notifier {
 public:
  void Notify(const std::string& summary, const std::string& body) override {
    shown.push_back(summary + ": " + body);
  }
  std::vector<std::string> shown;
};

}  // namespace vidloom::testing
