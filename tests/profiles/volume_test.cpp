// The volume slider's mapping to the label and the volume value.
#include <gtest/gtest.h>

#include "profiles/volume.h"

namespace vidloom {
namespace {

TEST(Volume, PositionsMapToLabelAndValue) {
  struct Case {
    int position;
    const char* label;
    const char* factor;
  };
  const Case cases[] = {
      {0, "0%", "0"},    {1, "20%", "2"},   {2, "40%", "5"},     {3, "60%", "30"},
      {4, "80%", "40"},  {5, "100%", "50"}, {6, "120%", "60"},   {7, "140%", "70"},
      {8, "160%", "80"}, {9, "180%", "90"}, {10, "200%", "100"},
  };
  MainForm form;
  WindowState state;
  for (const Case& c : cases) {
    form.VolumeSlider.SetPosition(c.position);
    VolumeSliderChange(form, state);
    EXPECT_EQ(form.VolumePercent.caption(), c.label) << c.position;
    EXPECT_EQ(state.VolumeFactor, c.factor) << c.position;
  }
}

TEST(Volume, PositionsOutsideTheRangeCountAsNeutral) {
  for (int position : {-1, 11, 1000}) {
    EXPECT_EQ(VolumeStep(position), 50);
    EXPECT_EQ(VolumeFactorOfStep(VolumeStep(position)), "50");
  }
}

}  // namespace
}  // namespace vidloom
