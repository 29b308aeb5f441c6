// Dropped and given paths: the filter's extensions, the name order, and folders expanded into
// their supported files (recursion, filtering, order, links, unreadable entries).
#include "analysis/dropped_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "support/temp_dir.h"
#include "window_logic/add_files.h"

namespace vidloom::analysis {
namespace {

namespace fs = std::filesystem;
using vidloom::testing::TempDir;
using vidloom::testing::WriteTextFile;

using Paths = std::vector<std::string>;

const Paths& Supported() {
  static const Paths extensions = FilterExtensions(SupportedFilesFilter);
  return extensions;
}

// --- The filter's extensions ------------------------------------------------------------------

TEST(FilterExtensionsTest, EveryPatternOfTheFilterOnceSortedAndLowerCased) {
  const Paths& e = Supported();
  EXPECT_TRUE(std::is_sorted(e.begin(), e.end()));
  EXPECT_EQ(std::adjacent_find(e.begin(), e.end()), e.end()) << "no duplicates";
  // The first entry's 37 written patterns and the 16 of the other containers, and the Monkey
  // Audio pair that only entry 12 has.
  EXPECT_EQ(e.size(), 55u);
  for (const char* ext :
       {".avi", ".qt",  ".dat", ".dv",  ".dif", ".au",  ".aiff", ".mjpeg", ".gif", ".swf", ".ape",
        ".cue", ".wma", ".asx", ".cda", ".mp4", ".m4a", ".mkv",  ".webm",  ".flv", ".flac"}) {
    EXPECT_TRUE(std::binary_search(e.begin(), e.end(), std::string(ext))) << ext;
  }
  for (const auto& ext : e) {
    EXPECT_EQ(ext.front(), '.') << ext;
    EXPECT_EQ(ext.find(' '), std::string::npos) << "blanks trimmed: '" << ext << "'";
  }
}

TEST(FilterExtensionsTest, TheDesktopEntryAnnouncesTheSameFiles) {
  // The MIME type of each extension (shared-mime-info's names). None is announced for what the
  // encoder does not read as media although the dialog lists it (the playlists .asx and .ram,
  // cue sheets, CD track files) nor for VCD .dat files, which have no type of their own.
  const std::map<std::string, std::vector<std::string>> types = {
      {".3g2", {"video/3gpp2"}},
      {".3gp", {"video/3gpp"}},
      {".aac", {"audio/aac"}},
      {".ac3", {"audio/ac3"}},
      {".aiff", {"audio/x-aiff"}},
      {".amr", {"audio/AMR"}},
      {".ape", {"audio/x-ape"}},
      {".asf", {"video/x-ms-asf", "application/vnd.ms-asf"}},
      {".asx", {}},
      {".au", {"audio/basic"}},
      {".avi", {"video/x-msvideo"}},
      {".cda", {}},
      {".cue", {}},
      {".dat", {}},
      {".dif", {"video/dv"}},
      {".dv", {"video/dv"}},
      {".f4v", {"video/mp4"}},
      {".flac", {"audio/flac"}},
      {".flv", {"video/x-flv"}},
      {".gif", {"image/gif"}},
      {".m1v", {"video/mpeg"}},
      {".m2ts", {"video/mp2t"}},
      {".m4a", {"audio/mp4", "audio/x-m4a"}},
      {".m4v", {"video/x-m4v"}},
      {".mjpeg", {"video/x-mjpeg"}},
      {".mjpg", {"video/x-mjpeg"}},
      {".mka", {"audio/x-matroska"}},
      {".mkv", {"video/x-matroska"}},
      {".mov", {"video/quicktime"}},
      {".mp2", {"audio/mp2"}},
      {".mp3", {"audio/mpeg"}},
      {".mp4", {"video/mp4"}},
      {".mpa", {"audio/mpeg"}},
      {".mpeg", {"video/mpeg"}},
      {".mpg", {"video/mpeg"}},
      {".mts", {"video/mp2t"}},
      {".mv2", {"video/mpeg"}},
      {".mxf", {"application/mxf"}},
      {".oga", {"audio/ogg"}},
      {".ogg", {"audio/ogg", "video/ogg", "audio/x-vorbis+ogg"}},
      {".ogv", {"video/ogg"}},
      {".opus", {"audio/x-opus+ogg"}},
      {".qt", {"video/quicktime"}},
      {".ra", {"audio/vnd.rn-realaudio"}},
      {".ram", {}},
      {".rm", {"application/vnd.rn-realmedia"}},
      {".rmvb", {"application/vnd.rn-realmedia-vbr"}},
      {".swf", {"application/vnd.adobe.flash.movie"}},
      {".ts", {"video/mp2t"}},
      {".vob", {"video/mpeg"}},
      {".wav", {"audio/x-wav"}},
      {".webm", {"video/webm"}},
      {".wma", {"audio/x-ms-wma"}},
      {".wmv", {"video/x-ms-wmv"}},
      {".wv", {"audio/x-wavpack"}},
  };
  std::set<std::string> wanted;
  for (const auto& ext : Supported()) {
    const auto it = types.find(ext);
    ASSERT_NE(it, types.end()) << ext << " has no MIME type in this table";
    wanted.insert(it->second.begin(), it->second.end());
  }
  std::ifstream entry(VIDLOOM_DESKTOP_ENTRY);
  std::set<std::string> announced;
  for (std::string line; std::getline(entry, line);) {
    if (line.rfind("MimeType=", 0) != 0) continue;
    std::stringstream list(line.substr(9));
    for (std::string type; std::getline(list, type, ';');) {
      if (!type.empty()) announced.insert(type);
    }
  }
  EXPECT_EQ(announced, wanted);
}

TEST(FilterExtensionsTest, DescriptionsAndOddPatternsAreNotTaken) {
  EXPECT_EQ(FilterExtensions("Movies (*.avi)|*.AVI; *.Mov ;x.txt;*|Any|*.*|Last|*.mkv|"),
            (Paths{".*", ".avi", ".mkv", ".mov"}));
  EXPECT_TRUE(FilterExtensions("").empty());
  EXPECT_TRUE(FilterExtensions("Only a description").empty());
}

TEST(HasExtensionTest, CaseInsensitiveOnTheFileNameOnly) {
  struct Case {
    const char* path;
    bool expected;
  };
  for (const Case& c :
       {Case{"a.mp4", true}, Case{"/x/y/CLIP.MP4", true}, Case{"b.Avi", true},
        Case{"song.mp3.part", false}, Case{"notes.txt", false}, Case{"/dir.mp4/readme", false},
        Case{"noextension", false}, Case{".mp4", false}, Case{"archive.tar.ape", true},
        Case{"trail.", false}}) {
    EXPECT_EQ(HasExtension(c.path, Supported()), c.expected) << c.path;
  }
}

TEST(NameLessTest, FileManagerOrder) {
  const Paths sorted = {"2.avi",       "10.avi",      "a.avi",      "B.avi",      "b.avi",
                        "clip1.avi",   "clip02.avi",  "clip2.avi",  "clip9.avi",  "clip10.avi",
                        "clip10a.avi", "clip100.avi", "Ep 1 x.avi", "ep 1 y.avi", "z.avi"};
  Paths shuffled = sorted;
  std::reverse(shuffled.begin(), shuffled.end());
  std::rotate(shuffled.begin(), shuffled.begin() + 5, shuffled.end());
  std::sort(shuffled.begin(), shuffled.end(), NameLess);
  EXPECT_EQ(shuffled, sorted);
  for (const auto& name : sorted) EXPECT_FALSE(NameLess(name, name)) << name;
  EXPECT_TRUE(NameLess("a", "a0"));
  EXPECT_TRUE(NameLess("0", "00")) << "equal values are told apart by their bytes";
  EXPECT_FALSE(NameLess("00", "0"));
}

// --- Folders ----------------------------------------------------------------------------------

class ExpandTest : public ::testing::Test {
 protected:
  // Creates the file `relative` (and its folders) under the temporary directory.
  std::string File(const std::string& relative) {
    const fs::path path = fs::path(dir.path()) / relative;
    fs::create_directories(path.parent_path());
    WriteTextFile(path.string(), "media");
    return path.string();
  }
  std::string Folder(const std::string& relative) {
    const fs::path path = fs::path(dir.path()) / relative;
    fs::create_directories(path);
    return path.string();
  }
  void Link(const std::string& target, const std::string& relative) {
    fs::create_symlink(target, fs::path(dir.path()) / relative);
  }
  std::string operator/(const std::string& relative) const { return dir / relative; }

  Paths Expand(const Paths& paths) const { return ExpandDroppedPaths(paths, Supported()); }

  TempDir dir;
};

TEST_F(ExpandTest, FilesNamedDirectlyStayAsGivenInTheirOrder) {
  const std::string notes = File("notes.txt");
  const std::string clip = File("clip.avi");
  const Paths given = {notes, dir / "missing.mp4", clip, "relative/name.mp3", notes};
  EXPECT_EQ(Expand(given), given) << "no filtering, no existence check, duplicates kept";
  EXPECT_TRUE(Expand({}).empty());
}

TEST_F(ExpandTest, FoldersGiveTheirSupportedFilesRecursivelyInNameOrder) {
  File("show/ep10.mkv.avi");
  File("show/ep2.MP4");
  File("show/ep1.mp4");
  File("show/cover.jpg");
  File("show/README");
  File("show/extras/b-roll.mov");
  File("show/extras/deep/er/interview.Wav");
  File("show/extras/deep/er/subs.srt");
  File("show/Audio/theme.mp3");
  File("show/zz.ogg");
  File("show/.hidden.avi");
  File("show/.thumbnails/ep1.avi");
  Folder("show/empty");
  const std::string single = File("single.3gp");

  const Paths expected = {dir / "show/Audio/theme.mp3",
                          dir / "show/ep1.mp4",
                          dir / "show/ep2.MP4",
                          dir / "show/ep10.mkv.avi",
                          dir / "show/extras/b-roll.mov",
                          dir / "show/extras/deep/er/interview.Wav",
                          dir / "show/zz.ogg"};
  EXPECT_EQ(Expand({dir / "show"}), expected);
  EXPECT_EQ(Expand({dir / "show/"}), expected) << "a trailing separator changes nothing";

  // Mixed with a file: each path expands in its place.
  Paths mixed = {single};
  mixed.insert(mixed.end(), expected.begin(), expected.end());
  mixed.push_back(single);
  EXPECT_EQ(Expand({single, dir / "show", single}), mixed);

  EXPECT_TRUE(Expand({dir / "show/empty"}).empty());

  // The output folder inside a folder given is passed over (by any path that names it), and
  // said; given itself, it is listed.
  bool skipped = false;
  EXPECT_EQ(
      ExpandDroppedPaths({dir / "show"}, Supported(), nullptr, dir / "show/extras/./", &skipped),
      (Paths{dir / "show/Audio/theme.mp3", dir / "show/ep1.mp4", dir / "show/ep2.MP4",
             dir / "show/ep10.mkv.avi", dir / "show/zz.ogg"}));
  EXPECT_TRUE(skipped);
  EXPECT_EQ(
      ExpandDroppedPaths({dir / "show/extras"}, Supported(), nullptr, dir / "show/extras", &skipped)
          .size(),
      2u);
  EXPECT_FALSE(skipped);
}

TEST_F(ExpandTest, TheOrderDoesNotDependOnCreationOrder) {
  // Created in reverse: the directory's own order differs from the result's.
  for (int i = 12; i >= 1; --i) File("many/part" + std::to_string(i) + ".mpg");
  Paths expected;
  for (int i = 1; i <= 12; ++i)
    expected.push_back(dir / ("many/part" + std::to_string(i) + ".mpg"));
  EXPECT_EQ(Expand({dir / "many"}), expected);
  EXPECT_EQ(Expand({dir / "many"}), Expand({dir / "many"}));
}

TEST_F(ExpandTest, LinksAreFollowedButNoFolderIsListedTwice) {
  File("media/a.avi");
  File("media/sub/b.avi");
  File("outside/c.avi");
  Link(dir / "media", "media/sub/back");           // a loop back to the top
  Link("..", "media/sub/up");                      // a relative loop
  Link(dir / "media/sub/up", "media/sub/up2");     // a link to a link that loops
  Link(dir / "outside", "media/z-outside");        // a folder elsewhere, followed once
  Link(dir / "outside", "media/z-outside-again");  // the same folder by another name
  Link(dir / "media/a.avi", "media/link.avi");     // a link to a file is a file
  Link(dir / "nowhere.avi", "media/dangling.avi");
  Link("self", "media/self");  // a link to itself cannot be resolved

  EXPECT_EQ(Expand({dir / "media"}),
            (Paths{dir / "media/a.avi", dir / "media/link.avi", dir / "media/sub/b.avi",
                   dir / "media/z-outside/c.avi"}));

  // A dropped link to a folder is expanded under the name it was dropped by.
  Link(dir / "media/sub", "sub-link");
  EXPECT_EQ(Expand({dir / "sub-link"}),
            (Paths{dir / "sub-link/b.avi", dir / "sub-link/back/a.avi",
                   dir / "sub-link/back/link.avi", dir / "sub-link/back/z-outside/c.avi"}));
  // The same folder dropped twice is listed once.
  EXPECT_EQ(Expand({dir / "outside", dir / "outside/"}), (Paths{dir / "outside/c.avi"}));
}

// Runs `body` as an unprivileged user when this process is root (root reads every folder) and
// returns what it wrote; otherwise runs it here.
std::string Unprivileged(const std::function<std::string()>& body) {
  if (geteuid() != 0) return body();
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    std::string text = "setresuid failed";
    if (setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0) {
      text = body();
    }
    const ssize_t written = write(pipe_fds[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  close(pipe_fds[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return text;
}

TEST_F(ExpandTest, UnreadableFoldersAreSkippedWithoutFailing) {
  File("tree/a.avi");
  File("tree/locked/secret.avi");
  File("tree/nolist/x.avi");
  File("tree/z.avi");
  const std::string locked = dir / "tree/locked";
  const std::string nolist = dir / "tree/nolist";
  // The tree is readable by everybody but two folders: one closed entirely, one that can be
  // entered but not listed.
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    fs::permissions(entry.path(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
  }
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  ASSERT_EQ(chmod(nolist.c_str(), 0111), 0);

  const std::string listed = Unprivileged([&] {
    std::ostringstream out;
    for (const auto& path : Expand({dir / "tree", locked, nolist})) out << path << "\n";
    return out.str();
  });
  EXPECT_EQ(listed, dir / "tree/a.avi\n" + dir / "tree/z.avi\n");

  ASSERT_EQ(chmod(locked.c_str(), 0755), 0);
  ASSERT_EQ(chmod(nolist.c_str(), 0755), 0);
}

}  // namespace
}  // namespace vidloom::analysis
