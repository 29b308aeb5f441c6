#include "model/main_window_layout.h"

#include "model/form_layouts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vidloom {
namespace {

TEST(MainWindowLayout, EveryControlHasItsOwnNameAndLiesInsideItsWindow) {
  MainForm form;
  std::set<std::string> names;
  std::set<const Control*> drawn;
  for (const ControlLayout& c : kMainWindowControls) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(names.insert(c.name).second) << "named twice";
    if (c.control != nullptr) {
      EXPECT_TRUE(drawn.insert(&c.control(form)).second) << "drawn twice";
    }
    EXPECT_EQ(c.control == nullptr,
              c.kind == ControlKind::kCaption || c.kind == ControlKind::kGroup);
    // Its group and its label come before it.
    if (c.group != nullptr) {
      ASSERT_TRUE(names.contains(c.group));
      const Box group = FindMainWindowControl(c.group)->box;
      EXPECT_LE(c.box.x + c.box.width, group.width);
      EXPECT_LE(c.box.y + c.box.height, group.height);
    }
    if (c.label != nullptr) {
      EXPECT_TRUE(names.contains(c.label));
    }
    const Box box = ClientBox(c);
    EXPECT_GE(box.x, 0);
    EXPECT_GE(box.y, 0);
    EXPECT_GT(box.width, 0);
    EXPECT_GT(box.height, 0);
    EXPECT_LE(box.x + box.width, kMainClientWidth);
    EXPECT_LE(box.y + box.height, kMainClientHeight - kMainStatusBarHeight);
    EXPECT_EQ(c.picture != Picture::kNone, c.picture_size > 0);
  }
}

TEST(MainWindowLayout, EveryMenuEntryIsListedOnce) {
  MainForm form;
  std::set<std::string> names;
  std::set<const MenuEntry*> entries;
  auto check = [&](const MenuLayout& menu) {
    for (const MenuEntryLayout& e : menu.entries) {
      if (e.entry == nullptr) continue;
      EXPECT_TRUE(names.insert(e.name).second) << e.name;
      EXPECT_TRUE(entries.insert(&(form.*e.entry)).second) << e.name;
    }
  };
  for (const MenuLayout& menu : kMainMenus) check(menu);
  check(kFileListMenu);
  EXPECT_EQ(names.size(), 16u);
}

TEST(FormLayouts, EveryControlHasItsOwnNameAndLiesInsideItsWindowUnlessOutOfSight) {
  for (const FormLayout* layout :
       {&kOptionsLayout, &kWarningLayout, &kAnalyzingLayout, &kAboutLayout}) {
    std::set<std::string> names;
    for (const FormControlLayout& c : layout->controls) {
      SCOPED_TRACE(c.name);
      EXPECT_TRUE(names.insert(c.name).second) << "named twice";
      EXPECT_EQ(&layout->Control(c.name), &c);
      EXPECT_GT(c.box.width, 0);
      EXPECT_GT(c.box.height, 0);
      // Its group comes before it.
      if (c.group != nullptr) {
        ASSERT_TRUE(names.contains(c.group));
        EXPECT_EQ(layout->Control(c.group).kind, FormControlKind::kGroup);
      }
      const Box box = layout->ClientBox(c);
      if (c.out_of_sight) {
        EXPECT_GE(box.x, layout->client_width - box.width);
        continue;
      }
      EXPECT_GE(box.x, 0);
      EXPECT_GE(box.y, 0);
      EXPECT_LE(box.x + box.width, layout->client_width);
      EXPECT_LE(box.y + box.height, layout->client_height);
    }
  }
}

TEST(FormLayouts, AGroupsControlsAreGivenInItsOwnCorner) {
  const FormControlLayout& box = kOptionsLayout.Control("CheckBoxOverWrite");
  const Box group = kOptionsLayout.Control(box.group).box;
  const Box client = kOptionsLayout.ClientBox(box);
  EXPECT_EQ(client.x, group.x + box.box.x);
  EXPECT_EQ(client.y, group.y + box.box.y);
  EXPECT_EQ(kAboutLayout.ClientBox(kAboutLayout.Control("OkButton")).x,
            kAboutLayout.Control("OkButton").box.x);
}

}  // namespace
}  // namespace vidloom
