// vidloom-cli's command line: options and files, parsed without touching the window model.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vidloom::cli {

enum class Mode {
  kConvert,
  kPrintCommands,
  kListFormats,
  kShowOptions,
  kPrintRows,
  kHelp,
  kVersion
};

struct Arguments {
  Mode mode = Mode::kConvert;
  // Selector choices in the order a user makes them: (selector name, item text). The format
  // comes first whatever its place on the command line.
  std::optional<std::string> format;
  std::vector<std::pair<std::string, std::string>> selections;
  std::optional<int> volume;  // slider position 0..10
  std::optional<std::string> output_dir;
  bool overwrite = false;     // --overwrite: tick "Overwrite Existing File With The Same Name"
  bool no_overwrite = false;  // --no-overwrite: untick it (a stored setting may have ticked it)
  bool keep_folders = false;  // --keep-folders: tick "Keep Folder Structure"
  std::optional<std::string> source_size;
  bool no_settings = false;
  bool yes = false;
  bool json = false;  // --json: progress and result as JSON lines on standard output
  int jobs = 1;       // --jobs: files converted at once (auto: the number of processors)
  std::vector<std::string> files;
};

struct ParseResult {
  std::optional<Arguments> arguments;
  std::string error;  // set when arguments is empty
};

ParseResult ParseArguments(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();

// Which of a selector's `items` an option value names, as people type them: the item of that
// exact text; else the items equal to it without regard to ASCII case and blanks ("8000 hz" for
// "8000  Hz", "368x208" for "368 x 208"); else, for a value that is a number alone, the items
// whose first number it is ("128" for "128 Kbps"). `candidates` holds every item of the first
// rule that found any, in list order: one is the answer, several are ambiguous, none is no item.
struct ItemMatch {
  std::vector<int> candidates;
};
ItemMatch MatchItem(const std::vector<std::string>& items, const std::string& value);

}  // namespace vidloom::cli
