// A main-window model with the format and option selectors as the window's creation leaves
// them, for tests of the format refresh and the command assembly.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "model/forms.h"
#include "profiles/format_selectors.h"
#include "profiles/volume.h"
#include "profiles/window_state.h"

namespace vidloom::testing {

class Window {
 public:
  Window() {
    form.ComboLetterBox.SetItems({"None", "LetterBox"});
    form.ComboLetterBox.Select(1);
    FillFormatList(form);
    state.PreviousFormatIndex = form.ComboOutputFormat.selected();
    RefreshFormatOptions(form, state);
    form.ComboOutputFormat.on_change = [this] { RefreshFormatOptions(form, state); };
    form.VolumeSlider.on_change = [this] { VolumeSliderChange(form, state); };
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // The user picks the row with exactly this text.
  void Choose(std::string_view text) {
    const auto& items = form.ComboOutputFormat.items();
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      if (items[i] == text) {
        form.ComboOutputFormat.UserSelect(i);
        return;
      }
    }
    ADD_FAILURE() << "no format row \"" << text << "\"";
  }

  // Adds a checked row; its "Output" cell gets the selected format's extension.
  int AddRow(std::string path, std::string video_size) {
    FileEntry entry;
    entry.checked = true;
    entry.input_path = std::move(path);
    entry.media = MediaFacts::Of(std::move(video_size), "", "");
    FormatExtension(form, entry.output_extension);  // as adding a file does
    return form.FileList.AddRow(std::move(entry));
  }

  MainForm form;
  WindowState state;
};

}  // namespace vidloom::testing
