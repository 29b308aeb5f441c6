#include "settings/settings.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <deque>
#include <filesystem>
#include <functional>
#include <random>
#include <utility>

#include "profiles/format_selectors.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"

namespace vidloom::settings {
namespace {

using vidloom::testing::ReadTextFile;
using vidloom::testing::TempDir;
using vidloom::testing::WriteTextFile;

// Dialogs with scripted answers; any box the test did not expect fails it.
class ScriptedDialogs : public Dialogs {
 public:
  void ShowMessage(const Form&, const std::string& caption, const std::string& text) override {
    messages.push_back(caption + "|" + text);
  }
  bool ConfirmOkCancel(const Form&, const std::string& text) override {
    ADD_FAILURE() << "unexpected OK/Cancel question: " << text;
    return false;
  }
  bool ConfirmYesNo(const Form& asker, const std::string& text) override {
    questions.push_back(text);
    askers.push_back(&asker);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected Yes/No question: " << text;
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<bool> answers;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<const Form*> askers;
};

const std::string kFullFile =
    "[General]\n"
    "OutputDir=/srv/media/Out Put\n"
    "[CheckBoxes]\n"
    "OverwriteExistingFile=1\n"
    "ShutDown=1\n"
    "[Combo]\n"
    "OutputFormat=14\n"
    "LetterBox=0\n"
    "ComboDropItem=40\n";

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    // The main window's creation, as far as the settings depend on it.
    main_form.ComboLetterBox.SetItems({"None", "LetterBox"});
    main_form.ComboLetterBox.Select(1);
    FillFormatList(main_form);
    window.PreviousFormatIndex = main_form.ComboOutputFormat.selected();
    window.DropDownItemCount = 27;
    RefreshFormatOptions(main_form, window);
    main_form.OutputFolder.SetText(DefaultOutputDirectory());
  }

  void Load() { PrepareOptionsDialog(context); }
  // The settings of other forms (a next start's, say), in the file at `at`.
  SettingsContext ContextFor(MainForm& other1, OptionsForm& other4, WindowState& other_window,
                             std::function<void()> refresh, const std::string& at) {
    return {.path = at,
            .main_form = other1,
            .options_form = other4,
            .window = other_window,
            .dialogs = dialogs,
            .refresh_format_options = std::move(refresh)};
  }
  std::string path() const { return context.path; }

  TempDir dir;
  MainForm main_form;
  OptionsForm options_form;
  WindowState window;
  ScriptedDialogs dialogs;
  int refreshes = 0;
  SettingsContext context = ContextFor(
      main_form, options_form, window,
      [this] {
        ++refreshes;
        RefreshFormatOptions(main_form, window);
      },
      dir / "vazadi.ini");
};

TEST_F(SettingsTest, FirstRunKeepsTheDesignedStateAndCreatesNoFile) {
  main_form.OutputFolder.SetText("");
  Load();
  EXPECT_EQ(main_form.OutputFolder.text(), DefaultOutputDirectory());
#ifdef _WIN32
  EXPECT_EQ(DefaultOutputDirectory(), "C:\\Converted Video");
#else
  EXPECT_EQ(DefaultOutputDirectory().substr(DefaultOutputDirectory().size() - 16),
            "/Converted Video");
#endif
  EXPECT_FALSE(options_form.CheckBoxOverWrite.checked());
  EXPECT_FALSE(options_form.CheckBoxShutDown.checked());
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 0);
  EXPECT_EQ(main_form.ComboLetterBox.text(), "LetterBox");
  EXPECT_EQ(window.DropDownItemCount, 27);
  EXPECT_EQ(options_form.DropDownCount.value(), 27);
  EXPECT_EQ(refreshes, 0);
  EXPECT_FALSE(std::filesystem::exists(path()));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsTest, SaveFromTheDesignedStateWritesTheNineLines) {
  Load();
  main_form.OutputFolder.SetText("C:\\Converted Video");
  ASSERT_TRUE(SaveSettings(context));
  EXPECT_EQ(ReadTextFile(path()),
            "[General]\n"
            "OutputDir=C:\\Converted Video\n"
            "[CheckBoxes]\n"
            "OverwriteExistingFile=0\n"
            "ShutDown=0\n"
            "[Combo]\n"
            "OutputFormat=0\n"
            "LetterBox=1\n"
            "ComboDropItem=27\n");
}

TEST_F(SettingsTest, AFileWrittenByARunRestoresAllSixValuesWithoutAsking) {
  WriteTextFile(path(), kFullFile);
  Load();
  EXPECT_EQ(main_form.OutputFolder.text(), "/srv/media/Out Put");
  EXPECT_TRUE(options_form.CheckBoxOverWrite.checked());
  EXPECT_TRUE(options_form.CheckBoxShutDown.checked());
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_FALSE(context.ShutdownPromptSuppressed);  // the first change cleared it
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 14);
  EXPECT_EQ(main_form.ComboLetterBox.selected(), 0);
  EXPECT_EQ(options_form.DropDownCount.value(), 40);
  EXPECT_EQ(window.DropDownItemCount, 40);
  EXPECT_EQ(refreshes, 1);  // the field changed from 27 to 40
  EXPECT_EQ(main_form.ComboOutputFormat.drop_down_count(), 40);

  // Written back unchanged by the next close.
  ASSERT_TRUE(SaveSettings(context));
  EXPECT_EQ(ReadTextFile(path()), kFullFile);
}

TEST_F(SettingsTest, ARoundTripThroughAFreshWindowRestoresTheChoices) {
  Load();
  main_form.OutputFolder.SetText("/tmp/out");
  options_form.CheckBoxOverWrite.SetChecked(true);
  dialogs.answers.push_back(true);
  context.ShutdownPromptSuppressed = false;
  options_form.CheckBoxShutDown.SetChecked(true);
  main_form.ComboOutputFormat.Select(4);
  main_form.ComboLetterBox.Select(0);
  options_form.DropDownCount.SetValue(33);
  options_form.SpinEditFilesAtOnce.max = 4;  // as on a machine of four processors
  options_form.SpinEditFilesAtOnce.SetValue(3);
  options_form.CheckBoxKeepFolders.SetChecked(true);
  options_form.ComboLanguage.UserSelect(2);  // "Deutsch"
  ASSERT_TRUE(SaveSettings(context));
  // The files converted at once and the language: keys of their own, after the output
  // directory; the kept folders after the other boxes.
  for (const char* part : {"[General]\nOutputDir=/tmp/out\nFilesAtOnce=3\nLanguage=de\n",
                           "ShutDown=1\nKeepFolderStructure=1\n"}) {
    EXPECT_NE(ReadTextFile(path()).find(part), std::string::npos) << ReadTextFile(path());
  }

  MainForm next1;
  OptionsForm next4;
  next4.SpinEditFilesAtOnce.max = 4;
  WindowState next_window;
  next1.ComboLetterBox.SetItems({"None", "LetterBox"});
  next1.ComboLetterBox.Select(1);
  FillFormatList(next1);
  SettingsContext next = ContextFor(
      next1, next4, next_window, [] {}, path());
  PrepareOptionsDialog(next);
  EXPECT_EQ(next1.OutputFolder.text(), "/tmp/out");
  EXPECT_TRUE(next4.CheckBoxOverWrite.checked());
  EXPECT_TRUE(next4.CheckBoxShutDown.checked());
  EXPECT_EQ(next1.ComboOutputFormat.selected(), 4);
  EXPECT_EQ(next1.ComboLetterBox.selected(), 0);
  EXPECT_EQ(next4.DropDownCount.value(), 33);
  EXPECT_EQ(next_window.DropDownItemCount, 33);
  EXPECT_EQ(next4.SpinEditFilesAtOnce.value(), 3);
  EXPECT_TRUE(next4.CheckBoxKeepFolders.checked());
  EXPECT_EQ(next4.ComboLanguage.text(), "Deutsch");
  EXPECT_EQ(StoredLanguage(path()), "de");
  EXPECT_EQ(dialogs.questions.size(), 1u);  // only the user's own check asked

  // English chosen is stored as such, and wins over the system's language.
  options_form.ComboLanguage.UserSelect(1);
  ASSERT_TRUE(SaveSettings(context));
  EXPECT_NE(ReadTextFile(path()).find("Language=en\n"), std::string::npos);
  EXPECT_EQ(StoredLanguage(path()), "");
  // Unticked and "System", the keys go: the file is as a program without the settings writes
  // it, and the system's language is used.
  options_form.CheckBoxKeepFolders.SetChecked(false);
  options_form.ComboLanguage.UserSelect(0);
  ASSERT_TRUE(SaveSettings(context));
  EXPECT_EQ(ReadTextFile(path()).find("KeepFolderStructure"), std::string::npos);
  EXPECT_EQ(ReadTextFile(path()).find("Language"), std::string::npos);
  EXPECT_EQ(StoredLanguage(path()), std::nullopt);

  // On a machine of two processors the stored count is held to them.
  OptionsForm smaller4;
  smaller4.SpinEditFilesAtOnce.max = 2;
  SettingsContext smaller = ContextFor(
      next1, smaller4, next_window, [] {}, path());
  PrepareOptionsDialog(smaller);
  EXPECT_EQ(smaller4.SpinEditFilesAtOnce.value(), 2);
}

TEST_F(SettingsTest, StoredFormatSevenIsRestoredAndTheFileKept) {
  const std::string stored =
      "[General]\nOutputDir=/x\n[CheckBoxes]\nOverwriteExistingFile=0\nShutDown=0\n"
      "[Combo]\nOutputFormat=7\nLetterBox=0\nComboDropItem=27\n";
  WriteTextFile(path(), stored);
  main_form.ComboOutputFormat.Select(3);
  Load();
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 7);
  EXPECT_EQ(main_form.ComboOutputFormat.text(), "PS3 Video(480P) (*.mp4)");
  EXPECT_EQ(main_form.ComboLetterBox.text(), "None");
  EXPECT_EQ(main_form.OutputFolder.text(), "/x");
  EXPECT_EQ(ReadTextFile(path()), stored);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsKeptAndReported) {
#ifdef _WIN32
  // Another program holds the file open for itself alone.
  WriteTextFile(path(), "[Combo]\nOutputFormat=7\n");
  HANDLE held = CreateFileW(platform::FsPath(path()).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Load();
  CloseHandle(held);
#else
  // A named pipe where the file should be: it cannot be read (nor may reading it block).
  ASSERT_EQ(mkfifo(path().c_str(), 0600), 0);
  Load();
#endif
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].rfind("Information|Unable to read " + path() + "\n\r", 0), 0u)
      << dialogs.messages[0];
#ifdef _WIN32
  EXPECT_EQ(ReadTextFile(path()), "[Combo]\nOutputFormat=7\n");
#else
  EXPECT_TRUE(std::filesystem::is_fifo(path()));
#endif
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 0);  // the designed state holds
  EXPECT_FALSE(options_form.CheckBoxShutDown.checked());
}

TEST_F(SettingsTest, MissingKeysTakeTheOtherDefaults) {
  WriteTextFile(path(), "[General]\n[CheckBoxes]\n[Combo]\n");
  options_form.SpinEditFilesAtOnce.max = 4;
  options_form.SpinEditFilesAtOnce.SetValue(3);
  Load();
  EXPECT_EQ(options_form.SpinEditFilesAtOnce.value(), 1) << "a file from before the setting";
  EXPECT_EQ(main_form.OutputFolder.text(), "");
  EXPECT_TRUE(options_form.CheckBoxOverWrite.checked());
  // Without its key the shutdown box is never ticked: the next batch must not power off.
  EXPECT_FALSE(options_form.CheckBoxShutDown.checked());
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 1);
  EXPECT_EQ(main_form.ComboLetterBox.text(), "LetterBox");
  EXPECT_EQ(options_form.DropDownCount.value(), 26);
  EXPECT_EQ(window.DropDownItemCount, 26);
  EXPECT_TRUE(std::filesystem::exists(path()));
}

struct DropItemCase {
  const char* stored;
  int field;
  int refreshes;
};

TEST_F(SettingsTest, DropDownCountIsHeldWithinTheFieldsRange) {
  const DropItemCase cases[] = {
      {"99", 47, 1}, {"27", 27, 0}, {"26", 26, 1},          {"47", 47, 1},
      {"1", 26, 1},  {"-5", 26, 1}, {"99999999999", 26, 1}, {"many", 26, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    OptionsForm fresh4;
    WindowState fresh_window;
    int count = 0;
    SettingsContext fresh = ContextFor(
        main_form, fresh4, fresh_window, [&] { ++count; }, path());
    WriteTextFile(path(), std::string("[Combo]\nOutputFormat=0\nComboDropItem=") + c.stored + "\n");
    PrepareOptionsDialog(fresh);
    EXPECT_EQ(fresh4.DropDownCount.value(), c.field);
    EXPECT_EQ(fresh_window.DropDownItemCount, c.field);
    EXPECT_EQ(count, c.refreshes);
  }
}

TEST_F(SettingsTest, StoredPositionsOutsideTheEntriesSelectTheFirstFormat) {
  // A separator row, or a position beyond the list: the first entry, so that a format is always
  // selected (and written back so).
  ASSERT_TRUE(IsSeparatorRow(main_form.ComboOutputFormat.items().at(3)));
  for (const char* stored : {"3", "13", "16", "500", "-1", "-2147483648"}) {
    SCOPED_TRACE(stored);
    main_form.ComboOutputFormat.Select(5);
    WriteTextFile(path(), std::string("[Combo]\nOutputFormat=") + stored + "\nLetterBox=9\n");
    Load();
    EXPECT_EQ(main_form.ComboOutputFormat.selected(), 0);
    EXPECT_EQ(main_form.ComboOutputFormat.text(), "PSP Video (Good Quality) (*.mp4)");
    EXPECT_EQ(main_form.ComboLetterBox.selected(), -1);
    ASSERT_TRUE(SaveSettings(context));
    const auto doc = IniDocument::Parse(ReadTextFile(path()));
    EXPECT_EQ(doc.Get("Combo", "OutputFormat"), "0");
    EXPECT_EQ(doc.Get("Combo", "LetterBox"), "-1");
  }
}

TEST_F(SettingsTest, NamesAreMatchedWithoutRegardToCaseAndOtherContentIsKept) {
  WriteTextFile(path(),
                "# written by hand\n"
                "[general]\n"
                "OUTPUTDIR=/mixed\n"
                "Theme=dark\n"
                "[checkboxes]\n"
                "overwriteexistingfile=0\n"
                "SHUTDOWN=0\n"
                "[COMBO]\n"
                "outputformat=2\n"
                "letterbox=0\n"
                "comboDropItem=30\n"
                "[Window]\n"
                "Left=10\n");
  Load();
  EXPECT_EQ(main_form.OutputFolder.text(), "/mixed");
  EXPECT_FALSE(options_form.CheckBoxOverWrite.checked());
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 2);
  EXPECT_EQ(main_form.ComboLetterBox.selected(), 0);
  EXPECT_EQ(options_form.DropDownCount.value(), 30);

  main_form.OutputFolder.SetText("/changed");
  ASSERT_TRUE(SaveSettings(context));
  const std::string text = ReadTextFile(path());
  EXPECT_EQ(text,
            "# written by hand\n"
            "[general]\n"
            "OUTPUTDIR=/changed\n"  // each key keeps its spelling, as the profile functions do
            "Theme=dark\n"
            "[checkboxes]\n"
            "overwriteexistingfile=0\n"
            "SHUTDOWN=0\n"
            "[COMBO]\n"
            "outputformat=2\n"
            "letterbox=0\n"
            "comboDropItem=30\n"
            "[Window]\n"
            "Left=10\n");
}

TEST_F(SettingsTest, GarbageBinaryAndHugeNumbersLoadWithoutHarm) {
  std::mt19937 random(11);
  std::string garbage(10 << 20, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>(i * 7));
  const std::string huge =
      "[General]\nOutputDir=" + std::string(1 << 20, 'd') +
      "\n[CheckBoxes]\nOverwriteExistingFile=-99999999999999999999\nShutDown=-3\n"
      "[Combo]\nOutputFormat=-2147483649\nLetterBox=2147483647\nComboDropItem=-2147483648\n";
  for (const std::string* content : std::vector<const std::string*>{&garbage, &binary, &huge}) {
    OptionsForm fresh4;
    WindowState fresh_window;
    SettingsContext fresh = ContextFor(
        main_form, fresh4, fresh_window, [] {}, path());
    WriteTextFile(path(), *content);
    PrepareOptionsDialog(fresh);
    EXPECT_GE(fresh4.DropDownCount.value(), 26);
    EXPECT_LE(fresh4.DropDownCount.value(), 47);
    ASSERT_TRUE(SaveSettings(fresh));
    const auto doc = IniDocument::Parse(ReadTextFile(path()));
    EXPECT_EQ(doc.Get("General", "OutputDir"), main_form.OutputFolder.text());
  }
  // The last one: out-of-range numbers read as their defaults, -3 reads as checked.
  EXPECT_EQ(main_form.OutputFolder.text(), std::string(1 << 20, 'd'));
  EXPECT_EQ(main_form.ComboOutputFormat.selected(), 1);
  EXPECT_EQ(main_form.ComboLetterBox.selected(), -1);
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(SettingsTest, AFailedWriteIsReportedAndLeavesTheOldFile) {
  // A directory standing at the file's path makes the replacement fail (also for root).
  std::filesystem::create_directory(path());
  Load();
  EXPECT_TRUE(std::filesystem::is_directory(path()));
  EXPECT_FALSE(SaveSettings(context));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0], "Information|Unable to write to " + path());
  EXPECT_TRUE(std::filesystem::is_directory(path()));

  // A file standing where the settings directory should be.
  const std::string blocker = dir / "blocker";
  WriteTextFile(blocker, kFullFile);
  SettingsContext blocked = ContextFor(
      main_form, options_form, window, [] {}, blocker + "/vidloom/vazadi.ini");
  EXPECT_FALSE(SaveSettings(blocked));
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1], "Information|Unable to write to " + blocked.path);
  EXPECT_EQ(ReadTextFile(blocker), kFullFile);
}

TEST_F(SettingsTest, SaveCreatesTheSettingsDirectory) {
  SettingsContext nested = ContextFor(
      main_form, options_form, window, [] {}, dir / "config/vidloom/vazadi.ini");
  ASSERT_TRUE(SaveSettings(nested));
  EXPECT_EQ(IniDocument::Parse(ReadTextFile(nested.path)).GetInt("Combo", "ComboDropItem", 0), 27);
}

TEST_F(SettingsTest, CheckingTheShutdownBoxAsks) {
  Load();
  ASSERT_TRUE(context.ShutdownPromptSuppressed);  // no file: nothing changed the box
  // The first change after start-up is taken without a question, as the window's first show
  // would have cleared the flag anyway.
  context.ShutdownPromptSuppressed = false;

  dialogs.answers = {false};
  options_form.CheckBoxShutDown.SetChecked(true);
  EXPECT_FALSE(options_form.CheckBoxShutDown.checked());
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0],
            "Your computer will automatically shutdown after all \n\rconversions jobs are "
            "completed. Do you want to continue?");
  // Asked by the options dialog, whichever window is active: the box opens above it.
  EXPECT_EQ(dialogs.askers[0], &options_form);

  dialogs.answers = {true};
  options_form.CheckBoxShutDown.SetChecked(true);
  EXPECT_TRUE(options_form.CheckBoxShutDown.checked());
  EXPECT_EQ(dialogs.questions.size(), 2u);

  options_form.CheckBoxShutDown.SetChecked(false);  // unchecking never asks
  EXPECT_EQ(dialogs.questions.size(), 2u);
}

TEST_F(SettingsTest, SuppressedPromptIsClearedByTheFirstChange) {
  Load();
  options_form.CheckBoxShutDown.SetChecked(true);
  EXPECT_TRUE(options_form.CheckBoxShutDown.checked());
  EXPECT_FALSE(context.ShutdownPromptSuppressed);
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(SettingsTest, SpinEditChangeStoresTheCountAndRefreshes) {
  Load();
  options_form.DropDownCount.SetValue(35);
  EXPECT_EQ(window.DropDownItemCount, 35);
  EXPECT_EQ(main_form.ComboOutputFormat.drop_down_count(), 35);
  EXPECT_EQ(refreshes, 1);
  options_form.DropDownCount.SetValue(35);  // no change, no refresh
  EXPECT_EQ(refreshes, 1);

  // Without an injected refresh, the format refresh itself runs.
  context.refresh_format_options = nullptr;
  options_form.DropDownCount.SetValue(29);
  EXPECT_EQ(main_form.ComboOutputFormat.drop_down_count(), 29);
}

TEST_F(SettingsTest, DoneHidesTheDialog) {
  Load();
  options_form.visible = true;
  options_form.DoneButton.Click();
  EXPECT_FALSE(options_form.visible);
  EXPECT_TRUE(options_form.CheckBoxOverWrite.caption.size() > 0);
}

TEST(SettingsPath, ProgramDirectoryWhenWritableElseTheUsersConfig) {
  EXPECT_EQ(ChooseSettingsPath("/opt/vidloom/", true, "/xdg", "/home/u"),
            "/opt/vidloom/vazadi.ini");
  EXPECT_EQ(ChooseSettingsPath("/opt/vidloom/", false, "/xdg", "/home/u"),
            "/xdg/vidloom/vazadi.ini");
  EXPECT_EQ(ChooseSettingsPath("/opt/vidloom/", false, "/xdg/", "/home/u"),
            "/xdg/vidloom/vazadi.ini");
  EXPECT_EQ(ChooseSettingsPath("/opt/vidloom/", false, "", "/home/u"),
            "/home/u/.config/vidloom/vazadi.ini");
  // A relative XDG_CONFIG_HOME is ignored, as the base directory rules ask.
  EXPECT_EQ(ChooseSettingsPath("/opt/vidloom/", false, "rel", "/home/u"),
            "/home/u/.config/vidloom/vazadi.ini");
  // On Windows: beside the program, else %APPDATA%\Vidloom (beside it still without %APPDATA%).
  EXPECT_EQ(ChooseWindowsSettingsPath("C:\\Program Files\\Vidloom\\", true, "C:\\AD"),
            "C:\\Program Files\\Vidloom\\vazadi.ini");
  EXPECT_EQ(ChooseWindowsSettingsPath("C:\\Program Files\\Vidloom\\", false, "C:\\AD\\"),
            "C:\\AD\\Vidloom\\vazadi.ini");
  EXPECT_EQ(ChooseWindowsSettingsPath("C:\\Program Files\\Vidloom\\", false, ""),
            "C:\\Program Files\\Vidloom\\vazadi.ini");
  const std::string path = DefaultSettingsPath();
  EXPECT_EQ(path.substr(path.size() - 11), platform::kPathSeparator + std::string("vazadi.ini"));
}

}  // namespace
}  // namespace vidloom::settings
