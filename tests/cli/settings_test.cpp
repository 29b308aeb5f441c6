// vidloom-cli and the stored settings: it starts from them as the window does, --no-settings
// ignores them, and it never writes, creates or deletes the settings file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_program.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::Lines;
using testing::ProgramResult;
using testing::ReadTextFile;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteTextFile;

const std::string kCli = VIDLOOM_CLI_PATH;

class CliSettings : public ::testing::Test {
 protected:
  CliSettings() {
    fs::create_directory(dir / "tmp");
    fs::create_directory(dir / "stored");
    WriteTextFile(dir / "clip.avi", "x");
  }

  std::string Ini(const std::string& overwrite, const std::string& format,
                  const std::string& letterbox) {
    return "[General]\nOutputDir=" + dir / "stored" +
           "\n[CheckBoxes]\nOverwriteExistingFile=" + overwrite +
           "\nShutDown=1\n[Combo]\nOutputFormat=" + format + "\nLetterBox=" + letterbox +
           "\nComboDropItem=30\n";
  }

  // Runs the CLI with the settings file at `ini` and a temporary directory of its own.
  ProgramResult Run(const std::vector<std::string>& args) {
    return RunProgram(kCli, args, {"VIDLOOM_SETTINGS=" + ini, "TMPDIR=" + dir / "tmp"});
  }
  ProgramResult Commands(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--print-commands", "--source-size", "640 x 480"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(dir / "clip.avi");
    return Run(args);
  }
  // The selected row of a selector in --show-options.
  std::string Selected(const ProgramResult& r, const std::string& selector) {
    for (const auto& line : Lines(r.out)) {
      if (line.rfind(selector + "\t", 0) == 0) {
        const auto first = line.find('\t', selector.size() + 1);
        return line.substr(first + 1, line.find('\t', first + 1) - first - 1);
      }
    }
    return "?";
  }

  TempDir dir;
  std::string ini = dir / "settings/vazadi.ini";
};

TEST_F(CliSettings, StoredChoicesAreTheStartingPoint) {
  fs::create_directory(dir / "settings");
  WriteTextFile(ini, Ini("0", "1", "0"));
  const auto options = Run({"--show-options"});
  ASSERT_EQ(options.status, 0) << options.err;
  EXPECT_EQ(Selected(options, "ComboOutputFormat"), "1");
  EXPECT_EQ(Selected(options, "ComboLetterBox"), "0");

  const auto r = Commands();
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;  // a PSP format: the video and its thumbnail
  EXPECT_NE(lines[0].find("\"" + dir / "stored/clip.mp4\""), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].find("-pad"), std::string::npos) << lines[0];  // no letterbox

  // The options given override the stored ones.
  const auto chosen =
      Commands({"--format", "MP3 - Mpeg Layer3 Audio (*.mp3)", "--output-dir", dir / "given"});
  ASSERT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_NE(chosen.out.find("\"" + dir / "given/clip.mp3\""), std::string::npos) << chosen.out;
}

TEST_F(CliSettings, StoredOverwriteChoiceAndItsOverrides) {
  fs::create_directory(dir / "settings");
  WriteTextFile(dir / "stored/clip.mp3", "an earlier output");
  const std::string mp3 = "12";
  struct Case {
    const char* stored;
    std::vector<std::string> args;
    const char* output;
  };
  const Case cases[] = {
      {"0", {}, "stored/clip-1.mp3"},
      {"1", {}, "stored/clip.mp3"},
      {"1", {"--no-overwrite"}, "stored/clip-1.mp3"},
      {"0", {"--overwrite"}, "stored/clip.mp3"},
  };
  for (const auto& c : cases) {
    WriteTextFile(ini, Ini(c.stored, mp3, "1"));
    const auto r = Commands(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"" + dir / c.output + "\""), std::string::npos)
        << c.stored << " " << r.out;
  }
}

TEST_F(CliSettings, NoSettingsStartsFromTheDesignedState) {
  fs::create_directory(dir / "settings");
  WriteTextFile(ini, Ini("0", "12", "0"));
  const auto options = Run({"--no-settings", "--show-options"});
  ASSERT_EQ(options.status, 0) << options.err;
  EXPECT_EQ(Selected(options, "ComboOutputFormat"), "0");
  EXPECT_EQ(Selected(options, "ComboLetterBox"), "1");
  const auto r = Commands({"--no-settings"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find(dir / "stored"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("/Converted Video/clip.mp4\""), std::string::npos) << r.out;
}

TEST_F(CliSettings, TheSettingsFileIsNeverWrittenCreatedOrDeleted) {
  fs::create_directory(dir / "settings");
  // A normal file; the stored format that makes the window delete the file; a file that is no
  // INI at all; and no file.
  const std::string contents[] = {Ini("1", "12", "0"), Ini("1", "7", "0"),
                                  std::string("\x01\x02 no ini [\n=\xff", 12)};
  for (const auto& text : contents) {
    WriteTextFile(ini, text);
    struct stat before {};
    ASSERT_EQ(::stat(ini.c_str(), &before), 0);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--show-options"},
                                               {"--print-commands", "--source-size", "0 x 0",
                                                "--output-dir", dir / "out", dir / "a.wav"}}) {
      const auto r = Run(args);
      EXPECT_EQ(r.status, 0) << r.err;
    }
    struct stat after {};
    ASSERT_EQ(::stat(ini.c_str(), &after), 0) << "the settings file was deleted";
    EXPECT_EQ(ReadTextFile(ini), text);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced by a copy either
    // Nor is a file list kept beside it: a script learns what happened from the exit status.
    EXPECT_EQ(fs::directory_iterator(dir / "settings")->path().filename(), "vazadi.ini");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "settings"), fs::directory_iterator()), 1);
  }
  fs::remove(ini);
  EXPECT_EQ(Run({"--show-options"}).status, 0);
  EXPECT_FALSE(fs::exists(ini));
  EXPECT_TRUE(fs::is_empty(dir / "settings"));
  // The private copy it read from is gone too.
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST_F(CliSettings, ReadsTheFileBesideTheProgramWhenThatDirectoryIsWritable) {
  // A copy of the program in a directory of its own, whose vazadi.ini it reads by default.
  fs::create_directory(dir / "bin");
  fs::copy_file(kCli, dir / "bin/vidloom-cli");
  fs::permissions(dir / "bin/vidloom-cli", fs::perms::owner_all, fs::perm_options::add);
  const std::string stored = Ini("1", "11", "0");
  WriteTextFile(dir / "bin/vazadi.ini", stored);
  std::vector<std::string> env;
  env.push_back("TMPDIR=" + dir / "tmp");
  // Without VIDLOOM_SETTINGS in the environment (an inherited one would win).
  ::unsetenv("VIDLOOM_SETTINGS");
  const auto r = RunProgram(dir / "bin/vidloom-cli", {"--show-options"}, env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Selected(r, "ComboOutputFormat"), "11");
  EXPECT_EQ(ReadTextFile(dir / "bin/vazadi.ini"), stored);
}

}  // namespace
}  // namespace vidloom
