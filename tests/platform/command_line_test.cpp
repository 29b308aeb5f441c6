#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vidloom::platform {
namespace {

using Args = std::vector<std::string>;

struct SplitCase {
  std::string line;
  std::optional<Args> expected;
};

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const std::vector<SplitCase> cases = {
      {"a b c", Args{"a", "b", "c"}},
      {"  a\t  b\t", Args{"a", "b"}},
      {"\"a b\" c", Args{"a b", "c"}},
      {"a\"b c\"d", Args{"ab cd"}},
      {"\"\"", Args{""}},
      {"a \"\" b", Args{"a", "", "b"}},
      {"a\"\"b", Args{"ab"}},                 // no special rule for "" inside an argument
      {"\"a\"\"b\"", Args{"ab"}},             // nor inside quotes
      {"\\\"a", Args{"\"a"}},                 // 1 backslash + quote: literal quote
      {"a\\\\\\\"b", Args{"a\\\"b"}},         // 3 backslashes + quote: one backslash, literal quote
      {"a\\\\\"b c\"", Args{"a\\b c"}},       // 2 backslashes + quote: one backslash, quote toggles
      {"a\\\\b c\\", Args{"a\\\\b", "c\\"}},  // backslashes elsewhere are literal
      {"-i \"DS:\\\\/home/u/a b.avi\"", Args{"-i", "DS:\\\\/home/u/a b.avi"}},
      {"\"/opt/v/raziz2u\" -y -i \"/m/in.avi\" \"/out/x.mp4\"",
       Args{"/opt/v/raziz2u", "-y", "-i", "/m/in.avi", "/out/x.mp4"}},
      {"a\nb", Args{"a\nb"}},  // only blanks and tabs separate
      {"\"abc", std::nullopt},
      {"a \"b c", std::nullopt},
      {"\"C:\\dir\\\" x", std::nullopt},  // the quote after the backslash is literal
      {"", std::nullopt},
      {"   \t ", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.expected) << "line: [" << c.line << "]";
  }
}

// Arguments that a file name or an option value may carry; quoting must bring each back whole.
const std::vector<std::string>& AwkwardArguments() {
  static const std::vector<std::string> arguments = {
      "",
      " ",
      "a b",
      "\"",
      "a\"b",
      "\"quoted\"",
      "\\",
      "a\\",
      "a\\\\",
      "\\\"",
      "\\\\\"",
      "dir\\\" x",
      "$(rm -rf /)",
      "; ls",
      "`id`",
      "a\nb",
      "line\r\n",
      "\t",
      "tab\there",
      "\xc3\xb1"
      "and\xc3\xba v\xc3\xad"
      "deo.avi",
      "-y",
      "--help",
      "trailing space ",
      "DS:\\\\/home/u/a b.avi",
      "'single' quotes",
      "*?[a-z]",
      "%PATH% ${HOME}",
      "|&<>",
      "\x01\x7f\xff",
  };
  return arguments;
}

TEST(QuoteArgument, SplitReturnsEveryArgumentExactly) {
  for (const auto& argument : AwkwardArguments()) {
    EXPECT_EQ(SplitCommandLine(QuoteArgument(argument)), Args{argument})
        << "argument: [" << argument << "] quoted: " << QuoteArgument(argument);
  }
}

TEST(QuoteArgument, ManyArgumentsInOneLineStayApart) {
  std::string line = "prog";
  Args expected = {"prog"};
  for (const auto& argument : AwkwardArguments()) {
    line += " " + QuoteArgument(argument);
    expected.push_back(argument);
  }
  EXPECT_EQ(SplitCommandLine(line), expected);
}

TEST(QuoteArgumentBody, LeavesOrdinaryPathsAsTheyAre) {
  for (const std::string path : {"/home/u/My Videos/a b.avi", "C:\\Converted Video\\x.mp4",
                                 "DS:\\\\/home/u/in.avi", "/m/\xc3\xa9t\xc3\xa9.mkv"}) {
    EXPECT_EQ(QuoteArgumentBody(path), path);
  }
}

TEST(QuoteArgumentBody, EscapesQuotesAndTheBackslashesThatPrecedeThem) {
  EXPECT_EQ(QuoteArgumentBody("a\"b"), "a\\\"b");
  EXPECT_EQ(QuoteArgumentBody("a\\\"b"), "a\\\\\\\"b");
  EXPECT_EQ(QuoteArgumentBody("dir\\"), "dir\\\\");
  EXPECT_EQ(QuoteArgumentBody("a\\b"), "a\\b");
  EXPECT_EQ(QuoteArgument(""), "\"\"");
}

}  // namespace
}  // namespace vidloom::platform
