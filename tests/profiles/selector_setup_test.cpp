// The main window's selector set-up at creation and show, and its two handlers.
#include <gtest/gtest.h>

#include "profiles/catalogue.h"
#include "window_logic/main_window_setup.h"

namespace vidloom {
namespace {

TEST(SelectorSetup, CreationFillsTheSelectorsForTheFirstEntry) {
  MainForm form;
  WindowState state;
  state.VolumeFactor = "90";
  form.ComboAspectRatio.Select(2);
  ConnectSelectorHandlers(form, state);
  SetUpSelectors(form, state);
  EXPECT_EQ(form.ComboLetterBox.items(), (std::vector<std::string>{"None", "LetterBox"}));
  EXPECT_EQ(form.ComboLetterBox.text(), "LetterBox");
  EXPECT_EQ(form.ComboOutputFormat.text(), "PSP Video (Good Quality) (*.mp4)");
  EXPECT_EQ(form.ComboOutputFormat.drop_down_count(), 27);
  EXPECT_EQ(state.PreviousFormatIndex, 0);
  EXPECT_EQ(state.ProfileTag, "psp");
  EXPECT_EQ(state.VolumeFactor, "50");
  EXPECT_EQ(form.ComboVideoSize.text(), "368 x 208");
  EXPECT_EQ(form.ComboAspectRatio.text(), "Original ");
  EXPECT_EQ(form.VolumeSlider.position(), 5);
}

TEST(SelectorSetup, HandlersRefreshTheFormatAndMapTheVolume) {
  MainForm form;
  WindowState state;
  ConnectSelectorHandlers(form, state);
  SetUpSelectors(form, state);
  form.ComboOutputFormat.UserSelect(12);
  EXPECT_EQ(form.ComboAudioCodec.text(), "mp3");
  EXPECT_EQ(state.PreviousFormatIndex, 12);
  form.VolumeSlider.SetPosition(1);
  EXPECT_EQ(form.VolumePercent.caption(), "20%");
  EXPECT_EQ(state.VolumeFactor, "2");
  form.ComboOutputFormat.UserSelect(14);
  EXPECT_EQ(form.VolumePercent.caption(), "100%");
  EXPECT_EQ(state.VolumeFactor, "50");
}

TEST(SelectorSetup, ShowAppliesTheRestoredEntry) {
  MainForm form;
  WindowState state;
  ConnectSelectorHandlers(form, state);
  SetUpSelectors(form, state);
  form.ComboOutputFormat.Select(9);  // restored by the settings
  state.DropDownItemCount = 12;
  RefreshSelectorsOnShow(form, state);
  EXPECT_EQ(form.ComboVideoSize.text(), "1920 x 1072");
  EXPECT_EQ(form.ComboOutputFormat.drop_down_count(), 12);
  EXPECT_EQ(state.PreviousFormatIndex, 9);
}

}  // namespace
}  // namespace vidloom
