// End to end: vidloom-cli converts generated clips with the real encoder, to every format.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "cli/run_program.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

using testing::Lines;
using testing::RunProgram;
using testing::TempDir;

const std::string kCli = VIDLOOM_CLI_PATH;

const char* const kFormats[] = {
    "PSP Video (Good Quality) (*.mp4)",
    "PSP Video (Normal Quality) (*.mp4)",
    "PSP Video (Small File Size) (*.mp4)",
    "PSP AVC Video (*.mp4)",
    "PSP AVC Video Format2 (*.mp4)",
    "PS3 Video(480P) (*.mp4)",
    "PS3 Video(720P) (*.mp4)",
    "PS3 Video(1080P) (*.mp4)",
    "AAC - Advance Audio Coding (*.aac)",
    "MP3 - Mpeg Layer3 Audio (*.mp3)",
    "3GP - 3rd Generation Partnership Project (*.3gp)",
    "3G2 - 3rd Generation Partnership Project 2 (*.3g2)",
};

class CliConvert : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    clips_ = new TempDir;
    // Three short clips in different containers, with sound, made by ffmpeg.
    const std::vector<std::pair<std::string, std::vector<std::string>>> clips = {
        {"one.avi", {"-c:v", "mpeg4", "-c:a", "mp3"}},
        {"two.mov", {"-c:v", "mpeg4", "-c:a", "aac"}},
        {"three four.mp4", {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}},
    };
    for (const auto& [name, codecs] : clips) {
      std::vector<std::string> args = {
          "-hide_banner", "-loglevel", "error", "-y",
          "-f",           "lavfi",     "-i",    "testsrc=size=320x240:rate=25:duration=2",
          "-f",           "lavfi",     "-i",    "sine=frequency=440:duration=2"};
      args.insert(args.end(), codecs.begin(), codecs.end());
      args.push_back("-shortest");
      args.push_back(*clips_ / name);
      ASSERT_EQ(RunProgram("/usr/bin/ffmpeg", args).status, 0) << name;
    }
  }
  static void TearDownTestSuite() { delete clips_; }

  static std::vector<std::string> Clips() {
    return {*clips_ / "one.avi", *clips_ / "two.mov", *clips_ / "three four.mp4"};
  }

  static TempDir* clips_;
};
TempDir* CliConvert::clips_ = nullptr;

class CliConvertFormat : public CliConvert, public ::testing::WithParamInterface<int> {};

TEST_P(CliConvertFormat, EveryClipEndsDone) {
  const std::string format = kFormats[GetParam()];
  TempDir out;
  std::vector<std::string> args = {"--no-settings", "--format", format, "--output-dir", out.path()};
  for (const auto& clip : Clips()) args.push_back(clip);
  const auto r = RunProgram(kCli, args);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto lines = Lines(r.out);
  // The defaults are made as chosen, but AMR-NB's top rate is below 3GP's audio bitrates:
  // the row says so.
  const bool amr = format.rfind("3G", 0) == 0;
  const std::string note = amr ? "\t12.2 kbit/s: AMR-NB has no 48 kbit/s" : "";
  int done = 0;
  for (const auto& line : lines) {
    if (line.rfind("  Done\t", 0) != 0) continue;
    ++done;
    EXPECT_EQ(line.substr(line.size() - std::min(line.size(), note.size())), note) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), amr ? 2 : 1) << line;
  }
  EXPECT_EQ(done, 3) << r.out;
  const bool psp = format.rfind("PSP", 0) == 0;
  for (const char* base : {"one", "two", "three four"}) {
    std::string extension = format.substr(format.rfind("*.") + 2, 3);
    EXPECT_GT(std::filesystem::file_size(out / (std::string(base) + "." + extension)), 0u) << base;
    EXPECT_EQ(std::filesystem::exists(out / (std::string(base) + ".THM")), psp) << base;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, CliConvertFormat, ::testing::Range(0, 12));

TEST_F(CliConvert, CorruptInputFailsAfterItsRetryAndTheBatchGoesOn) {
  TempDir out;
  testing::WriteTextFile(out / "corrupt.avi", std::string(4096, '\x5a'));
  const auto r =
      RunProgram(kCli, {"--no-settings", "--format", "PS3 Video(480P) (*.mp4)", "--output-dir",
                        out / "result", out / "corrupt.avi", Clips()[0]});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const auto lines = Lines(r.out);
  // The encoder's own reason stands beside the word.
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "  Failed\t" + out / "corrupt.avi" +
                          "\tUnknown format: the input is not a readable media file"),
            lines.end())
      << r.out;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  Done\t" + Clips()[0]), lines.end()) << r.out;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1 of 2 files converted"), lines.end()) << r.out;
}

// Two files at once: every clip converted with its thumbnail, the corrupt one retried and
// failed with its own reason, the table in list order.
TEST_F(CliConvert, TwoAtOnceConvertEveryClipAndEachRowKeepsItsEnd) {
  TempDir out;
  testing::WriteTextFile(out / "corrupt.avi", std::string(4096, '\x5a'));
  std::vector<std::string> args = {
      "--no-settings", "--jobs",           "2", "--format", "psp", "--output-dir",
      out / "result",  out / "corrupt.avi"};
  for (const auto& clip : Clips()) args.push_back(clip);
  const auto r = RunProgram(kCli, args);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const auto lines = Lines(r.out);
  std::vector<std::string> table;
  for (const auto& line : lines) {
    if (line.rfind("  ", 0) == 0 && line.find('\t') != std::string::npos) table.push_back(line);
  }
  EXPECT_EQ(table, (std::vector<std::string>{
                       "  Failed\t" + out / "corrupt.avi" +
                           "\tUnknown format: the input is not a readable media file",
                       "  Done\t" + Clips()[0], "  Done\t" + Clips()[1], "  Done\t" + Clips()[2]}))
      << r.out;
  // Each file's progress lines carry its own output size, though two files convert at once.
  for (const char* name : {"one.avi", "two.mov", "three four.mp4"}) {
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                              return line.find(std::string("] ") + name + ": ") !=
                                         std::string::npos &&
                                     line.find("Output File Size : ") != std::string::npos;
                            }))
        << name << "\n"
        << r.out;
  }
  for (const char* base : {"one", "two", "three four"}) {
    EXPECT_GT(std::filesystem::file_size(out / ("result/" + std::string(base) + ".mp4")), 0u);
    EXPECT_GT(std::filesystem::file_size(out / ("result/" + std::string(base) + ".THM")), 0u);
  }
}

// Two files of one stem, one file at a time and both at once: with overwrite every run gives
// them the same names, in list order, and replaces those files (one never replaces the
// other's); without it they get the next free names.
TEST_F(CliConvert, RerunsWithOverwriteReplaceTheSameFiles) {
  TempDir dir;
  std::filesystem::copy_file(Clips()[0], dir / "clip.avi");
  std::filesystem::copy_file(Clips()[1], dir / "clip.mov");
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    const std::string out = dir / ("out" + std::string(jobs));
    auto convert = [&](const char* overwrite) {
      const auto r =
          RunProgram(kCli, {"--no-settings", "--format", "mp3", "--jobs", jobs, overwrite,
                            "--output-dir", out, dir / "clip.avi", dir / "clip.mov"});
      EXPECT_EQ(r.status, 0) << r.out << r.err;
      std::set<std::string> names;
      for (const auto& entry : std::filesystem::directory_iterator(out)) {
        names.insert(entry.path().filename().string());
      }
      return names;
    };
    const std::set<std::string> first = {"clip.mp3", "clip-1.mp3"};
    EXPECT_EQ(convert("--overwrite"), first);
    EXPECT_EQ(convert("--overwrite"), first);
    EXPECT_EQ(convert("--no-overwrite"),
              (std::set<std::string>{"clip.mp3", "clip-1.mp3", "clip-2.mp3", "clip-3.mp3"}));
  }
}

// A folder's tree is kept below the output folder with --keep-folders; a file given alone,
// and every file without the option, lands in the output folder itself.
TEST_F(CliConvert, KeepFoldersMirrorsTheAddedFolder) {
  TempDir dir;
  std::filesystem::create_directories(dir / "Music/Artist/Album");
  std::filesystem::copy_file(Clips()[1], dir / "Music/Artist/Album/01.mov");
  std::filesystem::copy_file(Clips()[1], dir / "Music/02.mov");
  std::filesystem::copy_file(Clips()[1], dir / "alone.mov");
  auto convert = [&](std::vector<std::string> options) {
    const std::string out = dir / "out";
    std::filesystem::remove_all(out);
    options.insert(options.end(), {"--no-settings", "--format", "mp3", "--output-dir", out,
                                   dir / "Music", dir / "alone.mov"});
    const auto r = RunProgram(kCli, options);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
      if (entry.is_regular_file()) files.insert(entry.path().lexically_relative(out).string());
    }
    return files;
  };
  EXPECT_EQ(convert({"--keep-folders"}),
            (std::set<std::string>{"Artist/Album/01.mp3", "02.mp3", "alone.mp3"}));
  EXPECT_EQ(convert({}), (std::set<std::string>{"01.mp3", "02.mp3", "alone.mp3"}));

  // The output folder inside the folder given: running again converts the same files into the
  // same places, never the first run's outputs.
  const std::string inside = dir / "Music/Converted";
  for (int run = 0; run < 2; ++run) {
    const auto r = RunProgram(kCli, {"--no-settings", "--format", "mp3", "--keep-folders",
                                     "--overwrite", "--output-dir", inside, dir / "Music"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err.find("skipped the output folder") != std::string::npos, run == 1) << r.err;
  }
  std::set<std::string> converted;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(inside)) {
    if (entry.is_regular_file()) converted.insert(entry.path().lexically_relative(inside).string());
  }
  EXPECT_EQ(converted, (std::set<std::string>{"Artist/Album/01.mp3", "02.mp3"}));
}

TEST_F(CliConvert, MissingInputFailsAndSaysWhy) {
  TempDir out;
  const auto r = RunProgram(kCli, {"--no-settings", "--source-size", "320 x 240", "--output-dir",
                                   out.path(), out / "gone.avi"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("  Failed\t" + out / "gone.avi" + "\tthe file no longer exists\n"),
            std::string::npos)
      << r.out;

  // A path that gets no row (nothing there, a folder without media) is counted, listed and
  // makes the exit status 1, though every row was converted.
  std::filesystem::create_directory(out / "empty folder");
  const auto skipped =
      RunProgram(kCli, {"--no-settings", "--format", "mp3", "--output-dir", out / "mp3", Clips()[0],
                        out / "nosuch.wav", out / "empty folder"});
  EXPECT_EQ(skipped.status, 1) << skipped.out << skipped.err;
  for (const std::string& line :
       {"  Done\t" + Clips()[0], "  Skipped\t" + out / "nosuch.wav" + "\tno such file",
        "  Skipped\t" + out / "empty folder" + "\tno media files in the folder",
        std::string("1 of 3 files converted")}) {
    EXPECT_NE(skipped.out.find("\n" + line + "\n"), std::string::npos) << line << skipped.out;
  }

  // In a German locale the table is German; the options still take the English item texts,
  // and --json stays English, so that scripts read the same in every locale.
  const std::vector<std::string> german = {"LANGUAGE=", "LC_ALL=de_DE.UTF-8"};
  const std::vector<std::string> args = {
      "--no-settings", "--format", "mp3",      "--channels",       "Stereo",
      "--output-dir",  out / "de", Clips()[0], out / "nosuch.wav", out / "gone.avi"};
  const auto in_german = RunProgram(kCli, args, german);
  EXPECT_EQ(in_german.status, 1) << in_german.out << in_german.err;
  for (const std::string& line :
       {"  Fertig\t" + Clips()[0],
        "  Übersprungen\t" + out / "nosuch.wav" + "\tDatei nicht gefunden",
        std::string("1 von 3 Dateien konvertiert")}) {
    EXPECT_NE(in_german.out.find("\n" + line + "\n"), std::string::npos) << line << in_german.out;
  }
  std::vector<std::string> json_args = args;
  json_args.insert(json_args.begin(), "--json");
  json_args.back() = out / "gone.avi";
  const auto json = RunProgram(kCli, json_args, german);
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find("\"state\":\"done\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"reason\":\"no such file\""), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find("Fertig"), std::string::npos) << json.out;
  // The same choices make the same commands, byte for byte, in either language.
  const std::vector<std::string> dry = {
      "--no-settings", "--print-commands", "--format",     "psp",        "--channels", "Mono",
      "--frame-rate",  "14.985 fps",       "--output-dir", out / "same", Clips()[1]};
  const auto english_commands = RunProgram(kCli, dry);
  ASSERT_EQ(english_commands.status, 0) << english_commands.err;
  EXPECT_EQ(RunProgram(kCli, dry, german).out, english_commands.out);
}

// A JSON value as the lines of --json hold them, and a small strict reader for one line.
struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text = {};
  std::vector<Json> items = {};
  std::vector<std::pair<std::string, Json>> members = {};

  const Json* Member(const std::string& name) const {
    for (const auto& [key, value] : members) {
      if (key == name) return &value;
    }
    return nullptr;
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& member : members) keys.push_back(member.first);
    return keys;
  }
};

class JsonReader {
 public:
  // The value of the whole line, or nothing when it is not exactly one JSON value.
  static std::optional<Json> Read(const std::string& line) {
    JsonReader reader(line);
    std::optional<Json> value = reader.Value();
    if (value && reader.at_ != line.size()) return std::nullopt;
    return value;
  }

 private:
  explicit JsonReader(const std::string& text) : s_(text) {}

  bool Take(char c) {
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool TakeWord(const std::string& word) {
    if (s_.compare(at_, word.size(), word) != 0) return false;
    at_ += word.size();
    return true;
  }

  std::optional<Json> Value() {
    Json v;
    if (at_ >= s_.size()) return std::nullopt;
    const char c = s_[at_];
    if (TakeWord("null")) return v;
    if (TakeWord("true") || TakeWord("false")) {
      v.kind = Json::Kind::kBool;
      v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';  // "true", not "false"
      return v;
    }
    if (c == '"') {
      auto text = String();
      if (!text) return std::nullopt;
      v.kind = Json::Kind::kString;
      v.text = *text;
      return v;
    }
    if (Take('[')) {
      v.kind = Json::Kind::kArray;
      if (Take(']')) return v;
      do {
        auto item = Value();
        if (!item) return std::nullopt;
        v.items.push_back(*item);
      } while (Take(','));
      return Take(']') ? std::optional<Json>(v) : std::nullopt;
    }
    if (Take('{')) {
      v.kind = Json::Kind::kObject;
      if (Take('}')) return v;
      do {
        auto key = String();
        if (!key || !Take(':')) return std::nullopt;
        auto value = Value();
        if (!value) return std::nullopt;
        v.members.emplace_back(*key, *value);
      } while (Take(','));
      return Take('}') ? std::optional<Json>(v) : std::nullopt;
    }
    const std::size_t start = at_;
    while (at_ < s_.size() && std::strchr("-+.eE0123456789", s_[at_])) ++at_;
    if (at_ == start) return std::nullopt;
    v.kind = Json::Kind::kNumber;
    v.number = std::stod(s_.substr(start, at_ - start));
    return v;
  }

  // A string; \uXXXX escapes become UTF-8. A raw control character is refused.
  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string out;
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size()) return std::nullopt;
      const char e = s_[at_++];
      const std::string simple = "\"\\/bfnrt";
      const std::string meant = "\"\\/\b\f\n\r\t";
      if (const auto k = simple.find(e); k != std::string::npos) {
        out += meant[k];
      } else if (e == 'u' && at_ + 4 <= s_.size()) {
        const unsigned code = std::stoul(s_.substr(at_, 4), nullptr, 16);
        at_ += 4;
        if (code < 0x80) {
          out += static_cast<char>(code);
        } else if (code < 0x800) {
          out += static_cast<char>(0xC0 | (code >> 6));
          out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
          out += static_cast<char>(0xE0 | (code >> 12));
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (code & 0x3F));
        }
      } else {
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  const std::string& s_;
  std::size_t at_ = 0;
};

// --json: standard output holds JSON lines only, an object per change of a row and the summary
// last; file names with quotes, backslashes and a byte that is not UTF-8 come back readable.
TEST_F(CliConvert, JsonLinesReportEachRowAndTheSummary) {
  TempDir dir;
  const std::string odd = dir / "odd \"name\" back\\slash \xff.avi";
  std::filesystem::copy_file(Clips()[0], odd);
  testing::WriteTextFile(dir / "corrupt.avi", std::string(4096, '\x5a'));
  std::filesystem::create_directory(dir / "no media");
  const std::vector<std::string> inputs = {odd, Clips()[1], dir / "corrupt.avi", dir / "gone.wav",
                                           dir / "no media"};
  // 96000 Hz is listed for MP3, which has no such rate: the rows say what was made instead.
  std::vector<std::string> args = {"--no-settings", "--json",    "--format",      "mp3",
                                   "--output-dir",  dir / "out", "--sample-rate", "96000"};
  args.insert(args.end(), inputs.begin(), inputs.end());
  const auto r = RunProgram(kCli, args);
  EXPECT_EQ(r.status, 1) << r.out << r.err;

  // The name as a reader decodes it: the lone byte 0xFF is the character U+00FF.
  const std::string odd_read = dir / "odd \"name\" back\\slash \xc3\xbf.avi";
  const std::vector<std::string> files = {odd_read, Clips()[1], dir / "corrupt.avi",
                                          dir / "gone.wav", dir / "no media"};
  const std::vector<std::string> row_keys = {"type",   "file",    "state",  "percent",
                                             "frames", "size_kb", "reason", "notes"};
  const std::vector<std::string> states = {"waiting", "converting", "retrying", "thumbnail",
                                           "done",    "failed",     "aborted",  "skipped"};
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 2u) << r.out;
  std::map<std::string, std::vector<Json>> rows_of;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const auto row = JsonReader::Read(lines[i]);
    ASSERT_TRUE(row) << lines[i];
    ASSERT_EQ(row->Keys(), row_keys) << lines[i];
    EXPECT_EQ(row->Member("type")->text, "row");
    const std::string& state = row->Member("state")->text;
    EXPECT_NE(std::find(states.begin(), states.end(), state), states.end()) << lines[i];
    const Json& percent = *row->Member("percent");
    if ((state == "converting" || state == "retrying") && percent.kind != Json::Kind::kNull) {
      ASSERT_EQ(percent.kind, Json::Kind::kNumber) << lines[i];
      EXPECT_GE(percent.number, 0);
      EXPECT_LE(percent.number, 100);
    } else {
      EXPECT_EQ(percent.kind, Json::Kind::kNull) << lines[i];
    }
    EXPECT_NE(row->Member("frames")->kind, Json::Kind::kString);
    EXPECT_NE(row->Member("size_kb")->kind, Json::Kind::kString);
    rows_of[row->Member("file")->text].push_back(*row);
  }
  for (std::size_t i = 0; i < 3; ++i) ASSERT_TRUE(rows_of.count(files[i])) << files[i] << r.out;
  EXPECT_EQ(rows_of.size(), 3u) << "the skipped paths have no row " << r.out;
  // The audio files were seen converting with their size; each row's last object is its end.
  for (const auto& file : {files[0], files[1]}) {
    const auto& seen = rows_of[file];
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Json& row) {
      return row.Member("state")->text == "converting" &&
             row.Member("size_kb")->kind == Json::Kind::kNumber;
    })) << file;
    EXPECT_EQ(seen.back().Member("state")->text, "done") << file;
    EXPECT_EQ(seen.back().Member("reason")->text, "") << file;
    const auto& notes = seen.back().Member("notes")->items;
    ASSERT_EQ(notes.size(), 1u) << file;
    EXPECT_EQ(notes[0].text, "48000 Hz: MP3 has no 96000 Hz");
  }
  const Json& failed = rows_of[files[2]].back();
  EXPECT_EQ(failed.Member("state")->text, "failed");
  EXPECT_EQ(failed.Member("reason")->text,
            "Unknown format: the input is not a readable media file");
  // The retried row's states come in the order they happen: it converts, it is retried, and
  // only then has it failed.
  std::vector<std::string> order;
  for (const Json& row : rows_of[files[2]]) {
    if (order.empty() || order.back() != row.Member("state")->text) {
      order.push_back(row.Member("state")->text);
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"converting", "retrying", "failed"}));

  const auto summary = JsonReader::Read(lines.back());
  ASSERT_TRUE(summary) << lines.back();
  EXPECT_EQ(summary->Keys(), (std::vector<std::string>{"type", "converted", "total", "files"}));
  EXPECT_EQ(summary->Member("type")->text, "summary");
  EXPECT_EQ(summary->Member("converted")->number, 2);
  EXPECT_EQ(summary->Member("total")->number, 5);
  const auto& entries = summary->Member("files")->items;
  ASSERT_EQ(entries.size(), 5u);
  const char* const final_states[] = {"done", "done", "failed", "skipped", "skipped"};
  const std::string reasons[] = {"", "", "Unknown format: the input is not a readable media file",
                                 "no such file", "no media files in the folder"};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].Keys(), (std::vector<std::string>{"file", "state", "reason", "notes"}));
    EXPECT_EQ(entries[i].Member("file")->text, files[i]);
    EXPECT_EQ(entries[i].Member("state")->text, final_states[i]);
    EXPECT_EQ(entries[i].Member("reason")->text, reasons[i]);
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "out/two.mp3"));
}

// ---------------------------------------------------------------------------------------------
// What the outputs hold, read back with ffmpeg, ffprobe and the file's own boxes: every source
// frame, levels the streams keep, the index first, the shape the source is shown at.

const std::string kFfmpeg = "/usr/bin/ffmpeg";
const std::string kFfprobe = "/usr/bin/ffprobe";

std::string Ffmpeg(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"-hide_banner", "-loglevel", "error", "-y"};
  all.insert(all.end(), args.begin(), args.end());
  const auto r = RunProgram(kFfmpeg, all);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

// ffprobe's values of the first video stream ("width" -> "368").
std::map<std::string, std::string> VideoStream(const std::string& path) {
  const auto r = RunProgram(kFfprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                       "stream=codec_name,width,height,level,r_frame_rate,"
                                       "sample_aspect_ratio",
                                       "-of", "default=noprint_wrappers=1", path});
  std::map<std::string, std::string> values;
  for (const auto& line : Lines(r.out)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

// Every source frame of the counter clip is one flat grey, 16 + 8 times its number; the
// numbers of the frames in `path` (after `filters`), read in the middle of the picture.
std::vector<int> FrameNumbers(const std::string& path, const std::string& filters = "") {
  const std::string bytes =
      Ffmpeg({"-i", path, "-vsync", "passthrough", "-vf",
              filters + "crop=16:16:(iw-16)/2:(ih-16)/2,extractplanes=y,scale=1:1:flags=area", "-f",
              "rawvideo", "-"});
  std::vector<int> numbers;
  for (unsigned char c : bytes) numbers.push_back(static_cast<int>(std::lround((c - 16) / 8.0)));
  return numbers;
}

// The top-level box types of an MP4/3GP file, in order.
std::vector<std::string> TopLevelBoxes(const std::string& file) {
  std::vector<std::string> types;
  for (std::size_t at = 0; at + 8 <= file.size();) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(file[at + i]); };
    const uint64_t size = (uint64_t{byte(0)} << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
    types.push_back(file.substr(at + 4, 4));
    if (size < 8) break;
    at += size;
  }
  return types;
}

// The limits of a level: largest frame (width, height and macroblocks), macroblocks per second,
// kbit/s and decoder buffer in kbit.
struct LevelLimit {
  int level;
  int width, height;
  double frame_mbs, mbs_per_second, kbps, buffer_kbits;
};

// MPEG-4 Part 2 Simple profile (ISO/IEC 14496-2 Annex N), H.263 profile 0 (Annex X), H.264
// Main profile (Table A-1; High allows 1.25 times the rate and buffer).
const std::map<std::string, std::vector<LevelLimit>>& LevelTables() {
  static const std::map<std::string, std::vector<LevelLimit>> tables = {
      {"mpeg4",
       {{1, 4096, 4096, 99, 1485, 64, 160},
        {2, 4096, 4096, 396, 5940, 128, 640},
        {3, 4096, 4096, 396, 11880, 384, 640},
        {4, 4096, 4096, 1200, 36000, 4000, 1280},
        {5, 4096, 4096, 1620, 40500, 8000, 1792},
        {6, 4096, 4096, 3600, 108000, 12000, 3968}}},
      {"h263",
       {{10, 176, 144, 99, 1485, 64, 1e9},
        {20, 352, 288, 396, 5940, 128, 1e9},
        {30, 352, 288, 396, 11880, 384, 1e9},
        {40, 352, 288, 396, 11880, 2048, 1e9}}},
      {"h264",
       {{10, 4096, 4096, 99, 1485, 64, 175},
        {11, 4096, 4096, 396, 3000, 192, 500},
        {12, 4096, 4096, 396, 6000, 384, 1000},
        {13, 4096, 4096, 396, 11880, 768, 2000},
        {20, 4096, 4096, 396, 11880, 2000, 2000},
        {21, 4096, 4096, 792, 19800, 4000, 4000},
        {22, 4096, 4096, 1620, 20250, 4000, 4000},
        {30, 4096, 4096, 1620, 40500, 10000, 10000},
        {31, 4096, 4096, 3600, 108000, 14000, 14000},
        {32, 4096, 4096, 5120, 216000, 20000, 20000},
        {40, 4096, 4096, 8192, 245760, 20000, 25000},
        {41, 4096, 4096, 8192, 245760, 50000, 62500}}},
  };
  return tables;
}

// What a stream asks of its decoder: from its frame and rate, and the bit rate and buffer of
// the command that made it.
struct Demand {
  int width = 0, height = 0;
  double fps = 0, kbps = 0, buffer_kbits = 0;
  double factor = 1;  // 1.25 for H.264 High
};

bool Keeps(const LevelLimit& l, const Demand& d) {
  const double mbs = std::ceil(d.width / 16.0) * std::ceil(d.height / 16.0);
  return d.width <= l.width && d.height <= l.height && mbs <= l.frame_mbs &&
         mbs * d.fps <= l.mbs_per_second + 0.5 && d.kbps <= l.kbps * d.factor &&
         d.buffer_kbits <= l.buffer_kbits * d.factor;
}

// The value after `option` in an encoder command line ("-b \"768\"" -> 768), 0 when absent.
double OptionValue(const std::string& command, const std::string& option) {
  const auto at = command.find(" " + option + " ");
  if (at == std::string::npos) return 0;
  std::size_t value = at + option.size() + 2;
  if (command[value] == '"') ++value;
  return std::atof(command.c_str() + value);
}

struct FidelityCase {
  int format;         // index into kFormats
  const char* codec;  // a video codec to choose, or nullptr for the format's own
  int size;           // -1: the format's default size, 0: the smallest, 1: the largest
};

std::string FidelityName(const ::testing::TestParamInfo<FidelityCase>& info) {
  const char* const sizes[] = {"Default", "Smallest", "Largest"};
  return "Format" + std::to_string(info.param.format) + (info.param.codec ? info.param.codec : "") +
         sizes[info.param.size + 1];
}

std::vector<FidelityCase> FidelityCases() {
  std::vector<FidelityCase> cases;
  for (int format : {0, 1, 2, 3, 4, 5, 6, 7, 10, 11}) {
    for (int size : {-1, 0, 1}) cases.push_back({format, nullptr, size});
  }
  for (int format : {10, 11}) {
    for (int size : {-1, 0, 1}) cases.push_back({format, "H263", size});
  }
  return cases;
}

class CliOutputFidelity : public ::testing::TestWithParam<FidelityCase> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    Ffmpeg({"-f", "lavfi", "-i", "color=c=black:s=320x240:r=25:d=1,geq=lum='16+8*N':cb=128:cr=128",
            "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:v", "mpeg4", "-q:v", "2",
            "-c:a", "mp3", "-shortest", *dir_ / "counter.mkv"});
  }
  static void TearDownTestSuite() { delete dir_; }
  static TempDir* dir_;
};
TempDir* CliOutputFidelity::dir_ = nullptr;

// Every size a selector offers gives a file the device plays, every source frame reaches it,
// its header states the lowest level the stream keeps and its index comes first.
TEST_P(CliOutputFidelity, EveryFrameTheRightLevelAndTheIndexFirst) {
  const FidelityCase& c = GetParam();
  const std::string input = *dir_ / "counter.mkv";
  TempDir out;
  std::vector<std::string> choices = {"--no-settings", "--format", kFormats[c.format]};
  if (c.codec) choices.insert(choices.end(), {"--video-codec", c.codec});
  const auto options = RunProgram(kCli, [&] {
    auto a = choices;
    a.push_back("--show-options");
    return a;
  }());
  std::vector<std::string> sizes;
  for (const auto& line : Lines(options.out)) {
    if (line.rfind("ComboVideoSize\t", 0) != 0) continue;
    std::stringstream fields(line);
    std::string field;
    for (int i = 0; std::getline(fields, field, '\t'); ++i) {
      if (i >= 3) sizes.push_back(field);
    }
  }
  ASSERT_FALSE(sizes.empty()) << options.out;
  if (c.size >= 0)
    choices.insert(choices.end(), {"--video-size", c.size == 0 ? sizes.front() : sizes.back()});
  choices.insert(choices.end(), {"--output-dir", out.path(), input});

  auto dry = choices;
  dry.insert(dry.begin(), "--print-commands");
  const std::string command = RunProgram(kCli, dry).out;
  const auto r = RunProgram(kCli, choices);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string format = kFormats[c.format];
  const std::string output = out / ("counter." + format.substr(format.rfind("*.") + 2, 3));
  auto v = VideoStream(output);

  // The offered size, or for H.263 the smallest of its sizes that holds it.
  int width = 0, height = 0;
  std::sscanf(c.size < 0 ? "" : (c.size == 0 ? sizes.front() : sizes.back()).c_str(), "%d x %d",
              &width, &height);
  if (c.size >= 0 && v["codec_name"] == "h263") {
    for (const auto& [w, h] : {std::pair{128, 96}, {176, 144}, {352, 288}}) {
      if (w >= width && h >= height) {
        width = w;
        height = h;
        break;
      }
    }
  }
  if (c.size >= 0) {
    EXPECT_EQ(v["width"], std::to_string(width)) << command;
    EXPECT_EQ(v["height"], std::to_string(height)) << command;
  }

  // The frames: at each output frame's time the source frame shown then (ffmpeg's frame-rate
  // conversion placing each source frame at the first output time at or after its own), each
  // the matching source picture.
  const std::vector<int> expected = FrameNumbers(input, "fps=" + v["r_frame_rate"] + ":round=up,");
  EXPECT_EQ(FrameNumbers(output), expected) << command;
  if (v["r_frame_rate"] == "25/1") {
    std::vector<int> all(25);
    for (int i = 0; i < 25; ++i) all[i] = i;
    EXPECT_EQ(expected, all);
  }

  // The level: the stream keeps its limits, and not those of the level below (the PSP's AVC
  // stream says 2.1 at least, as its own profile box does).
  const std::string file = testing::ReadTextFile(output);
  int level = std::atoi(v["level"].c_str());
  if (v["codec_name"] == "h263") {
    const auto d263 = file.find("d263");
    ASSERT_NE(d263, std::string::npos);
    level = static_cast<unsigned char>(file[d263 + 9]);
  }
  Demand d;
  d.width = std::atoi(v["width"].c_str());
  d.height = std::atoi(v["height"].c_str());
  int num = 0, den = 1;
  std::sscanf(v["r_frame_rate"].c_str(), "%d/%d", &num, &den);
  d.fps = static_cast<double>(num) / den;
  const double maxrate = OptionValue(command, "-maxrate");
  const double rate = OptionValue(command, "-b");
  const double tolerance = OptionValue(command, "-bt");
  d.kbps = maxrate > 0 ? maxrate : rate + (tolerance > 0 ? tolerance : rate / 2);
  d.buffer_kbits = OptionValue(command, "-bufsize") * 8.192;
  const bool psp = format.rfind("PSP", 0) == 0;
  if (v["codec_name"] == "h264" && !psp) d.factor = 1.25;
  const auto& table = LevelTables().at(v["codec_name"]);
  const auto at = std::find_if(table.begin(), table.end(),
                               [&](const LevelLimit& l) { return l.level == level; });
  ASSERT_NE(at, table.end()) << "level " << level << "\n" << command;
  EXPECT_TRUE(Keeps(*at, d)) << "level " << level << "\n" << command;
  if (at != table.begin() && !(psp && level == 21)) {
    EXPECT_FALSE(Keeps(*(at - 1), d)) << "level " << level << "\n" << command;
  }
  if (psp) {
    // The PSP's profile box: the video's codec, profile and level, the level in the low byte.
    const auto vprf = file.find("VPRF");
    ASSERT_NE(vprf, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(file[vprf + 19]), level);
  }

  const auto boxes = TopLevelBoxes(file);
  const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
  const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
  ASSERT_NE(mdat, boxes.end());
  EXPECT_LT(moov, mdat) << "the index comes after the media data";
}

INSTANTIATE_TEST_SUITE_P(VideoFormats, CliOutputFidelity, ::testing::ValuesIn(FidelityCases()),
                         FidelityName);

// The picture inside the bars of the first frames of `path`: "crop=W:H:X:Y".
std::string PictureArea(const std::string& path) {
  const auto r =
      RunProgram(kFfmpeg, {"-hide_banner", "-i", path, "-vf", "cropdetect=limit=0.1:round=2",
                           "-frames:v", "3", "-f", "null", "-"});
  const auto at = r.err.rfind("crop=");
  EXPECT_NE(at, std::string::npos) << r.err;
  return at == std::string::npos
             ? ""
             : r.err.substr(at, r.err.find_first_not_of("crop=0123456789:", at) - at);
}

double Ratio(const std::string& text) {  // "16:15" or "16/15"
  int num = 0, den = 0;
  if (std::sscanf(text.c_str(), "%d%*[:/]%d", &num, &den) != 2 || den == 0) return 0;
  return static_cast<double>(num) / den;
}

// DVD and HDV pictures keep the shape they are shown at: the letterbox and the scaling use the
// display size, and an output at the source's own size keeps its pixel aspect.
TEST(CliOutputShape, DisplayAspectInIsDisplayAspectOut) {
  TempDir dir;
  struct Source {
    const char* name;
    const char* size;
    const char* sar;
  } const sources[] = {
      {"pal43", "720x576", "16/15"},   {"pal169", "720x576", "64/45"}, {"ntsc43", "720x480", "8/9"},
      {"ntsc169", "720x480", "32/27"}, {"hdv", "1440x1080", "4/3"},
  };
  for (const Source& source : sources) {
    const std::string input = dir / (std::string(source.name) + ".mkv");
    Ffmpeg({"-f", "lavfi", "-i",
            std::string("color=c=white:r=25:d=0.4:s=") + source.size + ",setsar=" + source.sar,
            "-c:v", "mpeg4", "-q:v", "3", input});
    int width = 0, height = 0;
    std::sscanf(source.size, "%dx%d", &width, &height);
    const double shown = width * Ratio(source.sar) / height;
    const auto rows = RunProgram(kCli, {"--no-settings", "--print-rows", input});
    EXPECT_NE(rows.out.find(std::to_string(width) + " x " + std::to_string(height)),
              std::string::npos)
        << "the Video Size cell keeps the stored size: " << rows.out;
    struct Output {
      const char* format;
      const char* letterbox;
    } const outputs[] = {{kFormats[0], "LetterBox"},
                         {kFormats[5], "LetterBox"},
                         {kFormats[6], "LetterBox"},
                         {kFormats[5], "None"}};
    for (const Output& o : outputs) {
      TempDir out;
      const auto r = RunProgram(kCli, {"--no-settings", "--format", o.format, "--letterbox",
                                       o.letterbox, "--output-dir", out.path(), input});
      ASSERT_EQ(r.status, 0) << r.out << r.err;
      const std::string output = out / (std::string(source.name) + ".mp4");
      auto v = VideoStream(output);
      int w = 0, h = 0;
      std::sscanf(PictureArea(output).c_str(), "crop=%d:%d", &w, &h);
      ASSERT_GT(h, 0);
      const bool keeps_own_size = std::string(o.letterbox) == "None" &&
                                  v["width"] == std::to_string(width) &&
                                  v["height"] == std::to_string(height);
      const std::string where = std::string(source.name) + " to " + o.format + " " + o.letterbox;
      if (keeps_own_size) {
        // The stored size unchanged: the pixel aspect travels with it.
        EXPECT_NEAR(Ratio(v["sample_aspect_ratio"]), Ratio(source.sar), 1e-9) << where;
      } else if (std::string(o.letterbox) == "None") {
        continue;  // stretched to the frame, as asked
      } else {
        EXPECT_EQ(v["sample_aspect_ratio"], "1:1") << where;
      }
      const double out_shape = w * Ratio(v["sample_aspect_ratio"]) / h;
      EXPECT_NEAR(out_shape / shown, 1.0, 0.01) << where << ": " << w << "x" << h;
    }
  }
}

// A phone's portrait video, stored on its side with a display matrix, stands upright in the
// output and its thumbnail, as the ffmpeg command line shows it; turned and mirrored alike.
TEST(CliOutputShape, TurnedAndMirroredVideosStandAsShown) {
  TempDir dir;
  // Four quadrants of different greys: each turn and mirror orders them differently.
  const std::string plain = dir / "plain.mp4";
  Ffmpeg({"-f", "lavfi", "-i",
          "color=c=black:s=320x180:r=25:d=0.4,geq=lum='40+60*(2*gte(Y,H/2)+gte(X,W/2))':cb=128:"
          "cr=128",
          "-c:v", "mpeg4", "-q:v", "2", plain});
  const std::string plain_bytes = testing::ReadTextFile(plain);
  // The track header's matrix: a, b, c, d (16.16) of the quarter turns, the half turn and a
  // mirror; what a phone writes.
  struct Turn {
    const char* name;
    int a, b, c, d;
    bool portrait;
  } const turns[] = {{"turn90", 0, 1, -1, 0, true},
                     {"turn180", -1, 0, 0, -1, false},
                     {"turn270", 0, -1, 1, 0, true},
                     {"mirrored", -1, 0, 0, 1, false}};
  // The order of the four quadrants' brightness, darkest first.
  auto quadrant_order = [](const std::string& path, const std::string& crop) {
    const std::string q =
        Ffmpeg({"-i", path, "-frames:v", "1", "-vf", crop + "extractplanes=y,scale=2:2:flags=area",
                "-f", "rawvideo", "-"});
    std::vector<int> order = {0, 1, 2, 3};
    if (q.size() != 4) return std::vector<int>{};
    std::sort(order.begin(), order.end(), [&](int x, int y) {
      return static_cast<unsigned char>(q[x]) < static_cast<unsigned char>(q[y]);
    });
    return order;
  };
  for (const Turn& t : turns) {
    std::string bytes = plain_bytes;
    const auto tkhd = bytes.find("tkhd");
    ASSERT_NE(tkhd, std::string::npos);
    ASSERT_EQ(bytes[tkhd + 4], 0) << "a version-0 track header";
    auto put = [&](std::size_t at, int value) {
      const uint32_t fixed = static_cast<uint32_t>(value) << 16;
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(fixed >> (24 - 8 * i));
    };
    const std::size_t matrix = tkhd + 44;
    put(matrix, t.a);
    put(matrix + 4, t.b);
    put(matrix + 12, t.c);
    put(matrix + 16, t.d);
    const std::string input = dir / (std::string(t.name) + ".mp4");
    testing::WriteTextFile(input, bytes);

    const auto rows = RunProgram(kCli, {"--no-settings", "--print-rows", input});
    EXPECT_NE(rows.out.find("\t320 x 180\t"), std::string::npos) << rows.out;
    TempDir out;
    const auto r = RunProgram(
        kCli, {"--no-settings", "--format", kFormats[0], "--output-dir", out.path(), input});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string output = out / (std::string(t.name) + ".mp4");
    const std::string area = PictureArea(output);
    int w = 0, h = 0;
    std::sscanf(area.c_str(), "crop=%d:%d", &w, &h);
    EXPECT_EQ(h > w, t.portrait) << t.name << ": " << area;
    const auto expected = quadrant_order(input, "");
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(quadrant_order(output, area + ","), expected) << t.name;
    EXPECT_EQ(quadrant_order(out / (std::string(t.name) + ".THM"), area + ","), expected)
        << t.name << " thumbnail";
  }
}

}  // namespace
}  // namespace vidloom
