#include "shell/main_window_setup.h"

#include "profiles/catalogue.h"
#include "profiles/volume.h"

namespace vidloom {

void ConnectSelectorHandlers(TForm1& form, WindowState& state) {
  form.ComboOutputFormat.on_change = [&form, &state] { RefreshFormatOptions(form, state); };
  form.TrackBar1.on_change = [&form, &state] { TrackBar1Change(form, state); };
}

void SetUpSelectors(TForm1& form, WindowState& state) {
  form.ComboLetterBox.SetItems({"None", "LetterBox"});
  form.ComboLetterBox.Select(1);
  state.VolumeFactor = "50";
  FillFormatList(form);
  state.DropDownItemCount = 27;
  state.PreviousFormatIndex = form.ComboOutputFormat.selected();
  RefreshFormatOptions(form, state);
  form.ComboAspectRatio.SelectText("Original ");
}

void RefreshSelectorsOnShow(TForm1& form, WindowState& state) {
  RefreshFormatOptions(form, state);
}

}  // namespace vidloom
