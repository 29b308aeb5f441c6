// What the main window asks of the desktop it runs on. Each front-end supplies its own
// implementations: the Qt program the real ones, vidloom-cli and tests quiet or scripted ones.
// Every call comes from the UI thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The message boxes and questions, which the batch and the settings below the shell use too.
#include "model/dialogs.h"

namespace vidloom {

// Powers the computer off. Tests use a fake; no test program links a real implementation.
class PowerOff {
 public:
  virtual ~PowerOff() = default;
  // Requests a power-off now; true when the request was accepted. Nobody waits for the result.
  virtual bool PowerOffComputer() = 0;
};

// Keeps the computer from suspending while a batch converts. Nothing here reports a failure: where
// the desktop cannot hold such a lock, the calls do nothing.
class SleepInhibitor {
 public:
  virtual ~SleepInhibitor() = default;
  // Takes the lock, giving `why` as the reason the desktop may show. A second Hold while held
  // keeps the one lock.
  virtual void Hold(const std::string& why) = 0;
  // Gives the lock back; does nothing when none is held.
  virtual void Release() = 0;
};

// Programs and documents opened beside the program. The openers answer whether the desktop
// took the request (false: no handler, nothing was opened), so that the user can be told.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // Starts the start-up script `script_path` without waiting for it; a missing one is ignored.
  virtual void RunStartupScript(const std::string& script_path) = 0;
  // Opens the user manual at `path` in the desktop's viewer.
  virtual bool OpenHelpFile(const std::string& path) = 0;
  // Opens `url` (a web page or a mailto: link) with the desktop's handler.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Shows the folder at `path` in the file manager.
  virtual bool OpenFolder(const std::string& path) = 0;
  // Shows the file at `path` selected in its folder, where the desktop's file manager offers
  // that; false when it does not (the caller then opens the folder).
  virtual bool ShowFile(const std::string& path) = 0;
};

// Desktop notifications (a message in the desktop's corner, outside the program's windows).
class Notifier {
 public:
  virtual ~Notifier() = default;
  // Shows `summary` with `body`; without a notification service it does nothing. Never waits
  // for the desktop.
  virtual void Notify(const std::string& summary, const std::string& body) = 0;
};

// The folder chooser of the output directory.
class FolderChooser {
 public:
  virtual ~FolderChooser() = default;
  // Shows `headline` and lets the user pick an existing folder, starting at `preselected`
  // (empty: wherever the chooser likes). Returns the folder's path as the chooser gives it, or
  // nullopt when the user cancels.
  virtual std::optional<std::string> ChooseFolder(const std::string& headline,
                                                  const std::string& preselected) = 0;
};

// The multi-selection open dialog ("OpenDialog1"): several files at once, no read-only box,
// resizable, no title or start directory of its own, typed names need not exist.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // Shows the dialog with `filter` (pairs as in SupportedFilesFilter). Returns the chosen paths
  // in the dialog's order, or nullopt when the user cancelled.
  virtual std::optional<std::vector<std::string>> ChooseFiles(const std::string& filter) = 0;
};

}  // namespace vidloom
