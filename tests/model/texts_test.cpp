// The catalogues of texts: reading a compiled catalogue, choosing the language, and what is
// shown when a catalogue or a text is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/filesystem.h"
#include "texts/catalogue.h"
#include "texts/language.h"

namespace vidloom::texts {
namespace {

// A compiled catalogue of `entries` (English, translation), sorted as msgfmt sorts them, in
// either byte order.
std::string Compiled(std::vector<std::pair<std::string, std::string>> entries, bool big_endian) {
  std::sort(entries.begin(), entries.end());
  const auto n = static_cast<std::uint32_t>(entries.size());
  std::string bytes;
  auto word = [&](std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      bytes += static_cast<char>(value >> (big_endian ? 8 * (3 - i) : 8 * i));
    }
  };
  const std::uint32_t originals = 28;
  const std::uint32_t translations = originals + 8 * n;
  std::uint32_t text_at = translations + 8 * n;
  for (std::uint32_t v : {0x950412deU, 0U, n, originals, translations, 0U, 0U}) word(v);
  std::string texts;
  for (int side = 0; side < 2; ++side) {
    for (const auto& entry : entries) {
      const std::string& text = side == 0 ? entry.first : entry.second;
      word(static_cast<std::uint32_t>(text.size()));
      word(text_at);
      texts += text + '\0';
      text_at += static_cast<std::uint32_t>(text.size()) + 1;
    }
  }
  return bytes + texts;
}

TEST(CatalogueTest, ReadsEitherByteOrderAndSkipsTheHeaderAndUntranslatedTexts) {
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"", "Content-Type: text/plain; charset=UTF-8\n"},
      {"Add Files", "Hinzufügen"},
      {"Converting %s of %s", "Konvertiere %s von %s"},
      {"Remove", ""},
      // A plural entry: the English forms and the translated ones, each ended by NUL.
      {std::string("%s file\0%s files", 16), std::string("%s Datei\0%s Dateien", 19)},
      // No singular before its NUL: no text to look up.
      {std::string("\0only plural", 12), "nur Mehrzahl"}};
  for (const bool big_endian : {false, true}) {
    const auto catalogue = Catalogue::Parse(Compiled(entries, big_endian));
    ASSERT_TRUE(catalogue.has_value()) << big_endian;
    EXPECT_EQ(catalogue->size(), 3u);
    EXPECT_EQ(*catalogue->Find("Add Files"), "Hinzufügen");
    EXPECT_EQ(*catalogue->Find("%s file"), "%s Datei");
    EXPECT_EQ(catalogue->Find(""), nullptr);
    EXPECT_EQ(catalogue->Find("Remove"), nullptr);
    EXPECT_EQ(catalogue->Find("Add files"), nullptr);
  }
}

TEST(CatalogueTest, RefusesWhatIsNoCatalogueOrPointsPastItsEnd) {
  const std::string good = Compiled({{"Stop", "Halt"}}, false);
  EXPECT_FALSE(Catalogue::Parse("").has_value());
  EXPECT_FALSE(Catalogue::Parse("not a catalogue at all, but long enough").has_value());
  std::string cut = good.substr(0, good.size() - 3);
  EXPECT_FALSE(Catalogue::Parse(cut).has_value());
  std::string far = good;
  far[8] = '\x7f';  // a count of texts whose tables lie past the end
  EXPECT_FALSE(Catalogue::Parse(far).has_value());
  std::string revision = good;
  revision[6] = 2;  // a major revision this reader does not know
  EXPECT_FALSE(Catalogue::Parse(revision).has_value());
}

TEST(LanguageTest, ChoosesTheStoredLanguageThenTheSystemsAsGettextDoes) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"de_DE"}, "de"},
      {{"de_AT.UTF-8@euro"}, "de"},
      {{"pt_BR.UTF-8"}, "pt_BR"},
      {{"pt_PT"}, ""},  // no catalogue for it: English, as gettext gives
      {{"zh_TW"}, ""},  // Traditional Chinese is not the Simplified catalogue
      {{"zh_CN.UTF-8"}, "zh_CN"},
      {{"C"}, ""},
      {{"POSIX", "de"}, ""},  // the C locale ends the search
      {{"sv_SE", "fr_FR"}, "fr"},
      {{"en_GB", "de_DE"}, ""},
      {{}, ""},
  };
  for (const auto& [system, expected] : cases) {
    EXPECT_EQ(ChooseLanguage(std::nullopt, system), expected) << system.size();
  }
  EXPECT_EQ(ChooseLanguage(std::string("ja"), {"de_DE"}), "ja");
  EXPECT_EQ(ChooseLanguage(std::string(""), {"de_DE"}), "");  // English, chosen
  EXPECT_EQ(ChooseLanguage(std::string("xx"), {"it_IT"}), "it");
}

TEST(LanguageTest, FillsPlaceholdersAndNeverReadsPastItsArguments) {
  EXPECT_EQ(Fill("Converting %s of %s", {"2", "5"}), "Converting 2 of 5");
  EXPECT_EQ(Fill("%2$s von %1$s", {"5", "2"}), "2 von 5");
  EXPECT_EQ(Fill("100%% of %s", {"3"}), "100% of 3");
  EXPECT_EQ(Fill("%s and %s", {"one"}), "one and %s");
  EXPECT_EQ(Fill("%9$s, %0$s, %d, %", {"a"}), "%9$s, %0$s, %d, %");
  EXPECT_EQ(Fill("%s", {"%s%1$s"}), "%s%1$s");  // an argument is never read as a pattern
}

TEST(LanguageTest, TheBuiltCataloguesTranslateAndAMissingOneLeavesEnglish) {
  const std::string folder = platform::ProgramDirectory() + "locale";
  ASSERT_TRUE(UseLanguage("de", folder));
  EXPECT_EQ(CurrentLanguage(), "de");
  EXPECT_STRNE(Tr("Add Files"), "Add Files");
  EXPECT_EQ(Tr(std::string_view("a text no catalogue has")), "a text no catalogue has");
  EXPECT_EQ(LocalNumber("29.97 fps"), "29,97 fps");
  EXPECT_EQ(LocalNumber("v2. 1.5x .5"), "v2. 1,5x .5");
  // Every language of the choice has a catalogue with every text of the window's design.
  for (const Language& language : Languages()) {
    ASSERT_TRUE(UseLanguage(language.code, folder)) << language.code;
    EXPECT_EQ(LocalNumber("29.97"), language.decimal_comma ? "29,97" : "29.97");
    if (*language.code != '\0') {
      EXPECT_STRNE(Tr("Convert Now !"), "Convert Now !") << language.code;
    }
  }
  EXPECT_FALSE(UseLanguage("de", folder + "/nowhere"));
  EXPECT_EQ(CurrentLanguage(), "");
  EXPECT_STREQ(Tr("Add Files"), "Add Files");
  EXPECT_FALSE(UseLanguage("xx", folder));
  ASSERT_TRUE(UseLanguage(""));
  EXPECT_EQ(LocalNumber("29.97"), "29.97");
}

}  // namespace
}  // namespace vidloom::texts
