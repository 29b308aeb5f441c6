// The power-off rules, with stand-ins for the two logind calls: only "yes" lets the request go
// out, and the result is logind's acceptance.
#include "desktop/logind_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vidloom::desktop {
namespace {

TEST(LogindRulesTest, OnlyYesAllowsAPowerOffWithoutAPrompt) {
  struct Case {
    std::string answer;
    bool allowed;
  };
  const std::vector<Case> cases{
      {"yes", true},
      {"challenge", false},
      {"no", false},
      {"na", false},
      {"", false},
      {"YES", false},
      {" yes", false},
      {"yes\n", false},
      {"yesno", false},
      {"y", false},
      {std::string("yes\0", 4), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PowerOffAllowed(c.answer), c.allowed) << '"' << c.answer << '"';
  }
}

TEST(LogindRulesTest, TheRequestGoesOutOnlyAfterAYes) {
  struct Case {
    const char* name;
    std::optional<std::string> answer;  // nullopt: CanPowerOff failed
    bool accepted;                      // what PowerOff answers, when it is called
    std::vector<std::string> calls;
    bool result;
  };
  const std::vector<Case> cases{
      {"yes, accepted", "yes", true, {"CanPowerOff", "PowerOff"}, true},
      {"yes, refused", "yes", false, {"CanPowerOff", "PowerOff"}, false},
      {"challenge", "challenge", true, {"CanPowerOff"}, false},
      {"no", "no", true, {"CanPowerOff"}, false},
      {"na", "na", true, {"CanPowerOff"}, false},
      {"no logind", std::nullopt, true, {"CanPowerOff"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> calls;
    const bool result = RequestPowerOff(
        [&] {
          calls.push_back("CanPowerOff");
          return c.answer;
        },
        [&] {
          calls.push_back("PowerOff");
          return c.accepted;
        });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(calls, c.calls);
  }
}

}  // namespace
}  // namespace vidloom::desktop
