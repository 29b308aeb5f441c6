// End to end with the real encoder when the output cannot be written: a full disk (a small tmpfs
// made by the test, as root), a read-only output directory, and an output path that names a
// file. Each row ends with a clear word, the program ends in time and the batch goes on or
// stops as it must.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/child.h"
#include "cli/run_program.h"
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
    };
    for (const auto& [name, source] : clips) {
      const auto r = RunProgram(
          "/usr/bin/ffmpeg",
          {"-hide_banner", "-loglevel",   "error", "-y",    "-f",   "lavfi",
           "-i",           source,        "-f",    "lavfi", "-i",   "sine=frequency=440:duration=4",
           "-c:v",         "mpeg4",       "-b:v",  "2000k", "-c:a", "mp3",
           "-shortest",    *clips_ / name});
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

  static bool ResultSays(const Outcome& outcome, const std::string& word, const std::string& clip) {
    const auto result = outcome.out.find("\nResult:\n");
    return result != std::string::npos &&
           outcome.out.find("  " + word + "\t" + Clip(clip) + "\n", result) != std::string::npos;
  }

  static TempDir* clips_;
};
TempDir* CliFaults::clips_ = nullptr;

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
  EXPECT_TRUE(ResultSays(r, "Failed", "noisy.avi")) << r.out;
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
  EXPECT_TRUE(ResultSays(r, "Failed", "small.avi")) << r.out;
  EXPECT_TRUE(ResultSays(r, "Failed", "noisy.avi")) << r.out;
  EXPECT_NE(r.err.find("All Conversion Jobs Done!"), std::string::npos) << r.err;
  if (!mount) fs::permissions(dir, fs::perms::owner_all);
}

TEST_F(CliFaults, OutputDirectoryThatIsAFileStopsBeforeAnyRun) {
  TempDir work;
  testing::WriteTextFile(work / "taken", "a file, not a directory");
  const Outcome r = Convert(work / "taken", {"small.avi"});
  ASSERT_TRUE(r.status.has_value());
  EXPECT_EQ(*r.status, 1) << r.out << r.err;
  EXPECT_TRUE(ResultSays(r, "-", "small.avi")) << r.out;
  EXPECT_NE(r.err.find("Fail to create directory. Please choose a different directory \n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("All Conversion Jobs Done!"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vidloom
