// Windows only: our INI module against the system's own profile functions. Each case is a file
// and one operation; the same operation runs through both on copies of the file, and the values
// read back, and the files' lines, must agree. (The system reads a file without a byte-order
// mark in the ANSI code page and we read UTF-8, so the table keeps to ASCII.)
#include <windows.h>
#undef WriteProfileString  // ours, not the Win32 macro

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "support/temp_dir.h"

namespace vidloom::settings {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

std::wstring Wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

std::string SystemRead(const std::string& path, const std::string& section,
                       const std::string& key) {
  wchar_t buffer[512] = {};
  GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"<none>", buffer, 512,
                           Wide(path).c_str());
  std::wstring value(buffer);
  return std::string(value.begin(), value.end());
}

// The file's lines without their endings, blank lines left out: the system writes "\r\n" and
// spaces sections with blank lines as it likes.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text + "\n") {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  return lines;
}

struct ProfileCase {
  const char* name;
  const char* text;  // the file before
  const char* section;
  const char* key;
  std::optional<const char*> write = {};  // a value to write; nullopt: read only
  bool remove = false;                    // write "no value": remove the key
};

// The keys read back from both files after each case.
const std::vector<std::pair<const char*, const char*>> kProbes = {
    {"General", "OutputDir"},
    {"general", "outputdir"},
    {"Combo", "OutputFormat"},
    {"Combo", "LetterBox"},
    {"New", "Key"},
    {"Combo", "x"},
    {"A", "k"},
    {"a", "K"},
};

TEST(ProfileFunctions, OurModuleAgreesWithTheSystem) {
  const std::vector<ProfileCase> cases = {
      {"plain read", "[General]\r\nOutputDir=C:\\Converted Video\r\n", "General", "OutputDir"},
      {"case of names", "[GENERAL]\r\noutputdir=x\r\n", "general", "OUTPUTDIR"},
      {"blanks around", "[General]\r\n  OutputDir  =  a b  \r\n", "General", "OutputDir"},
      {"first section wins", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", "k"},
      {"first key wins", "[A]\r\nk=1\r\nK=2\r\n", "A", "k"},
      {"missing key", "[A]\r\nk=1\r\n", "A", "x"},
      {"missing section", "[A]\r\nk=1\r\n", "B", "k"},
      {"LF endings", "[Combo]\nOutputFormat=7\nLetterBox=1\n", "Combo", "LetterBox"},
      {"comment lines", "; note\r\n[A]\r\n;k=0\r\nk=1\r\n", "A", "k"},
      {"empty value", "[A]\r\nk=\r\n", "A", "k"},
      {"a number", "[Combo]\r\nOutputFormat= 12 px\r\n", "Combo", "OutputFormat"},
      {"a negative number", "[Combo]\r\nLetterBox=-3\r\n", "Combo", "LetterBox"},
      {"replace in place", "[Combo]\r\nOutputFormat=7\r\nLetterBox=1\r\n", "Combo", "OutputFormat",
       "9"},
      {"add to a section", "[Combo]\r\nOutputFormat=7\r\n[General]\r\nOutputDir=x\r\n", "Combo",
       "LetterBox", "0"},
      {"add a section", "[Combo]\r\nOutputFormat=7\r\n", "New", "Key", "v"},
      {"create the file", "", "General", "OutputDir", "C:\\Converted Video"},
      {"replace, other case", "[general]\r\noutputdir=x\r\n", "General", "OutputDir", "y"},
      {"remove a key", "[A]\r\nk=1\r\nm=2\r\n", "A", "k", "", true},
      {"remove a missing key", "[A]\r\nm=2\r\n", "A", "k", "", true},
  };
  TempDir dir;
  int n = 0;
  for (const ProfileCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Fresh names for every case: the system caches a profile file it has read.
    const std::string ours = dir / ("ours-" + std::to_string(n) + ".ini");
    const std::string theirs = dir / ("theirs-" + std::to_string(n) + ".ini");
    ++n;
    if (*c.text) {
      WriteTextFile(ours, c.text);
      WriteTextFile(theirs, c.text);
    }
    if (c.remove) {
      IniFile file(ours);
      ASSERT_TRUE(file.Load());
      file.document().Remove(c.section, c.key);
      ASSERT_TRUE(file.Save());
      WritePrivateProfileStringW(Wide(c.section).c_str(), Wide(c.key).c_str(), nullptr,
                                 Wide(theirs).c_str());
    } else if (c.write) {
      ASSERT_TRUE(WriteProfileString(ours, c.section, c.key, *c.write));
      ASSERT_TRUE(WritePrivateProfileStringW(Wide(c.section).c_str(), Wide(c.key).c_str(),
                                             Wide(*c.write).c_str(), Wide(theirs).c_str()));
    } else {
      EXPECT_EQ(ReadProfileString(ours, c.section, c.key, "<none>"),
                SystemRead(theirs, c.section, c.key));
      // A value that is no number reads as the fallback here, as the stored settings were
      // always read; the system gives 0 for it.
      const int system_int = static_cast<int>(GetPrivateProfileIntW(
          Wide(c.section).c_str(), Wide(c.key).c_str(), -7, Wide(theirs).c_str()));
      const std::string text = SystemRead(theirs, c.section, c.key);
      const bool number = ParseProfileInt(text).has_value();
      EXPECT_EQ(ReadProfileInt(ours, c.section, c.key, -7), number ? system_int : -7);
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(theirs).c_str());  // flush
    for (const auto& [section, key] : kProbes) {
      EXPECT_EQ(SystemRead(ours, section, key), SystemRead(theirs, section, key))
          << section << "/" << key;
    }
    EXPECT_EQ(Lines(ReadTextFile(ours)), Lines(ReadTextFile(theirs)));
  }
}

}  // namespace
}  // namespace vidloom::settings
