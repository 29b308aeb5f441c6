#include "cli/arguments.h"

#include <charconv>

#include "platform/processors.h"
#include "texts/language.h"

namespace vidloom::cli {
namespace {

// Options that take an item text of a selector, and the selector they choose in.
struct SelectorOption {
  const char* option;
  const char* selector;
};
constexpr SelectorOption kSelectorOptions[] = {
    {"--video-codec", "ComboVideoCodec"},     {"--video-size", "ComboVideoSize"},
    {"--video-bitrate", "ComboVideoBitrate"}, {"--frame-rate", "ComboVideoFramerate"},
    {"--audio-codec", "ComboAudioCodec"},     {"--audio-bitrate", "ComboAudioBitrate"},
    {"--channels", "ComboAudioChannel"},      {"--sample-rate", "ComboSamplingRate"},
    {"--aspect", "ComboAspectRatio"},         {"--letterbox", "ComboLetterBox"},
};

bool TakesValue(const std::string& option) {
  if (option == "--format" || option == "--volume" || option == "--output-dir" ||
      option == "--source-size" || option == "--jobs") {
    return true;
  }
  for (const auto& s : kSelectorOptions) {
    if (option == s.option) return true;
  }
  return false;
}

// `text` lower-cased (ASCII) without blanks.
std::string Folded(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == ' ' || c == '\t') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

// A plain decimal: digits, at most one "." between them.
bool IsNumber(const std::string& text) {
  bool digit = false;
  bool dot = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digit && text.back() != '.';
}

// The first run of digits and dots in `item` ("128" of "128 Kbps"); empty when none.
std::string FirstNumber(const std::string& item) {
  const auto begin = item.find_first_of("0123456789");
  if (begin == std::string::npos) return {};
  const auto end = item.find_first_not_of("0123456789.", begin);
  std::string number = item.substr(begin, end == std::string::npos ? end : end - begin);
  while (!number.empty() && number.back() == '.') number.pop_back();
  return number;
}

}  // namespace

ItemMatch MatchItem(const std::vector<std::string>& items, const std::string& value) {
  const auto find_all = [&](auto&& matches) {
    ItemMatch match;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      if (matches(items[static_cast<std::size_t>(i)])) match.candidates.push_back(i);
    }
    return match;
  };
  ItemMatch match = find_all([&](const std::string& item) { return item == value; });
  if (!match.candidates.empty()) return match;
  const std::string folded = Folded(value);
  if (!folded.empty()) {
    match = find_all([&](const std::string& item) { return Folded(item) == folded; });
    if (!match.candidates.empty()) return match;
  }
  if (IsNumber(value)) {
    match = find_all([&](const std::string& item) { return FirstNumber(item) == value; });
  }
  return match;
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
  Arguments a;
  bool only_files = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (only_files || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      a.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    if (TakesValue(arg)) {
      if (!value) {
        if (i + 1 >= args.size())
          return {std::nullopt, texts::Fill(texts::Tr("%s needs a value"), {arg})};
        value = args[++i];
      }
    } else if (value) {
      return {std::nullopt, texts::Fill(texts::Tr("%s takes no value"), {arg})};
    }

    if (arg == "--format") {
      a.format = *value;
    } else if (arg == "--volume") {
      int position = -1;
      const auto* end = value->data() + value->size();
      const auto [ptr, ec] = std::from_chars(value->data(), end, position);
      if (ec != std::errc() || ptr != end || position < 0 || position > 10) {
        return {std::nullopt, texts::Tr("--volume takes a slider position from 0 to 10")};
      }
      a.volume = position;
    } else if (arg == "--jobs") {
      if (*value == "auto") {
        a.jobs = platform::ProcessorCount();
      } else {
        int jobs = 0;
        const auto* end = value->data() + value->size();
        const auto [ptr, ec] = std::from_chars(value->data(), end, jobs);
        if (ec != std::errc() || ptr != end || jobs < 1) {
          return {std::nullopt, texts::Tr("--jobs takes a number of files from 1 up, or auto")};
        }
        a.jobs = jobs;
      }
    } else if (arg == "--output-dir") {
      a.output_dir = *value;
    } else if (arg == "--source-size") {
      a.source_size = *value;
    } else if (arg == "--overwrite") {
      a.overwrite = true;
    } else if (arg == "--no-overwrite") {
      a.no_overwrite = true;
    } else if (arg == "--keep-folders") {
      a.keep_folders = true;
    } else if (arg == "--no-settings") {
      a.no_settings = true;
    } else if (arg == "--yes") {
      a.yes = true;
    } else if (arg == "--json") {
      a.json = true;
    } else if (arg == "--print-commands") {
      a.mode = Mode::kPrintCommands;
    } else if (arg == "--list-formats") {
      a.mode = Mode::kListFormats;
    } else if (arg == "--show-options") {
      a.mode = Mode::kShowOptions;
    } else if (arg == "--print-rows") {
      a.mode = Mode::kPrintRows;
    } else if (arg == "--help") {
      a.mode = Mode::kHelp;
    } else if (arg == "--version") {
      a.mode = Mode::kVersion;
    } else {
      bool known = false;
      for (const auto& s : kSelectorOptions) {
        if (arg == s.option) {
          a.selections.emplace_back(s.selector, *value);
          known = true;
        }
      }
      if (!known) return {std::nullopt, texts::Fill(texts::Tr("unknown option %s"), {arg})};
    }
  }
  if (a.overwrite && a.no_overwrite) {
    return {std::nullopt, texts::Tr("--overwrite and --no-overwrite exclude each other")};
  }
  return {std::move(a), {}};
}

// Where vazadi.ini lies when the programs' directory is not writable, as each platform keeps it.
#ifdef _WIN32
#define VIDLOOM_SETTINGS_FOLDER "%APPDATA%\\Vidloom"
#else
#define VIDLOOM_SETTINGS_FOLDER "$XDG_CONFIG_HOME/vidloom (default ~/.config/vidloom)"
#endif

std::string UsageText() {
  return texts::Fill(texts::Tr(R"(Usage: vidloom-cli [OPTIONS] FILE...

Converts media files with Vidloom's encoder, as the desktop program does: every FILE becomes a
checked row of the file list, the options choose what the window's selectors would show, and
the rows are converted one after another into the output directory.

Files are added as "Add Files" adds them: each is analysed (frame size, frame rate, duration),
first by the media-information reader, then by the encoder when the reader finds no frame size;
a file the encoder cannot be started for gets no row, and so does a FILE that does not exist
(it is named on standard error). The encoder must lie beside vidloom-cli.

Modes (default: convert):
  --print-commands      print each checked row's encoder command line (and, for PSP formats,
                        its thumbnail command on the next line) without running or creating
                        anything
  --print-rows          print each row's file name and its six cells, tab-separated
  --list-formats        print the 16 rows of the output format list, each format's short name
                        after a tab
  --show-options        print every selector: NAME, enabled (0|1), selected row, items
                        (tab-separated)
  --help                this text
  --version             the program's name and version

Choices (each takes an item of the selector, see --show-options: its text, or the same without
regard to case and blanks, or its number alone, as in --sample-rate 8000):
  --format NAME         output format (applied first): its list text, its row index, its
                        short name or its extension, the last two in any case (mp3, psp-avc;
                        see --list-formats); an extension that several formats share (mp4)
                        names none of them
  --video-codec TEXT    --video-size TEXT     --video-bitrate TEXT   --frame-rate TEXT
  --audio-codec TEXT    --audio-bitrate TEXT  --channels TEXT        --sample-rate TEXT
  --aspect TEXT         --letterbox None|LetterBox
  --volume 0..10        volume slider position (5 = unchanged, 10 = double); 0 writes a video
                        without sound (PSP formats: a silent sound track, which the PSP
                        needs) and leaves the sound of the audio formats (AAC, MP3) unchanged
  --output-dir DIR      output directory (created, one level, when missing)
  --overwrite           replace existing outputs instead of choosing a new name
  --no-overwrite        choose a new name for an output that exists (overrides the stored
                        setting)
  --keep-folders        write each file of a folder named on the command line below the output
                        directory at the place it has below that folder (Music/Artist/01.wav
                        to OUT/Artist/01.mp3), making the folders it needs
  --source-size TEXT    set every row's "Video Size" cell (e.g. "640 x 480") instead of
                        analysing the files
  --jobs N|auto         files converted at once (default 1; auto and the most: the number of
                        processors), each encoder with an equal share of the processors

Settings:
  vidloom-cli starts from the settings the desktop program stored in vazadi.ini (output
  directory, overwrite, output format, letterbox), as the window does, and never writes or
  deletes that file; the options above override them. It never powers the computer off, even
  when the stored settings ask for it. vazadi.ini lies beside the programs when that directory is
  writable, otherwise in %s.
  --no-settings         start from the designed defaults instead of the stored settings
  VIDLOOM_SETTINGS=PATH (environment) read the settings from PATH instead; a testing aid

Other options:
  --yes                 answer questions with Yes/OK
  --json                while converting, write JSON lines to standard output instead of the
                        progress lines and the result table: an object per change of a row
                        {"type":"row","file","state","percent","frames","size_kb","reason",
                        "notes"} and a last one {"type":"summary","converted","total",
                        "files":[{"file","state","reason","notes"}...]}; notes lists what the
                        format could not take as chosen; state is waiting, converting, retrying,
                        thumbnail, done, failed, aborted or skipped (a path that got no row,
                        a file the batch did not reach). A byte of a file name that is not
                        part of valid UTF-8 is written as \u00XX (XX its value)

A conversion ends with a result table: each row's final word, its file and, when it did not end
"Done", why; each named path that got no row (missing, a folder without media files) as
"Skipped"; then "N of M files converted".
While converting, Ctrl-C stops the batch (as "Stop Convert" confirmed; the encoder finishes the
file it writes) and exits with 130.
Exit status: 0 when every checked row ended "Done", 1 when any did not or a path was skipped,
2 for usage errors.
)"),
                     {VIDLOOM_SETTINGS_FOLDER});
}

}  // namespace vidloom::cli
