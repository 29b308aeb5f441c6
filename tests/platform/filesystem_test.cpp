#include "platform/filesystem.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#undef DeleteFile  // platform::DeleteFile, not the Win32 macro
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>

#include "platform/output_claim.h"
#include "platform/whole_file.h"
#include "support/temp_dir.h"

namespace vidloom::platform {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

TEST(FileSystem, FilesAndDirectoriesAreToldApart) {
  TempDir dir;
  WriteTextFile(dir / "a.avi", "12345");
  EXPECT_TRUE(FileExists(dir / "a.avi"));
  EXPECT_FALSE(DirectoryExists(dir / "a.avi"));
  EXPECT_FALSE(FileExists(dir.path()));
  EXPECT_TRUE(DirectoryExists(dir.path()));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_FALSE(DirectoryExists(dir / "missing"));
#ifndef _WIN32
  EXPECT_TRUE(FileExists("/dev/null")) << "anything that is not a directory counts as a file";
#endif
}

TEST(FileSystem, CreateDirectoryLevelMakesOneLevelOnly) {
  TempDir dir;
  EXPECT_TRUE(CreateDirectoryLevel(dir / "Converted Video"));
  EXPECT_TRUE(DirectoryExists(dir / "Converted Video"));
  EXPECT_FALSE(CreateDirectoryLevel(dir / "Converted Video")) << "it exists already";
  EXPECT_FALSE(CreateDirectoryLevel(dir / "x/y"));
  EXPECT_FALSE(DirectoryExists(dir / "x"));

  // The dry run's question gives the same answers and creates nothing.
  EXPECT_TRUE(CouldCreateDirectoryLevel(dir / "new"));
  EXPECT_FALSE(CouldCreateDirectoryLevel(dir / "Converted Video")) << "it exists already";
  EXPECT_FALSE(CouldCreateDirectoryLevel(dir / "x/y"));
  EXPECT_FALSE(DirectoryExists(dir / "new"));
}

#ifndef _WIN32
TEST(FileSystem, HomeIsHomeFirstThenThePasswordDatabase) {
  const char* saved = std::getenv("HOME");
  const std::string before = saved ? saved : "";
  setenv("HOME", "/srv/elsewhere", 1);
  EXPECT_EQ(HomeDirectory(), "/srv/elsewhere");
  unsetenv("HOME");
  const std::string from_database = HomeDirectory();
  EXPECT_FALSE(from_database.empty());
  setenv("HOME", "", 1);
  EXPECT_EQ(HomeDirectory(), from_database) << "an empty $HOME counts as unset";
  if (saved) {
    setenv("HOME", before.c_str(), 1);
  } else {
    unsetenv("HOME");
  }
}
#endif

TEST(FileSystem, ACaptionIsTakenExactlyWhenItNamesAFile) {
  TempDir dir;
  WriteTextFile(dir / "x.wav", "a");
  WriteTextFile(dir / "y.wav", "c");
#ifndef _WIN32
  // Names may end in a blank here: "x.wav " is another file than "x.wav" (Windows drops it).
  WriteTextFile(dir / "x.wav ", "b");
  EXPECT_EQ(ResolveGivenPath(dir / "x.wav "), dir / "x.wav ");
#endif
  EXPECT_EQ(ResolveGivenPath(dir / "x.wav"), dir / "x.wav");
  // Only when the exact path names nothing is it trimmed, as the old habit did.
  EXPECT_EQ(ResolveGivenPath(" " + dir / "y.wav\t "), dir / "y.wav");
  EXPECT_EQ(ResolveGivenPath(dir / "gone.wav "), dir / "gone.wav");
  EXPECT_EQ(ResolveGivenPath(""), "");
}

TEST(FileSystem, DeleteFileRemovesFilesOnly) {
  TempDir dir;
  WriteTextFile(dir / "out.mp4", "x");
  EXPECT_TRUE(DeleteFile(dir / "out.mp4"));
  EXPECT_FALSE(FileExists(dir / "out.mp4"));
  EXPECT_FALSE(DeleteFile(dir / "out.mp4"));
  EXPECT_FALSE(DeleteFile(dir.path()));
  EXPECT_TRUE(DirectoryExists(dir.path()));
}

TEST(FileSystem, FileSizeInBytes) {
  TempDir dir;
  WriteTextFile(dir / "empty", "");
  WriteTextFile(dir / "some", std::string(1234, 'x'));
  EXPECT_EQ(FileSize(dir / "empty"), 0u);
  EXPECT_EQ(FileSize(dir / "some"), 1234u);
  EXPECT_EQ(FileSize(dir / "missing"), std::nullopt);
  EXPECT_EQ(FileSize(dir.path()), std::nullopt);
}

TEST(FileSystem, SameFileComparesTheFileNotTheName) {
  TempDir dir;
  WriteTextFile(dir / "in.mp4", "a");
  WriteTextFile(dir / "other.mp4", "a");
#ifdef _WIN32
  // Symbolic links need a privilege on Windows: the hard link and another spelling stand in.
  ASSERT_TRUE(CreateHardLinkA((dir / "hard.mp4").c_str(), (dir / "in.mp4").c_str(), nullptr));
  EXPECT_TRUE(SameFile(dir / "IN.MP4", dir / "in.mp4"));
#else
  ASSERT_EQ(link((dir / "in.mp4").c_str(), (dir / "hard.mp4").c_str()), 0);
  ASSERT_EQ(symlink((dir / "in.mp4").c_str(), (dir / "soft.mp4").c_str()), 0);
  EXPECT_TRUE(SameFile(dir / "soft.mp4", dir / "in.mp4"));
#endif
  EXPECT_TRUE(SameFile(dir / "in.mp4", dir / "in.mp4"));
  EXPECT_TRUE(SameFile(dir / "in.mp4", dir.path() + "/./in.mp4"));
  EXPECT_TRUE(SameFile(dir / "in.mp4", dir / "hard.mp4"));
  EXPECT_FALSE(SameFile(dir / "in.mp4", dir / "other.mp4"));
  EXPECT_FALSE(SameFile(dir / "in.mp4", dir / "missing.mp4"));
  EXPECT_FALSE(SameFile(dir / "missing.mp4", dir / "missing.mp4"));
}

// Two claims stand for two conversions (locks count per open file, also within one program).
TEST(FileSystem, AnOutputNameIsHeldByOneConversionAtATime) {
  using Outcome = OutputClaim::Outcome;
  TempDir dir;
  const std::string song = dir / "song.mp3";
  OutputClaim first, second;
  ASSERT_EQ(first.Claim(song, false), Outcome::kClaimed);
  EXPECT_TRUE(FileExists(song)) << "made at once, so that no other program takes the name";
  EXPECT_EQ(second.Claim(song, false), Outcome::kExists);
  EXPECT_EQ(second.Claim(song, true), Outcome::kBusy) << "not replaced while it is written";
  EXPECT_FALSE(second.held());

  // The encoder writes the claimed file as any file; what it wrote stays.
  WriteTextFile(song, "frames");
  first.Release();
  EXPECT_EQ(ReadTextFile(song), "frames");
  ASSERT_EQ(second.Claim(song, true), Outcome::kClaimed) << "free once released";
  EXPECT_EQ(ReadTextFile(song), "frames") << "kept until the encoder replaces it";
  EXPECT_TRUE(second.Truncate());
  EXPECT_EQ(FileSize(song), 0u);
  second.Release();
  EXPECT_TRUE(FileExists(song)) << "a file that was there before is not removed";

  // A name claimed and never written leaves nothing behind; what is no file is never claimed.
  ASSERT_EQ(first.Claim(dir / "unwritten.mp3", false), Outcome::kClaimed);
  first.Release();
  EXPECT_FALSE(PathExists(dir / "unwritten.mp3"));
  EXPECT_EQ(first.Claim(dir.path(), true), Outcome::kFailed);
  EXPECT_FALSE(first.held());
}

TEST(FileSystem, ProgramDirectoryHoldsThisProgram) {
  const std::string& directory = ProgramDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), kPathSeparator);
#ifdef _WIN32
  EXPECT_EQ(directory.substr(1, 2), ":\\") << directory;
  EXPECT_TRUE(FileExists(directory + "test_platform.exe"));
#else
  EXPECT_EQ(directory.front(), '/');
  EXPECT_TRUE(FileExists(directory + "test_platform"));
  EXPECT_TRUE(SameFile(directory + "test_platform", "/proc/self/exe"));
#endif
}

// Names in any script and paths far longer than Windows's old 260 characters: made, written,
// replaced, measured, found and removed through the same calls.
TEST(FileSystem, LongPathsAndNamesInAnyScript) {
  TempDir dir;
  std::string path = dir.path();
  const std::string level = "\xe5\x90\x8d\xe5\x89\x8d \xc3\xa9t\xc3\xa9 \xf0\x9f\x8e\xac " +
                            std::string(40, 'x');  // 名前 été 🎬 xxx...
  while (path.size() < 400) {
    path += "/" + level;
    ASSERT_TRUE(CreateDirectoryLevel(path)) << path.size();
  }
  EXPECT_TRUE(DirectoryExists(path));
  const std::string file = path + "/\xd0\xba\xd0\xb8\xd0\xbd\xd0\xbe \xf0\x9f\x8e\xac.mp4";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(file, "first", &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(file, "second text", &error)) << error;
  EXPECT_EQ(ReadWholeFile(file), "second text");
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(FileSize(file), 11u);
  EXPECT_TRUE(SameFile(file, path + "/./\xd0\xba\xd0\xb8\xd0\xbd\xd0\xbe \xf0\x9f\x8e\xac.mp4"));
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(FileExists(file));
}

TEST(FileSystem, HomeDirectoryExists) {
  const std::string home = HomeDirectory();
  ASSERT_FALSE(home.empty());
  EXPECT_TRUE(DirectoryExists(home));
}

}  // namespace
}  // namespace vidloom::platform
