// End to end with the real encoder when the output cannot be written: a full disk (a small tmpfs
// made by the test, as root), a read-only output directory, and an output path that names a
// file. Each row ends with a clear word, the program ends in time and the batch goes on or
// stops as it must.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/child.h"
#include "cli/run_program.h"
#include "support/refused_inputs.h"
#include "support/temp_dir.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::Child;
using testing::RunProgram;
using testing::TempDir;

const std::string kCli = VIDLOOM_CLI_PATH;
constexpr const char* kPs3 = "PS3 Video(480P) (*.mp4)";
constexpr int kTimeoutMs = 180'000;

// A tmpfs mounted on `dir` for the scope, unmounted (lazily, should anything still hold it) at
// its end.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& dir, unsigned long flags, const std::string& options) : dir_(dir) {
    mounted_ = mount("tmpfs", dir.c_str(), "tmpfs", flags, options.c_str()) == 0;
  }
  ~TmpfsMount() {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string dir_;
  bool mounted_ = false;
};

struct Outcome {
  std::optional<int> status;
  std::string out;
  std::string err;
};

class CliFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    clips_ = new TempDir;
    // "noisy.avi" encodes to far more than the small disk holds; "small.avi" to much less.
    const std::vector<std::pair<std::string, std::string>> clips = {
        {"noisy.avi", "testsrc2=size=320x240:rate=25:duration=4,noise=alls=40:allf=t"},
        {"small.avi", "testsrc=size=320x240:rate=25:duration=1"},
        {"long.avi", "testsrc2=size=640x480:rate=25:duration=30"},
    };
    for (const auto& [name, source] : clips) {
      const auto r =
          RunProgram("/usr/bin/ffmpeg",
                     {"-hide_banner", "-loglevel", "error",     "-y",
                      "-f",           "lavfi",     "-i",        source,
                      "-f",           "lavfi",     "-i",        "sine=frequency=440:duration=30",
                      "-c:v",         "mpeg4",     "-b:v",      "2000k",
                      "-c:a",         "mp3",       "-shortest", *clips_ / name});
      ASSERT_EQ(r.status, 0) << name << r.err;
    }
  }
  static void TearDownTestSuite() { delete clips_; }

  static std::string Clip(const std::string& name) { return *clips_ / name; }

  // Converts the clips to `output_dir`; a run that does not end in time is a failure.
  static Outcome Convert(const std::string& output_dir, const std::vector<std::string>& clips) {
    std::vector<std::string> args = {"--no-settings", "--format", kPs3, "--output-dir", output_dir};
    for (const auto& clip : clips) args.push_back(Clip(clip));
    Child cli(kCli, args);
    Outcome outcome;
    outcome.status = cli.Wait(kTimeoutMs);
    outcome.out = cli.out();
    outcome.err = cli.err();
    return outcome;
  }

  // The result table's line for `clip`: its word and, when it did not end "Done", its reason.
  static bool ResultSays(const Outcome& outcome, const std::string& word, const std::string& clip,
                         const std::string& reason = "") {
    const auto result = outcome.out.find("\nResult:\n");
    const std::string line =
        "  " + word + "\t" + Clip(clip) + (reason.empty() ? "" : "\t" + reason) + "\n";
    return result != std::string::npos && outcome.out.find(line, result) != std::string::npos;
  }

  static std::string Duration(const std::string& path) {
    const auto r = RunProgram("/usr/bin/ffprobe", {"-v", "error", "-show_entries",
                                                   "format=duration", "-of", "csv=p=0", path});
    return r.status == 0 ? r.out.substr(0, r.out.find('\n')) : "";
  }

  static TempDir* clips_;
};
TempDir* CliFaults::clips_ = nullptr;

TEST_F(CliFaults, CtrlCStopsAConversionAndItsPartialFilePlays) {
  TempDir out;
  Child cli(kCli,
            {"--no-settings", "--format", kPs3, "--output-dir", out.path(), Clip("long.avi")});
  // Stopped a little way in: the row says "Aborted", and the encoder has closed the file.
  ASSERT_TRUE(testing::WaitFor(
      [&] { return cli.out().find("%  frames") != std::string::npos || !cli.Running(); }, 60'000));
  ASSERT_TRUE(cli.Running()) << cli.out() << cli.err();
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(cli.Signal(SIGINT));
  const auto status = cli.Wait(10'000);
  ASSERT_TRUE(status.has_value()) << "vidloom-cli did not end after Ctrl-C";
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(3));
  EXPECT_EQ(*status, 130) << cli.out() << cli.err();
  EXPECT_NE(cli.out().find("  Aborted\t" + Clip("long.avi") + "\tstopped\n"), std::string::npos)
      << cli.out();
  const std::string duration = Duration(out / "long.mp4");
  ASSERT_FALSE(duration.empty()) << "the partial output does not play";
  EXPECT_GT(std::stod(duration), 0.0);
  EXPECT_LT(std::stod(duration), 30.0);
}

TEST_F(CliFaults, WhatIsNoMediaFileFailsWithItsReasonAndTheRightFileIsConverted) {
  TempDir work;
  std::vector<std::string> args = {"--no-settings", "--format", "MP3 - Mpeg Layer3 Audio (*.mp3)",
                                   "--output-dir", work / "out"};
  std::vector<std::pair<std::string, std::string>> expected;  // path, reason
  for (const auto& input : testing::MakeRefusedInputs(work.path(), Clip("small.avi"))) {
    if (fs::is_directory(work / input.name)) continue;  // folders are no file arguments
    args.push_back(work / input.name);
    expected.push_back({work / input.name, input.reason});
  }
  // "x.wav" and "x.wav " side by side (Linux names may end in a blank): 2 s and 5 s of sound.
  for (const auto& [name, seconds] : {std::pair<std::string, int>{"x.wav", 2}, {"x.wav ", 5}}) {
    const auto r = RunProgram(
        "/usr/bin/ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                            "sine=duration=" + std::to_string(seconds), "-f", "wav", work / name});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  args.push_back(work / "x.wav ");
  args.push_back(work / "gone.avi");

  // The rows come at once, whatever stands at the paths (a pipe without a writer among them).
  std::vector<std::string> rows_args = {"--no-settings", "--print-rows"};
  rows_args.insert(rows_args.end(), args.begin() + 5, args.end());
  Child rows(kCli, rows_args);
  ASSERT_TRUE(rows.Wait(20'000).has_value()) << "--print-rows did not end";
  EXPECT_EQ(rows.out().find(work / "gone.avi"), std::string::npos) << "a missing file gets no row";
  for (const auto& [path, reason] : expected) {
    EXPECT_NE(rows.out().find(path + "\tUnknown\t"), std::string::npos) << path << rows.out();
  }

  Child cli(kCli, args);
  const auto status = cli.Wait(kTimeoutMs);
  ASSERT_TRUE(status.has_value()) << "vidloom-cli did not end";
  EXPECT_EQ(*status, 1);
  const std::string result = cli.out().substr(cli.out().find("\nResult:\n"));
  for (const auto& [path, reason] : expected) {
    const std::string line = "  Failed\t" + path + "\t";
    const auto at = result.find(line);
    ASSERT_NE(at, std::string::npos) << path << result;
    EXPECT_NE(result.substr(at, result.find('\n', at) - at).find(reason), std::string::npos)
        << result;
  }
  EXPECT_NE(result.find("  Done\t" + work / "x.wav " + "\n"), std::string::npos) << result;
  EXPECT_EQ(Duration(work / "out/x.mp3").substr(0, 2), "5.") << "the file with the blank";
  // The missing file got no row: it is listed and counted as skipped, and the user is told.
  EXPECT_NE(result.find("  Skipped\t" + work / "gone.avi" + "\tno such file\n"), std::string::npos)
      << result;
  EXPECT_NE(result.find("1 of " + std::to_string(expected.size() + 2) + " files converted"),
            std::string::npos)
      << result;
  EXPECT_NE(cli.err().find("skipped, no such file: " + work / "gone.avi"), std::string::npos)
      << cli.err();
}

TEST_F(CliFaults, FullDiskFailsTheRowAndTheNextRowStillConverts) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
  TempDir work;
  const std::string disk = work / "disk";
  fs::create_directory(disk);
  TmpfsMount mount(disk, 0, "size=256k");
  if (!mount.mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";

  const Outcome r = Convert(disk, {"noisy.avi", "small.avi"});
  ASSERT_TRUE(r.status.has_value()) << "vidloom-cli did not end";
  EXPECT_EQ(*r.status, 1) << r.out << r.err;
  EXPECT_TRUE(
      ResultSays(r, "Failed", "noisy.avi", "cannot write the output: No space left on device"))
      << r.out;
  // The failed row left nothing behind that would fill the disk for the next one.
  EXPECT_FALSE(fs::exists(disk + "/noisy.mp4"));
  EXPECT_TRUE(ResultSays(r, "Done", "small.avi")) << r.out;
  EXPECT_GT(fs::file_size(disk + "/small.mp4"), 0u);
  EXPECT_NE(r.err.find("All Conversion Jobs Done!"), std::string::npos) << r.err;
}

TEST_F(CliFaults, ReadOnlyOutputDirectoryFailsEveryRowAndTheBatchEnds) {
  TempDir work;
  const std::string dir = work / "readonly";
  fs::create_directory(dir);
  std::unique_ptr<TmpfsMount> mount;
  if (geteuid() == 0) {
    // Permission bits do not stop root: a read-only file system does.
    mount = std::make_unique<TmpfsMount>(dir, MS_RDONLY, "size=1m");
    if (!mount->mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";
  } else {
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  }

  const Outcome r = Convert(dir, {"small.avi", "noisy.avi"});
  ASSERT_TRUE(r.status.has_value()) << "vidloom-cli did not end";
  EXPECT_EQ(*r.status, 1) << r.out << r.err;
  const std::string reason = std::string("cannot open the output file: ") +
                             (mount ? "Read-only file system" : "Permission denied");
  EXPECT_TRUE(ResultSays(r, "Failed", "small.avi", reason)) << r.out;
  EXPECT_TRUE(ResultSays(r, "Failed", "noisy.avi", reason)) << r.out;
  EXPECT_NE(r.err.find("All Conversion Jobs Done!"), std::string::npos) << r.err;
  if (!mount) fs::permissions(dir, fs::perms::owner_all);
}

TEST_F(CliFaults, OutputDirectoryThatIsAFileStopsBeforeAnyRun) {
  TempDir work;
  testing::WriteTextFile(work / "taken", "a file, not a directory");
  const Outcome r = Convert(work / "taken", {"small.avi"});
  ASSERT_TRUE(r.status.has_value());
  EXPECT_EQ(*r.status, 1) << r.out << r.err;
  // The row in hand fails, with its reason, as it does in the window.
  EXPECT_TRUE(ResultSays(r, "Failed", "small.avi",
                         "the output directory cannot be created: " + (work / "taken")))
      << r.out;
  EXPECT_NE(r.err.find("Fail to create directory. Please choose a different directory \n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("All Conversion Jobs Done!"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vidloom
