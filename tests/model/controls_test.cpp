#include "model/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace vidloom {
namespace {

class SelectorTest : public ::testing::Test {
 protected:
  SelectorTest() {
    combo_.SetItems({"PSP Video", "PS3 Video", "MP3 Audio"});
    combo_.on_change = [this] { changes_.push_back(combo_.text()); };
  }
  Selector combo_;
  std::vector<std::string> changes_;  // the text each on_change saw
};

TEST_F(SelectorTest, TextFollowsTheSelectedRow) {
  EXPECT_EQ(combo_.selected(), -1);
  EXPECT_EQ(combo_.text(), "");
  combo_.Select(1);
  EXPECT_EQ(combo_.selected(), 1);
  EXPECT_EQ(combo_.text(), "PS3 Video");
  combo_.Add("AAC Audio");
  EXPECT_EQ(combo_.text(), "PS3 Video") << "adding keeps the selection";
}

TEST_F(SelectorTest, AnIndexOutsideTheRowsLeavesNoSelection) {
  for (int index : {3, 4, 100, -1, -7}) {
    combo_.Select(0);
    combo_.Select(index);
    EXPECT_EQ(combo_.selected(), -1) << index;
    EXPECT_EQ(combo_.text(), "") << index;
  }
}

TEST_F(SelectorTest, ProgramSelectionNeverRunsTheChangeHandler) {
  combo_.Select(2);
  EXPECT_TRUE(combo_.SelectText("PSP Video"));
  combo_.SetItems({"a", "b"});
  combo_.Select(1);
  combo_.Clear();
  EXPECT_TRUE(changes_.empty());
}

TEST_F(SelectorTest, UserSelectionRunsTheHandlerAfterSelecting) {
  combo_.UserSelect(2);
  combo_.UserSelect(9);
  EXPECT_EQ(changes_, (std::vector<std::string>{"MP3 Audio", ""}));
}

TEST_F(SelectorTest, SelectTextFindsTheExactItemOnly) {
  combo_.Select(0);
  EXPECT_FALSE(combo_.SelectText("PS3 video"));
  EXPECT_FALSE(combo_.SelectText("PS3 Video "));
  EXPECT_EQ(combo_.selected(), 0) << "a failed lookup keeps the selection";
  EXPECT_TRUE(combo_.SelectText("MP3 Audio"));
  EXPECT_EQ(combo_.selected(), 2);
}

TEST_F(SelectorTest, ClearAndSetItemsDropTheSelection) {
  combo_.Select(1);
  combo_.SetItems({"x", "y"});
  EXPECT_EQ(combo_.selected(), -1);
  combo_.Select(0);
  combo_.Clear();
  EXPECT_EQ(combo_.count(), 0);
  EXPECT_EQ(combo_.text(), "");
}

TEST_F(SelectorTest, ViewsHearEveryChange) {
  int notified = 0;
  combo_.Subscribe([&] { ++notified; });
  combo_.Select(1);
  combo_.SetDropDownCount(27);
  combo_.SetEnabled(false);
  combo_.SetEnabled(false);  // no change, no notice
  EXPECT_EQ(notified, 3);
  EXPECT_EQ(combo_.drop_down_count(), 27);
  EXPECT_FALSE(combo_.enabled());
}

#if VIDLOOM_THREAD_CHECKS
TEST(ControlThread, AChangeFromAnotherThreadEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Label label;
  std::thread([&] { label.SetEnabled(true); }).join();  // no change, so nothing to check
  EXPECT_DEATH(std::thread([&] { label.SetCaption("from a worker"); }).join(),
               "changed off the UI thread");
  label.SetCaption("from its own thread");
  EXPECT_EQ(label.caption(), "from its own thread");
}
#endif

TEST(CheckBox, ClickHandlerRunsOnEveryChangeOfState) {
  CheckBox box;
  std::vector<bool> seen;
  box.on_click = [&] { seen.push_back(box.checked()); };
  box.SetChecked(true);
  box.SetChecked(true);
  box.SetChecked(false);
  box.SetChecked(true);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
}

TEST(Button, UserClicksNeedAnEnabledButtonProgramClicksDoNot) {
  Button button;
  int clicks = 0;
  button.on_click = [&] { ++clicks; };
  button.UserClick();
  button.SetEnabled(false);
  button.UserClick();
  button.Click();
  EXPECT_EQ(clicks, 2);
}

TEST(ProgressBar, PositionsAreHeldWithin0To100) {
  const std::vector<std::pair<long long, int>> cases = {{0, 0},
                                                        {37, 37},
                                                        {100, 100},
                                                        {101, 100},
                                                        {-1, 0},
                                                        {5'000'000'000LL, 100},
                                                        {-5'000'000'000LL, 0}};
  for (const auto& [position, expected] : cases) {
    ProgressBar bar;
    bar.SetPosition(50);
    bar.SetPosition(position);
    EXPECT_EQ(bar.position(), expected) << position;
  }
}

TEST(SpinEdit, ValuesAreHeldWithinTheRangeAndChangesAreReported) {
  SpinEdit spin;
  spin.min = 26;
  spin.max = 47;
  int changes = 0;
  spin.on_change = [&] { ++changes; };
  const std::vector<std::pair<long long, int>> cases = {
      {27, 27}, {0, 26}, {-100, 26}, {47, 47}, {48, 47}, {1LL << 40, 47}, {30, 30}};
  for (const auto& [value, expected] : cases) {
    spin.SetValue(value);
    EXPECT_EQ(spin.value(), expected) << value;
  }
  EXPECT_EQ(changes, 4) << "26 -> 26 and 47 -> 47 -> 47 are no changes";
}

TEST(TrackBar, PositionIsClampedAndChangesRunTheHandler) {
  TrackBar bar;
  bar.min = 0;
  bar.max = 10;
  std::vector<int> seen;
  bar.on_change = [&] { seen.push_back(bar.position()); };
  bar.SetPosition(5);
  bar.SetPosition(5);
  bar.SetPosition(12);
  bar.SetPosition(-3);
  EXPECT_EQ(seen, (std::vector<int>{5, 10, 0}));
}

TEST(StatusBar, ThreePanels) {
  StatusBar bar;
  bar.SetPanel(0, "Ready");
  bar.SetPanel(2, "x");
  EXPECT_EQ(bar.panel(0), "Ready");
  EXPECT_EQ(bar.panel(1), "");
  EXPECT_EQ(bar.panel(2), "x");
  EXPECT_THROW(bar.SetPanel(3, "no"), std::out_of_range);
}

}  // namespace
}  // namespace vidloom
