// The settings file vazadi.ini and the "Additional Options" dialog's logic. Six user choices
// live in the controls that show them; LoadSettings applies the file to those controls once at
// start-up and SaveSettings writes them back when the main window closes. UI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "model/dialogs.h"
#include "model/forms.h"
#include "profiles/window_state.h"
#include "texts/language.h"

namespace vidloom::settings {

inline constexpr const char* kSettingsFileName = "vazadi.ini";

// The confirmation asked when the shutdown box becomes checked.
inline constexpr const char* kShutdownQuestion =
    N_("Your computer will automatically shutdown after all \n\rconversions jobs are completed. "
       "Do you want to continue?");

// The output directory of the designed state: "<home>/Converted Video"; "C:\Converted Video" on
// Windows.
std::string DefaultOutputDirectory();

// Where vazadi.ini lives: in `program_directory` (which ends with a separator) when that
// directory is writable, so that a copy of the program carried on a stick keeps its settings;
// otherwise "<config home>/vidloom/vazadi.ini", the config home being `xdg_config_home` when it
// is an absolute path and "<home>/.config" otherwise.
std::string ChooseSettingsPath(const std::string& program_directory, bool program_dir_writable,
                               const std::string& xdg_config_home, const std::string& home);

// On Windows: the program directory when writable, else %APPDATA%\Vidloom\vazadi.ini (the
// program directory too when %APPDATA% is unset).
std::string ChooseWindowsSettingsPath(const std::string& program_directory,
                                      bool program_dir_writable, const std::string& app_data);
// ChooseSettingsPath for this process (ProgramDirectory(), $XDG_CONFIG_HOME, HomeDirectory());
// on Windows ChooseWindowsSettingsPath (ProgramDirectory(), %APPDATA%).
std::string DefaultSettingsPath();

// Everything the settings logic works on. The referenced objects must outlive the context, and
// the context must outlive the handlers that ConnectSettingsHandlers installs.
struct SettingsContext {
  std::string path = {};  // the full path of vazadi.ini
  MainForm& main_form;
  OptionsForm& options_form;
  WindowState& window;
  Dialogs& dialogs;
  // The format refresh run when the drop-down count changes; empty: RefreshFormatOptions.
  std::function<void()> refresh_format_options = {};
  // While set, a change of CheckBoxShutDown asks nothing (and clears it). Set while the main
  // window is created; the main window clears it when first shown.
  bool ShutdownPromptSuppressed = true;
};

// Installs the dialog's handlers: CheckBoxShutDown.on_click, DropDownCount.on_change and
// DoneButton.on_click.
void ConnectSettingsHandlers(SettingsContext& context);

// The dialog's creation: connects its handlers and runs LoadSettings.
void PrepareOptionsDialog(SettingsContext& context);

// Applies the file to the controls. A missing file leaves the designed state (an empty output
// directory box gets DefaultOutputDirectory()). Missing keys and values that are no number take
// the other defaults (empty directory, overwrite checked, shutdown unchecked, format position 1,
// letterbox 1, drop-down count 1, raised to 26 by DropDownCount). A stored format position outside
// the format list, or on one of its separator rows, selects the first format. The file is never
// deleted: one that cannot be read, or an error while the values are applied, is reported with
// kUnableToReadText and kept; what was applied before stays.
void LoadSettings(SettingsContext& context);

// "Unable to read <path>", a line break and why: shown when the settings file cannot be read or
// applied.
inline constexpr const char* kUnableToReadText = N_("Unable to read ");

// The key of the program's language in [General]: "en" or a catalogue's code ("de", "pt_BR"),
// written only while "Additional Options" names a language rather than "System".
inline constexpr const char* kLanguageKey = "Language";

// The language stored in the settings file at `path`, as texts::ChooseLanguage takes it ("" for
// English); nullopt while the system's language is chosen, or the file cannot be read.
std::optional<std::string> StoredLanguage(const std::string& path);

// The program's language for this run, chosen once at start-up before any window is built: the
// stored choice, else the system's.
void UseProgramLanguage(const std::string& settings_path);

// Writes the six keys into the file, keeping its other content, in one atomic replacement; the
// directory of the file is created when missing. On failure the old file stays whole, "Unable to
// write to <path>" is shown through the Dialogs port and the result is false, so that the window
// does not close.
bool SaveSettings(SettingsContext& context);

// Change of the shutdown check box: asks kShutdownQuestion (Yes/No) when the box became checked
// and the prompt is not suppressed; No unchecks it.
void CheckBoxShutDownClick(SettingsContext& context);

// Change of the numeric field: stores its value in DropDownItemCount and runs the format refresh.
void DropDownCountChange(SettingsContext& context);

// "Done": hides the dialog.
void OptionsDoneClick(SettingsContext& context);

}  // namespace vidloom::settings
