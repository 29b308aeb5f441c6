#include "cli/cli_app.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include "analysis/file_list.h"
#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/json_lines.h"
#include "model/headless_ui_thread.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "profiles/format_selectors.h"
#include "profiles/text_rules.h"
#include "settings/settings.h"
#include "texts/language.h"
#include "window_logic/add_files.h"
#include "window_logic/main_window.h"

namespace vidloom::cli {
namespace {

// Why a path of the command line got no row.
constexpr const char* kNoSuchFileText = N_("no such file");
constexpr const char* kNoMediaInFolderText = N_("no media files in the folder");
constexpr const char* kNotAnalysedText = N_("the encoder could not be started to analyse it");

// `path` made absolute against the current directory; empty stays empty.
std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const auto absolute = std::filesystem::absolute(platform::FsPath(path), error);
  return error ? path : platform::Utf8Path(absolute.lexically_normal());
}

// Message boxes are printed to standard error; questions are answered from --yes. Ctrl-C stops
// a batch as the window's Stop does once its question is confirmed, and says so the same way.
class CliDialogs : public Dialogs {
 public:
  explicit CliDialogs(bool yes) : yes_(yes) {}

  void ShowMessage(const Form&, const std::string& caption, const std::string& text) override {
    std::cerr << "[" << caption << "] " << Readable(text) << "\n";
  }
  bool ConfirmOkCancel(const Form&, const std::string& text) override {
    return Answered(text, yes_);
  }
  bool ConfirmYesNo(const Form&, const std::string& text) override { return Answered(text, yes_); }

  // Prints the question with its answer; returns the answer.
  static bool Answered(const std::string& text, bool answer) {
    std::cerr << "[" << texts::Tr("Question") << "] " << Readable(text) << " "
              << (answer ? texts::Tr("yes") : texts::Tr("no")) << "\n";
    return answer;
  }

 private:
  static std::string Readable(std::string text) {
    for (std::size_t p; (p = text.find("\n\r")) != std::string::npos;) text.replace(p, 2, "\n");
    return text;
  }
  bool yes_;
};

// The selector a --<option> chooses in, by its control name.
Selector* SelectorByName(MainForm& form, const std::string& name) {
  const std::map<std::string, Selector*> selectors = {
      {"ComboOutputFormat", &form.ComboOutputFormat},
      {"ComboVideoCodec", &form.ComboVideoCodec},
      {"ComboVideoSize", &form.ComboVideoSize},
      {"ComboVideoBitrate", &form.ComboVideoBitrate},
      {"ComboVideoFramerate", &form.ComboVideoFramerate},
      {"ComboAudioCodec", &form.ComboAudioCodec},
      {"ComboAudioBitrate", &form.ComboAudioBitrate},
      {"ComboAudioChannel", &form.ComboAudioChannel},
      {"ComboSamplingRate", &form.ComboSamplingRate},
      {"ComboLetterBox", &form.ComboLetterBox},
      {"ComboAspectRatio", &form.ComboAspectRatio},
  };
  const auto it = selectors.find(name);
  return it == selectors.end() ? nullptr : it->second;
}

constexpr const char* kSelectorOrder[] = {
    "ComboOutputFormat",   "ComboVideoCodec", "ComboVideoSize",    "ComboVideoBitrate",
    "ComboVideoFramerate", "ComboAudioCodec", "ComboAudioBitrate", "ComboAudioChannel",
    "ComboSamplingRate",   "ComboLetterBox",  "ComboAspectRatio",
};

std::string ValidItems(const Selector& selector) {
  std::string text;
  for (const auto& item : selector.items()) text += "\n  \"" + item + "\"";
  return text.empty() ? texts::Tr(" (the selector is empty for this format)") : text;
}

// Chooses the item `value` names in `selector` (MatchItem) as a user would. Returns an error
// text when it names none, or several.
std::string Choose(Selector& selector, const std::string& name, const std::string& value) {
  const ItemMatch match = MatchItem(selector.items(), value);
  if (match.candidates.size() == 1) {
    selector.UserSelect(match.candidates.front());
    return {};
  }
  if (match.candidates.empty()) {
    return texts::Fill(texts::Tr("\"%s\" is not an item of %s; valid items:%s"),
                       {value, name, ValidItems(selector)});
  }
  std::string named;
  for (const int i : match.candidates) named += "\n  \"" + selector.items()[i] + "\"";
  return texts::Fill(texts::Tr("\"%s\" names several items of %s; name one of them:%s"),
                     {value, name, named});
}

// The formats `formats` lists, one a line: short name and full text.
std::string FormatChoices(const std::vector<const OutputFormat*>& formats) {
  std::string text;
  for (const OutputFormat* format : formats) {
    text += "\n  " + std::string(format->ShortName) +
            std::string(12 - format->ShortName.size(), ' ') + "\"" +
            std::string(format->DisplayName) + "\"";
  }
  return text;
}

// Chooses the output format named by its full text, its row index, its short name or its
// extension (the two last in any case). An extension that several formats share chooses none.
std::string ChooseFormat(MainForm& form, const std::string& text) {
  const auto& items = form.ComboOutputFormat.items();
  auto row_of = [&](std::string_view item) {
    const auto it = std::find(items.begin(), items.end(), item);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
  };
  int index = row_of(text);
  if (index < 0 && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
      text.size() < 4) {
    index = std::stoi(text);
  }
  if (index < 0) {
    const std::vector<const OutputFormat*> named = FormatsNamed(text);
    if (named.size() > 1) {
      return texts::Fill(
          texts::Tr("\"%s\" is ambiguous: it is the extension of %s formats; name one of them:%s"),
          {text, std::to_string(named.size()), FormatChoices(named)});
    }
    if (named.size() == 1) index = row_of(named.front()->DisplayName);
  }
  std::vector<const OutputFormat*> all;
  for (const OutputFormat& format : FormatCatalogue) all.push_back(&format);
  // A separator row is no format.
  if (index >= 0 && index < form.ComboOutputFormat.count() && IsSeparatorRow(items[index])) {
    return texts::Fill(
        texts::Tr("row %s of the format list is a separator, not a format; formats:%s"),
        {text, FormatChoices(all)});
  }
  if (index < 0 || index >= form.ComboOutputFormat.count()) {
    return texts::Fill(
        texts::Tr("\"%s\" is neither an output format, its short name or "
                  "extension, nor the row index of a format in 0..%s; formats:%s"),
        {text, std::to_string(form.ComboOutputFormat.count() - 1), FormatChoices(all)});
  }
  form.ComboOutputFormat.UserSelect(index);
  return {};
}

// Applies the stored settings to the window as the options dialog's creation does. The file is
// read through a private copy: loading may delete a settings file it rejects, and vidloom-cli
// never changes the stored settings. The shutdown choice is not taken over: vidloom-cli never
// powers the computer off.
void LoadStoredSettings(MainWindow& window, Dialogs& dialogs) {
  const std::string override_path = platform::Environment("VIDLOOM_SETTINGS").value_or("");
  const std::string stored =
      !override_path.empty() ? override_path : settings::DefaultSettingsPath();
  const auto scratch = platform::MakeTemporaryDirectory("vidloom-cli-settings-");
  if (!scratch) return;  // without a copy, the designed defaults stay
  const std::string copy = *scratch + platform::kPathSeparator + settings::kSettingsFileName;
  std::error_code error;
  if (std::filesystem::is_regular_file(platform::FsPath(stored), error)) {
    std::filesystem::copy_file(platform::FsPath(stored), platform::FsPath(copy), error);
  }
  settings::SettingsContext context{.path = copy,
                                    .main_form = window.main_form,
                                    .options_form = window.options_form,
                                    .window = window.window,
                                    .dialogs = dialogs};
  settings::LoadSettings(context);
  window.options_form.CheckBoxShutDown.SetChecked(false);
  std::filesystem::remove_all(platform::FsPath(*scratch), error);
}

void ShowOptions(const MainForm& form) {
  for (const char* name : kSelectorOrder) {
    const Selector* s = SelectorByName(const_cast<MainForm&>(form), name);
    std::cout << name << '\t' << (s->enabled() ? 1 : 0) << '\t' << s->selected();
    for (const auto& item : s->items()) std::cout << '\t' << item;
    std::cout << '\n';
  }
}

void PrintRows(const MainForm& form) {
  for (const auto& row : form.FileList.rows()) {
    std::cout << row.input_path;
    for (const auto& cell : row.cells) std::cout << '\t' << cell;
    std::cout << '\n';
  }
}

// The dry run: the commands as the batch would make them; nothing is created or deleted.
int PrintCommands(MainWindow& window) {
  MainForm& form = window.main_form;
  // The names a batch would give, in list order: two inputs of one name get two outputs.
  OutputOwners owners;
  const CommandContext context{
      .program_directory = window.program_directory(), .dry_run = true, .owners = &owners};
  for (const FileEntry& entry : form.FileList.rows()) {
    if (!entry.checked) continue;
    const auto row = TakeRow(form, window.options_form, window.window, entry.id);
    try {
      const RowCommand run = BuildFirstCommand(context, *row);
      owners.emplace(platform::PathKey(run.output_path), entry.id);
      std::cout << run.command << '\n';
      if (run.thumbnail_wanted) std::cout << BuildThumbnailCommand(run) << '\n';
    } catch (const OutputDirectoryError& error) {
      window.dialogs().ShowMessage(form, texts::Tr(kInformationCaption), error.what());
      return 1;
    }
  }
  return 0;
}

// Prints each row's progress as it changes: in place on a terminal, a line per change otherwise.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(const MainForm& form) : form_(form), tty_(StdoutIsTerminal()) {}

  void OnChange(int row) {
    if (row < 0 || row >= form_.FileList.count()) return;
    const auto& entry = form_.FileList.row(row);
    const std::string progress = ProgressText(entry);
    std::string line = "[" + std::to_string(row + 1) + "/" +
                       std::to_string(form_.FileList.count()) + "] " +
                       std::string(platform::FileNamePart(entry.input_path)) + ": " +
                       (progress.empty() ? "-" : texts::Tr(progress));
    if (entry.frames) {
      line += "  " + texts::Fill(texts::Tr("frames %s"), {std::to_string(*entry.frames)});
    }
    const std::string size = OutputSizeText(entry);
    if (!size.empty()) line += "  " + size;
    if (line == last_line_) return;
    last_line_ = line;
    if (tty_) {
      if (row != last_row_ && last_row_ >= 0) std::cout << '\n';
      std::cout << "\r\033[K" << line << std::flush;
    } else {
      std::cout << line << '\n' << std::flush;
    }
    last_row_ = row;
  }
  void Finish() {
    if (tty_ && last_row_ >= 0) std::cout << '\n';
  }

 private:
  const MainForm& form_;
  bool tty_;
  int last_row_ = -1;
  std::string last_line_;
};

// Writes a JSON line for each change of a row; a change that leaves the line as it was is not
// written again.
class JsonRowWriter {
 public:
  explicit JsonRowWriter(const MainForm& form) : form_(form) {}

  void OnChange(int row) {
    if (row < 0 || row >= form_.FileList.count()) return;
    const FileEntry& entry = form_.FileList.row(row);
    std::string line = RowJson(ReportRow(entry));
    if (last_lines_.size() <= static_cast<std::size_t>(row)) last_lines_.resize(row + 1);
    if (line == last_lines_[row]) return;
    std::cout << line << '\n' << std::flush;
    last_lines_[row] = std::move(line);
  }

 private:
  const MainForm& form_;
  std::vector<std::string> last_lines_;
};

// The word of a row in the result table: the window's, "Skipped" for a row the batch did not
// reach, "-" for one it did not convert.
std::string TableWord(const FileEntry& row) {
  if (row.state == RowState::kSkipped) return texts::Tr("Skipped");
  const std::string word = ProgressText(row);
  return word.empty() ? "-" : texts::Tr(word);
}

// `skipped`: the paths of the command line that got no row, with why.
int Convert(MainWindow& window, HeadlessUiThread& ui, bool json,
            const std::vector<RowReport>& skipped) {
  if (g_interrupted) return 130;  // interrupted while the files were added
  MainForm& form = window.main_form;
  ProgressPrinter printer(form);
  JsonRowWriter json_rows(form);
  form.FileList.SubscribeRows([&](ListView::Change change, int row) {
    if (change != ListView::Change::kRowChanged) return;
    if (json) {
      json_rows.OnChange(row);
    } else {
      printer.OnChange(row);
    }
  });

  window.ConvertNowButtonClick();
  ui.RunUntil([&] {
    if (g_interrupted && window.conversion.batch.Converting &&
        !window.conversion.requests.StopRequested) {
      CliDialogs::Answered(texts::Tr(kStopQuestion),
                           true);  // Ctrl-C is the window's Stop, confirmed
      window.StopBatch();
    }
    return !window.BatchRunning();
  });
  window.WaitForBatch();
  printer.Finish();

  // A line per file: its final word, its path and, when it did not end "Done", why, and what
  // the encoder made instead of what was asked; a path that got no row is counted and listed as
  // skipped.
  int total = static_cast<int>(skipped.size());
  int done = 0;
  std::vector<RowReport> reports;
  if (!json) std::cout << "\n" << texts::Tr("Result:") << "\n";
  for (const auto& row : form.FileList.rows()) {
    if (json) {
      reports.push_back(ReportRow(row));
    } else {
      // Why it did not end "Done", then what the encoder made instead of what was asked.
      std::string said = row.reason;
      for (const std::string& note : row.notes) said += (said.empty() ? "" : "; ") + note;
      std::cout << "  " << TableWord(row) << '\t' << row.input_path;
      if (!said.empty()) std::cout << '\t' << said;
      std::cout << '\n';
    }
    if (row.checked) {
      ++total;
      if (row.state == RowState::kDone) ++done;
    }
  }
  for (const RowReport& path : skipped) {
    if (json) {
      reports.push_back(path);
    } else {
      std::cout << "  " << texts::Tr("Skipped") << '\t' << path.file << '\t'
                << texts::Tr(path.reason) << '\n';
    }
  }
  if (json) {
    std::cout << SummaryJson(done, total, reports) << '\n';
  } else {
    std::cout << texts::Fill(total == 1 ? texts::Tr("%s of %s file converted")
                                        : texts::Tr("%s of %s files converted"),
                             {std::to_string(done), std::to_string(total)})
              << "\n";
  }
  if (g_interrupted) return 130;
  return done == total && total > 0 ? 0 : 1;
}

// Applies the chosen format, the other selections, the volume, the output folder and the
// overwrite choice to the window. Returns why a choice cannot be made, or empty.
std::string ApplyChoices(MainWindow& window, const Arguments& a) {
  MainForm& form = window.main_form;
  std::string error;
  if (a.format) error = ChooseFormat(form, *a.format);
  for (const auto& [name, item] : a.selections) {
    if (!error.empty()) return error;
    error = Choose(*SelectorByName(form, name), name, item);
  }
  if (!error.empty()) return error;
  if (a.volume) form.VolumeSlider.SetPosition(*a.volume);
  if (a.output_dir) form.OutputFolder.SetText(AbsolutePath(*a.output_dir));
  if (a.overwrite) window.options_form.CheckBoxOverWrite.SetChecked(true);
  if (a.no_overwrite) window.options_form.CheckBoxOverWrite.SetChecked(false);
  if (a.keep_folders) window.options_form.CheckBoxKeepFolders.SetChecked(true);
  // Not taken from the stored settings: scripts start one file at a time unless they ask.
  window.options_form.SpinEditFilesAtOnce.SetValue(a.jobs);
  return {};
}

// Adds the files of the command line as the window adds files: analysed, or with the given
// source size without analysis. The paths that get no row go to `skipped`, with why. Returns
// false when a required file is missing.
bool AddTheFiles(MainWindow& window, const Arguments& a, std::vector<RowReport>& skipped) {
  // The encoder runs in the program directory: a path relative to ours would miss there.
  std::vector<std::string> files;
  for (const auto& given : a.files) files.push_back(AbsolutePath(given));
  if (a.source_size) {
    for (const auto& file : files) {
      std::string extension;
      FormatExtension(window.main_form, extension);
      analysis::AddFileRow(window.main_form, file, *a.source_size, "0", "0", extension);
    }
    return true;
  }
  if (files.empty()) return true;
  const AddFilesResult added = window.AddGivenFiles(files);
  for (const auto& file : added.missing) {
    std::cerr << "vidloom-cli: " << texts::Fill(texts::Tr("skipped, no such file: %s"), {file})
              << "\n";
    skipped.push_back(SkippedPath(file, kNoSuchFileText));
  }
  for (const auto& folder : added.empty_folders) {
    std::cerr << "vidloom-cli: "
              << texts::Fill(texts::Tr("skipped, no media files in the folder: %s"), {folder})
              << "\n";
    skipped.push_back(SkippedPath(folder, kNoMediaInFolderText));
  }
  if (!added.skipped_output_folder.empty()) {
    std::cerr << "vidloom-cli: "
              << texts::Fill(texts::Tr("skipped the output folder inside a folder given: %s"),
                             {added.skipped_output_folder})
              << "\n";
  }
  for (const auto& file : added.not_started) {
    std::cerr << "vidloom-cli: "
              << texts::Fill(texts::Tr("the encoder could not be started to analyse %s"), {file})
              << "\n";
    skipped.push_back(SkippedPath(file, kNotAnalysedText));
  }
  return added.end != AddFilesResult::End::kRequiredFileMissing;
}

}  // namespace

int RunCli(const std::vector<std::string>& args) {
  // Messages and the result table in the locale's language; --json in English throughout, so
  // that what scripts read is the same in every locale.
  texts::UseLanguage(texts::ChooseLanguage(std::nullopt, texts::SystemLanguages()));
  const ParseResult parsed = ParseArguments(args);
  if (parsed.arguments && parsed.arguments->json) texts::UseLanguage("");
  if (!parsed.arguments) {
    std::cerr << "vidloom-cli: " << parsed.error << "\n"
              << texts::Tr("Try 'vidloom-cli --help'.") << "\n";
    return 2;
  }
  const Arguments& a = *parsed.arguments;
  if (a.mode == Mode::kHelp) {
    std::cout << UsageText();
    return 0;
  }
  if (a.mode == Mode::kVersion) {
    std::cout << "vidloom-cli (Vidloom) " << VIDLOOM_VERSION << "\n";
    return 0;
  }
  const bool needs_files =
      a.mode == Mode::kConvert || a.mode == Mode::kPrintCommands || a.mode == Mode::kPrintRows;
  if (needs_files && a.files.empty()) {
    std::cerr << "vidloom-cli: " << texts::Tr("no FILE given") << "\n"
              << texts::Tr("Try 'vidloom-cli --help'.") << "\n";
    return 2;
  }

  // Before any thread starts, so that only the watcher receives the signals.
  PrepareConsole(a.mode == Mode::kConvert);

  HeadlessUiThread ui;
  CliDialogs dialogs(a.yes);
  MainWindowOptions options;
  options.program_directory = platform::ProgramDirectory();
  options.required_files = platform::kRequiredFiles;
  options.end_pause_ms = 0;        // no progress bar to keep visible
  options.add_files_pause_ms = 0;  // no window to repaint between the files
  MainWindow window(ui, dialogs, options);
  window.PrepareMainWindow();
  if (!a.no_settings) LoadStoredSettings(window, dialogs);
  window.ShowMainWindow();
  MainForm& form = window.main_form;

  if (a.mode == Mode::kListFormats) {
    // Each entry's full text and its short name; the separators as they are listed.
    for (const auto& row : FormatListRows()) {
      const OutputFormat* format = FindFormat(row);
      std::cout << row;
      if (format) std::cout << '\t' << format->ShortName;
      std::cout << '\n';
    }
    return 0;
  }

  // The choices come first, so that a usage error is found before any file is analysed; a row
  // added afterwards gets the chosen format's extension, as it would in the window.
  if (const std::string error = ApplyChoices(window, a); !error.empty()) {
    std::cerr << "vidloom-cli: " << error << "\n";
    return 2;
  }

  std::optional<InterruptWatcher> watcher;
  if (a.mode == Mode::kConvert) {
    watcher.emplace(ui, [&window] {
      // As "Cancel" on the analysing window: the file in hand is finished, no other analysed.
      if (window.analyzing_form.visible) window.analyzing_form.CancelButton.Click();
    });
  }

  std::vector<RowReport> skipped;
  if (!AddTheFiles(window, a, skipped)) return 1;

  switch (a.mode) {
    case Mode::kShowOptions:
      ShowOptions(form);
      return 0;
    case Mode::kPrintRows:
      PrintRows(form);
      return 0;
    case Mode::kPrintCommands:
      return PrintCommands(window);
    default:
      return Convert(window, ui, a.json, skipped);
  }
}

}  // namespace vidloom::cli
