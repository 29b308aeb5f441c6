// What the program's windows ask of the window logic and pass on to it, once for both views:
// the close boxes, the About box's links, the file list's Delete key, the output directory's
// label, dropped files. A view's ProgramWindows gives each of its windows' hooks the entry here.
//
//   const WindowHandlers handlers = WindowHandlersOf(window);
//   main_view.close_query = handlers.may_close_main;
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "window_logic/main_window.h"

namespace vidloom {

struct WindowHandlers {
  std::function<bool()> may_close_main;
  std::function<bool()> may_close_warning;
  std::function<bool()> may_close_analyzing;
  std::function<void()> website_click;
  std::function<void()> support_click;
  std::function<void()> delete_key;
  // The mouse rests on "Output Directory : ": its hint becomes the whole output path.
  std::function<void()> output_folder_label_enter;
  // Dropped files are refused while the logic would take none; they are added after the drop
  // has returned (the file manager waits for it; the analysis runs the loop), which the view's
  // loop sees to.
  std::function<bool()> drops_allowed;
  std::function<void(const std::vector<std::string>&)> add_dropped_files;
};

// `window` must outlive the handlers.
inline WindowHandlers WindowHandlersOf(MainWindow& window) {
  MainWindow* logic = &window;
  return {
      .may_close_main = [logic] { return logic->TryClose(); },
      .may_close_warning = [logic] { return logic->MayCloseWarning(); },
      .may_close_analyzing = [logic] { return logic->MayCloseAnalyzing(); },
      .website_click = [logic] { logic->WebsiteLinkClick(); },
      .support_click = [logic] { logic->SupportLinkClick(); },
      .delete_key = [logic] { logic->DeleteKeyPressed(); },
      .output_folder_label_enter = [logic] { logic->OutputFolderLabelMouseEnter(); },
      .drops_allowed = [logic] { return logic->AcceptsGivenFiles(); },
      .add_dropped_files =
          [logic](const std::vector<std::string>& paths) { logic->AddGivenFiles(paths); },
  };
}

}  // namespace vidloom
