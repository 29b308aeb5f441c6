#include "settings/settings.h"

#include <exception>

#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "settings/ini_file.h"
#include "texts/language.h"

namespace vidloom::settings {
namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kCheckBoxes = "CheckBoxes";
constexpr const char* kCombo = "Combo";
constexpr const char* kFilesAtOnceKey = "FilesAtOnce";
// Present only while "Keep Folder Structure" is ticked, so that other files keep their keys.
constexpr const char* kKeepFoldersKey = "KeepFolderStructure";
// The stored word for English, whose catalogue code is empty.
constexpr const char* kEnglishCode = "en";

// The stored word of row `row` of "Additional Options"' language list: "en" or the language's
// code; none for "System" (row 0) or a row outside the list.
std::optional<std::string> StoredWordOfRow(int row) {
  const auto languages = texts::Languages();
  if (row <= 0 || static_cast<std::size_t>(row) > languages.size()) return std::nullopt;
  return row == 1 ? kEnglishCode : languages[static_cast<std::size_t>(row) - 1].code;
}

// The row of "Additional Options"' language list that `stored` names; 0 ("System") for none.
int LanguageRow(const std::string& stored) {
  for (int row = 1; StoredWordOfRow(row); ++row) {
    if (stored == *StoredWordOfRow(row)) return row;
  }
  return 0;
}

// Creates `directory` and its missing parents.
bool EnsureDirectory(const std::string& directory) {
  if (directory.empty() || platform::DirectoryExists(directory)) return true;
  const std::string parent = platform::ParentDirectory(directory);
  if (!parent.empty() && parent != directory && !EnsureDirectory(parent)) return false;
  return platform::CreateDirectoryLevel(directory) || platform::DirectoryExists(directory);
}

}  // namespace

std::string DefaultOutputDirectory() {
#ifdef _WIN32
  return "C:\\Converted Video";
#else
  std::string home = platform::HomeDirectory();
  if (!home.empty() && home.back() == platform::kPathSeparator) home.pop_back();
  return home + platform::kPathSeparator + "Converted Video";
#endif
}

std::string ChooseSettingsPath(const std::string& program_directory, bool program_dir_writable,
                               const std::string& xdg_config_home, const std::string& home) {
  if (program_dir_writable) return program_directory + kSettingsFileName;
  std::string config = (!xdg_config_home.empty() && xdg_config_home.front() == '/')
                           ? xdg_config_home
                           : home + "/.config";
  while (config.size() > 1 && config.back() == '/') config.pop_back();
  return config + "/vidloom/" + kSettingsFileName;
}

std::string ChooseWindowsSettingsPath(const std::string& program_directory,
                                      bool program_dir_writable, const std::string& app_data) {
  if (program_dir_writable || app_data.empty()) return program_directory + kSettingsFileName;
  std::string folder = app_data;
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder + "\\Vidloom\\" + kSettingsFileName;
}

std::string DefaultSettingsPath() {
  const std::string& directory = platform::ProgramDirectory();
  const bool writable = platform::DirectoryWritable(directory);
#ifdef _WIN32
  return ChooseWindowsSettingsPath(directory, writable,
                                   platform::Environment("APPDATA").value_or(""));
#else
  return ChooseSettingsPath(directory, writable,
                            platform::Environment("XDG_CONFIG_HOME").value_or(""),
                            platform::HomeDirectory());
#endif
}

void ConnectSettingsHandlers(SettingsContext& context) {
  context.options_form.CheckBoxShutDown.on_click = [&context] { CheckBoxShutDownClick(context); };
  context.options_form.DropDownCount.on_change = [&context] { DropDownCountChange(context); };
  context.options_form.DoneButton.on_click = [&context] { OptionsDoneClick(context); };
}

void PrepareOptionsDialog(SettingsContext& context) {
  ConnectSettingsHandlers(context);
  LoadSettings(context);
}

void LoadSettings(SettingsContext& context) {
  MainForm& main_form = context.main_form;
  OptionsForm& options_form = context.options_form;

  bool missing = false;
  std::string read_error;
  const auto text = ReadWholeFile(context.path, &missing, &read_error);
  // A directory standing at the path is no settings file: the first-run case, like no file.
  if ((text && missing) || platform::DirectoryExists(context.path)) {
    if (main_form.OutputFolder.text().empty())
      main_form.OutputFolder.SetText(DefaultOutputDirectory());
    return;
  }
  auto report = [&](const std::string& why) {
    context.dialogs.ShowMessage(context.main_form, texts::Tr(kInformationCaption),
                                texts::Tr(kUnableToReadText) + context.path + "\n\r" + why);
  };
  if (!text) {
    // The user's settings stay where they are; the designed state is used for this run.
    report(read_error);
    return;
  }

  try {
    const IniDocument ini = IniDocument::Parse(*text);

    main_form.OutputFolder.SetText("");
    main_form.OutputFolder.SetText(ini.GetString(kGeneral, "OutputDir", ""));

    options_form.CheckBoxOverWrite.SetChecked(ini.GetInt(kCheckBoxes, "OverwriteExistingFile", 1) !=
                                              0);
    // A change runs CheckBoxShutDownClick, which is still suppressed here: no question. Without
    // the key the box stays unticked: a file written by hand or cut short must not arm a
    // power-off.
    options_form.CheckBoxShutDown.SetChecked(ini.GetInt(kCheckBoxes, "ShutDown", 0) != 0);

    const int drop_items = ini.GetInt(kCombo, "ComboDropItem", 1);
    context.window.DropDownItemCount = drop_items;
    // DropDownCount holds the value within 26..47; a change of its value runs DropDownCountChange.
    options_form.DropDownCount.SetValue(drop_items);

    // Every stored position is restored; one that names no format (outside the list, or a
    // separator row) selects the first entry, so that a format is always selected.
    int format_position = ini.GetInt(kCombo, "OutputFormat", 1);
    const Selector& formats = main_form.ComboOutputFormat;
    if (format_position < 0 || format_position >= formats.count() ||
        IsSeparatorRow(formats.items()[static_cast<std::size_t>(format_position)])) {
      format_position = 0;
    }
    main_form.ComboOutputFormat.Select(format_position);
    main_form.ComboLetterBox.Select(ini.GetInt(kCombo, "LetterBox", 1));
    // A file from before the setting converts one file at a time; a count above this
    // machine's processors is held to them.
    options_form.SpinEditFilesAtOnce.SetValue(ini.GetInt(kGeneral, kFilesAtOnceKey, 1));
    options_form.CheckBoxKeepFolders.SetChecked(ini.GetInt(kCheckBoxes, kKeepFoldersKey, 0) != 0);
    options_form.ComboLanguage.Select(LanguageRow(ini.GetString(kGeneral, kLanguageKey, "")));
  } catch (const std::exception& error) {
    // Parsing never fails; this is a fault or a lack of memory: the file is kept.
    report(error.what());
  }
}

std::optional<std::string> StoredLanguage(const std::string& path) {
  const auto text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  const int row = LanguageRow(IniDocument::Parse(*text).GetString(kGeneral, kLanguageKey, ""));
  if (row == 0) return std::nullopt;
  return std::string(texts::Languages()[static_cast<std::size_t>(row) - 1].code);
}

void UseProgramLanguage(const std::string& settings_path) {
  texts::UseLanguage(
      texts::ChooseLanguage(StoredLanguage(settings_path), texts::SystemLanguages()));
}

bool SaveSettings(SettingsContext& context) {
  const MainForm& main_form = context.main_form;
  const OptionsForm& options_form = context.options_form;

  IniFile file(context.path);
  bool written = EnsureDirectory(platform::ParentDirectory(context.path)) && file.Load();
  if (written) {
    IniDocument& ini = file.document();
    ini.Set(kGeneral, "OutputDir", main_form.OutputFolder.text());
    ini.Set(kCheckBoxes, "OverwriteExistingFile",
            options_form.CheckBoxOverWrite.checked() ? "1" : "0");
    ini.Set(kCheckBoxes, "ShutDown", options_form.CheckBoxShutDown.checked() ? "1" : "0");
    ini.Set(kCombo, "OutputFormat", std::to_string(main_form.ComboOutputFormat.selected()));
    ini.Set(kCombo, "LetterBox", std::to_string(main_form.ComboLetterBox.selected()));
    ini.Set(kCombo, "ComboDropItem", std::to_string(options_form.DropDownCount.value()));
    // Written once it says more than the default, so that a file of one-at-a-time users keeps
    // its keys as they were.
    const int files_at_once = options_form.SpinEditFilesAtOnce.value();
    if (files_at_once != 1 || ini.Get(kGeneral, kFilesAtOnceKey)) {
      ini.Set(kGeneral, kFilesAtOnceKey, std::to_string(files_at_once));
    }
    if (options_form.CheckBoxKeepFolders.checked()) {
      ini.Set(kCheckBoxes, kKeepFoldersKey, "1");
    } else {
      ini.Remove(kCheckBoxes, kKeepFoldersKey);
    }
    // Present only while a language other than the system's is chosen.
    if (const auto word = StoredWordOfRow(options_form.ComboLanguage.selected())) {
      ini.Set(kGeneral, kLanguageKey, *word);
    } else {
      ini.Remove(kGeneral, kLanguageKey);
    }
    written = file.Save();
  }
  if (!written) {
    context.dialogs.ShowMessage(context.main_form, texts::Tr(kInformationCaption),
                                texts::Tr("Unable to write to ") + context.path);
  }
  return written;
}

void CheckBoxShutDownClick(SettingsContext& context) {
  if (context.ShutdownPromptSuppressed) {
    context.ShutdownPromptSuppressed = false;
    return;
  }
  CheckBox& box = context.options_form.CheckBoxShutDown;
  if (!box.checked()) return;
  // No unchecks the box, which runs this handler again; unchecked, it asks nothing.
  if (!context.dialogs.ConfirmYesNo(context.options_form, texts::Tr(kShutdownQuestion)))
    box.SetChecked(false);
}

void DropDownCountChange(SettingsContext& context) {
  context.window.DropDownItemCount = context.options_form.DropDownCount.value();
  if (context.refresh_format_options) {
    context.refresh_format_options();
  } else {
    RefreshFormatOptions(context.main_form, context.window);
  }
}

void OptionsDoneClick(SettingsContext& context) {
  context.options_form.visible = false;
}

}  // namespace vidloom::settings
