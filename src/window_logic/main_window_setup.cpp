#include "window_logic/main_window_setup.h"

#include "profiles/format_selectors.h"
#include "profiles/volume.h"
#include "texts/language.h"

namespace vidloom {

void ConnectSelectorHandlers(MainForm& form, WindowState& state) {
  form.ComboOutputFormat.on_change = [&form, &state] { RefreshFormatOptions(form, state); };
  form.VolumeSlider.on_change = [&form, &state] { VolumeSliderChange(form, state); };
}

void SetUpSelectors(MainForm& form, WindowState& state) {
  form.ComboLetterBox.SetItems({N_("None"), N_("LetterBox")});
  form.ComboLetterBox.Select(1);
  state.VolumeFactor = "50";
  FillFormatList(form);
  state.DropDownItemCount = 27;
  state.PreviousFormatIndex = form.ComboOutputFormat.selected();
  RefreshFormatOptions(form, state);
  form.ComboAspectRatio.SelectText("Original ");
}

void RefreshSelectorsOnShow(MainForm& form, WindowState& state) {
  RefreshFormatOptions(form, state);
}

}  // namespace vidloom
