// The start-up script runner and a Desktop for programs without a window system.
#pragma once

#include <string>

#include "window_logic/ports.h"

namespace vidloom {

// Starts `script_path` with /bin/sh in `working_directory` and does not wait for it: the script
// runs in a session of its own with its standard streams on /dev/null, default signal handling
// and no blocked signals, and it outlives this program. Returns false, starting nothing, when
// `script_path` is not a file or /bin/sh cannot be started.
bool StartDetachedScript(const std::string& script_path, const std::string& working_directory);

// A Desktop without a window system: the start-up script runs for real (in the directory that
// holds it); the help file, links and folders are not opened.
class HeadlessDesktop : public Desktop {
 public:
  void RunStartupScript(const std::string& script_path) override;
  bool OpenHelpFile(const std::string&) override { return false; }
  bool OpenUrl(const std::string&) override { return false; }
  bool OpenFolder(const std::string&) override { return false; }
  bool ShowFile(const std::string&) override { return false; }
};

}  // namespace vidloom
