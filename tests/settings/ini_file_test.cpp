#include "settings/ini_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <climits>
#include <filesystem>
#include <random>

#include "support/temp_dir.h"

namespace vidloom::settings {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

// Files in `dir` other than `keep`: a failed or finished write must leave no temporary file.
std::vector<std::string> OtherFiles(const std::string& dir, const std::string& keep) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name != keep) names.push_back(name);
  }
  return names;
}

struct IntCase {
  const char* text;
  std::optional<int> expected;
};

TEST(ParseProfileInt, ReadsLikeTheProfileFunctions) {
  const IntCase cases[] = {
      {"0", 0},
      {"27", 27},
      {"-1", -1},
      {"+5", 5},
      {"  12", 12},
      {"\t7", 7},
      {"12abc", 12},
      {"3 px", 3},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"-", std::nullopt},
      {"- 5", std::nullopt},
      {"0x10", 0},
      {"\xff\xfe", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseProfileInt(c.text), c.expected) << "value '" << c.text << "'";
  }
}

TEST(IniDocument, ReadsSectionsAndKeysWithoutRegardToCase) {
  const auto doc = IniDocument::Parse(
      "; comment\n"
      "[General]\n"
      "OutputDir = /home/a b/Converted Video \n"
      "[COMBO]\n"
      "outputformat=3\n"
      "LetterBox=0\n"
      "[combo]\n"
      "OutputFormat=9\n");
  EXPECT_EQ(doc.Get("general", "OUTPUTDIR"), "/home/a b/Converted Video");
  EXPECT_EQ(doc.GetInt("Combo", "OutputFormat", -5), 3);  // the first section wins
  EXPECT_EQ(doc.GetInt("cOmBo", "letterbox", -5), 0);
  EXPECT_EQ(doc.Get("Combo", "Missing"), std::nullopt);
  EXPECT_EQ(doc.GetString("Combo", "Missing", "fallback"), "fallback");
  EXPECT_EQ(doc.GetInt("Nowhere", "OutputFormat", 42), 42);
  EXPECT_EQ(doc.Get("General", "; comment"), std::nullopt);
}

TEST(IniDocument, KeysBelongToTheirSectionOnly) {
  const auto doc = IniDocument::Parse("Loose=1\n[A]\nx=1\n[B]\ny=2\n");
  EXPECT_EQ(doc.Get("A", "y"), std::nullopt);
  EXPECT_EQ(doc.Get("B", "x"), std::nullopt);
  EXPECT_EQ(doc.Get("", "Loose"), std::nullopt);
  EXPECT_EQ(doc.Get("B", "y"), "2");
}

TEST(IniDocument, ValueThatIsNoNumberGivesTheDefault) {
  const auto doc = IniDocument::Parse("[C]\na=abc\nb=\nc=99999999999\nd=-40\n");
  EXPECT_EQ(doc.GetInt("C", "a", 1), 1);
  EXPECT_EQ(doc.GetInt("C", "b", 1), 1);
  EXPECT_EQ(doc.GetInt("C", "c", 1), 1);
  EXPECT_EQ(doc.GetInt("C", "d", 1), -40);
}

TEST(IniDocument, WritingAKeyKeepsEverythingElse) {
  const std::string original =
      "; my notes\n"
      "[General]\n"
      "OutputDir=/old\n"
      "Extra=keep me\n"
      "\n"
      "[Other]\n"
      "a=1\n";
  auto doc = IniDocument::Parse(original);
  doc.Set("GENERAL", "outputdir", "/new");
  doc.Set("General", "Added", "x");
  doc.Set("Other", "b", "2");
  doc.Set("Fresh", "k", "v");
  EXPECT_EQ(doc.Text(),
            "; my notes\n"
            "[General]\n"
            "OutputDir=/new\n"  // the key keeps its spelling in the file
            "Extra=keep me\n"
            "Added=x\n"
            "\n"
            "[Other]\n"
            "a=1\n"
            "b=2\n"
            "[Fresh]\n"
            "k=v\n");
}

TEST(IniDocument, KeepsWindowsLineEndsAndAnUnterminatedLastLine) {
  auto crlf = IniDocument::Parse("[A]\r\nx=1\r\n");
  EXPECT_EQ(crlf.Get("A", "x"), "1");
  crlf.Set("A", "y", "2");
  EXPECT_EQ(crlf.Text(), "[A]\r\nx=1\r\ny=2\r\n");

  // Carriage returns before a line end go with it, so that a written file reads back as written.
  auto extra_cr = IniDocument::Parse("[A]\nx=1\r\r\n");
  extra_cr.Set("A", "y", "2");
  EXPECT_EQ(IniDocument::Parse(extra_cr.Text()).Text(), extra_cr.Text());

  auto open_end = IniDocument::Parse("[A]\nx=1");
  EXPECT_EQ(open_end.Text(), "[A]\nx=1");
  open_end.Set("A", "y", "2");
  EXPECT_EQ(open_end.Text(), "[A]\nx=1\ny=2\n");
}

TEST(IniDocument, LineBreaksInsideAValueCannotAddKeys) {
  IniDocument doc;
  doc.Set("General", "OutputDir", "/a\n[Combo]\nOutputFormat=7\r");
  EXPECT_EQ(doc.Get("Combo", "OutputFormat"), std::nullopt);
  EXPECT_EQ(doc.Get("General", "OutputDir"), "/a [Combo] OutputFormat=7");
}

TEST(IniDocument, AnyBytesParseAndSurviveAWrite) {
  std::string binary;
  for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
  binary += "\n[Combo]\nOutputFormat=4\n";
  binary += std::string(200'000, 'x');  // a very long line, no newline at the end
  auto doc = IniDocument::Parse(binary);
  EXPECT_EQ(doc.GetInt("Combo", "OutputFormat", 1), 4);
  doc.Set("Combo", "LetterBox", "0");
  const auto reread = IniDocument::Parse(doc.Text());
  EXPECT_EQ(reread.GetInt("Combo", "LetterBox", 1), 0);
  EXPECT_EQ(reread.GetInt("Combo", "OutputFormat", 1), 4);
  EXPECT_NE(doc.Text().find(std::string(200'000, 'x')), std::string::npos);
}

TEST(IniDocument, TenMegabytesOfGarbage) {
  std::mt19937 random(7);
  std::string garbage(10 << 20, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  auto doc = IniDocument::Parse(garbage);
  EXPECT_EQ(doc.GetInt("Combo", "ComboDropItem", 1), 1);
  doc.Set("Combo", "ComboDropItem", "30");
  EXPECT_EQ(IniDocument::Parse(doc.Text()).GetInt("Combo", "ComboDropItem", 1), 30);
}

TEST(IniFile, MissingFileReadsEmptyAndTheFirstWriteCreatesIt) {
  TempDir dir;
  const std::string path = dir / "vazadi.ini";
  EXPECT_EQ(ReadProfileString(path, "General", "OutputDir", "dflt"), "dflt");
  EXPECT_EQ(ReadProfileInt(path, "Combo", "OutputFormat", 1), 1);
  EXPECT_FALSE(std::filesystem::exists(path));

  ASSERT_TRUE(WriteProfileString(path, "General", "OutputDir", "/x"));
  EXPECT_EQ(ReadTextFile(path), "[General]\nOutputDir=/x\n");
  EXPECT_EQ(ReadProfileString(path, "general", "outputdir", ""), "/x");
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_read,
            std::filesystem::perms::owner_read);
  EXPECT_TRUE(OtherFiles(dir.path(), "vazadi.ini").empty());
}

TEST(IniFile, ReplacementKeepsThePermissionBits) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no POSIX permission bits";
#else
  TempDir dir;
  const std::string path = dir / "vazadi.ini";
  WriteTextFile(path, "[A]\nx=1\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteProfileString(path, "A", "x", "2"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
}

TEST(IniFile, WritesThroughASymbolicLink) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#else
  TempDir dir;
  const std::string target = dir / "real.ini";
  const std::string link = dir / "vazadi.ini";
  WriteTextFile(target, "[A]\nx=1\n");
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(WriteProfileString(link, "A", "x", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadTextFile(target), "[A]\nx=2\n");
#endif
}

TEST(IniFile, UnreadableOrUnwritablePathsFailCleanly) {
  TempDir dir;
  // A directory standing where the file should be.
  const std::string as_directory = dir / "vazadi.ini";
  std::filesystem::create_directory(as_directory);
  std::string error;
  IniFile file(as_directory);
  EXPECT_FALSE(file.Load(&error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteFileAtomically(as_directory, "[A]\n", &error));
  EXPECT_TRUE(std::filesystem::is_directory(as_directory));
  EXPECT_TRUE(OtherFiles(dir.path(), "vazadi.ini").empty());

  // A file standing where the directory should be.
  const std::string blocker = dir / "blocker";
  WriteTextFile(blocker, "not a directory");
  EXPECT_FALSE(WriteProfileString(blocker + "/vazadi.ini", "A", "x", "1", &error));
  EXPECT_EQ(ReadTextFile(blocker), "not a directory");

#ifndef _WIN32
  // A FIFO must not block the reader.
  const std::string fifo = dir / "fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadProfileInt(fifo, "A", "x", 5), 5);
#endif
}

// A write cut short by the file-size limit (which holds for root as well) leaves the old file.
TEST(IniFile, FailedWriteLeavesTheOldFileWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no file-size limit to cut a write short";
#else
  TempDir dir;
  const std::string path = dir / "vazadi.ini";
  const std::string old_text = "[General]\nOutputDir=/old\n";
  WriteTextFile(path, old_text);

  IniFile file(path);
  ASSERT_TRUE(file.Load());
  file.document().Set("General", "OutputDir", std::string(100'000, 'n'));

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previous);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const bool saved_ok = file.Save(&error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(saved_ok);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadTextFile(path), old_text);
  EXPECT_TRUE(OtherFiles(dir.path(), "vazadi.ini").empty());
#endif
}

}  // namespace
}  // namespace vidloom::settings
