// The README's recipe for large batches, run on this machine: GNU parallel starts vidloom-cli
// once per file, two at a time, into one output folder; every output is a real MP3.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/child.h"
#include "cli/run_program.h"
#include "platform/output_claim.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

using testing::Lines;
using testing::RunProgram;
using testing::TempDir;

const std::string kCli = VIDLOOM_CLI_PATH;

// The `parallel` program on the PATH, or empty.
std::string FindParallel() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/parallel";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// ffprobe's format and first audio stream values of `path` ("format_name" -> "mp3").
std::map<std::string, std::string> Probe(const std::string& path) {
  const auto r =
      RunProgram("/usr/bin/ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                      "format=format_name,duration:stream=codec_name", "-of",
                                      "default=noprint_wrappers=1", path});
  std::map<std::string, std::string> values;
  for (const auto& line : Lines(r.out)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

TEST(CliParallel, EveryFileOfTheBatchBecomesAnMp3) {
  const std::string parallel = FindParallel();
  if (parallel.empty()) GTEST_SKIP() << "GNU parallel is not installed (scripts/setup installs it)";

  TempDir dir;
  struct Source {
    std::string name;
    int seconds;
  };
  const std::vector<Source> sources = {
      {"tone 1.wav", 1}, {"tone 2.flac", 2}, {"tone 3.wav", 3}, {"it's 4.ogg", 1}};
  std::vector<std::string> args = {"--will-cite", "-j2", kCli,           "--no-settings",
                                   "--format",    "mp3", "--output-dir", dir / "out",
                                   "{}",          ":::"};
  for (const Source& s : sources) {
    const auto made = RunProgram("/usr/bin/ffmpeg",
                                 {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                  "sine=frequency=" + std::to_string(300 + 100 * s.seconds) +
                                      ":duration=" + std::to_string(s.seconds),
                                  dir / s.name});
    ASSERT_EQ(made.status, 0) << s.name << made.err;
    args.push_back(dir / s.name);
  }
  std::filesystem::create_directory(dir / "out");

  const auto r = RunProgram(parallel, args);
  ASSERT_EQ(r.status, 0) << r.out << r.err;  // parallel's status counts the failed jobs
  for (const Source& s : sources) {
    const std::string output =
        dir / ("out/" + std::filesystem::path(s.name).stem().string() + ".mp3");
    SCOPED_TRACE(output);
    ASSERT_TRUE(std::filesystem::is_regular_file(output)) << r.out;
    const auto v = Probe(output);
    EXPECT_EQ(v.count("format_name") ? v.at("format_name") : "", "mp3");
    EXPECT_EQ(v.count("codec_name") ? v.at("codec_name") : "", "mp3");
    EXPECT_NEAR(std::atof(v.count("duration") ? v.at("duration").c_str() : "0"), s.seconds, 0.2);
  }
  EXPECT_EQ(r.err.find("cite"), std::string::npos) << r.err;
}

// Two programs converting one song into one folder at once: each claims its name before its
// encoder starts, so neither writes over the other; a file that another conversion holds is
// left to it even with --overwrite.
TEST(CliParallel, TwoProgramsIntoOneFolderWriteTwoWholeFiles) {
  TempDir dir;
  ASSERT_EQ(
      RunProgram("/usr/bin/ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi",
                                     "-i", "sine=frequency=440:duration=20", dir / "song.wav"})
          .status,
      0);
  const std::string out = dir / "out";
  const std::vector<std::string> args = {"--no-settings", "--format", "mp3",
                                         "--output-dir",  out,        dir / "song.wav"};
  testing::Child first(kCli, args), second(kCli, args);
  ASSERT_TRUE(first.started() && second.started());
  EXPECT_EQ(first.Wait(120'000), 0);
  EXPECT_EQ(second.Wait(120'000), 0);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(out)) {
    names.insert(entry.path().filename().string());
  }
  ASSERT_EQ(names, (std::set<std::string>{"song.mp3", "song-1.mp3"}));
  for (const std::string& name : names) {
    const auto v = Probe(out + "/" + name);
    EXPECT_NEAR(std::atof(v.count("duration") ? v.at("duration").c_str() : "0"), 20, 0.2) << name;
  }

  platform::OutputClaim held;
  ASSERT_EQ(held.Claim(out + "/song.mp3", true), platform::OutputClaim::Outcome::kClaimed);
  const auto size = std::filesystem::file_size(out + "/song.mp3");
  std::vector<std::string> overwrite = args;
  overwrite.insert(overwrite.begin(), {"--overwrite", "--json"});
  const auto r = RunProgram(kCli, overwrite);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("\"notes\":[\"song-1.mp3: song.mp3 is being written by another "
                       "conversion\"]"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(std::filesystem::file_size(out + "/song.mp3"), size) << "the held file is untouched";
}

}  // namespace
}  // namespace vidloom
