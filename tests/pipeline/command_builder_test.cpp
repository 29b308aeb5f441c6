// Command assembly end to end: selections in, encoder command out, to the character; output
// naming and the directory rule on a temporary directory.
#include "pipeline/command_builder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/command_line.h"
#include "profiles/text_rules.h"
#include "profiles/window_fixture.h"
#include "support/temp_dir.h"
#include "window_logic/batch_presenter.h"

namespace vidloom {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::Window;

void Touch(const std::string& path) {
  std::ofstream(path) << "x";
}

// Replaces every "$OUT" in `text` with `out`.
std::string WithOut(std::string text, const std::string& out) {
  for (auto at = text.find("$OUT"); at != std::string::npos; at = text.find("$OUT", at)) {
    text.replace(at, 4, out);
    at += out.size();
  }
  return text;
}

class CommandBuilderTest : public ::testing::Test {
 protected:
  CommandBuilderTest() {
    out_dir = tmp.path() + "/Converted Video";
    window.form.OutputFolder.SetText(out_dir);
    window.form.ComboLetterBox.Select(0);
    row = window.AddRow("/movies/clip.avi", "640 x 480");
  }

  // As the batch does: the row and the window's choices taken, then the build.
  EncoderCommand Build(const std::string& input, bool alternate = false, bool quicktime = false) {
    RowSnapshot snapshot =
        *TakeRow(window.form, options, window.state, window.form.FileList.row(row).id);
    snapshot.input = input;
    last = BuildEncoderCommand(context, snapshot, {.alternate = alternate, .quicktime = quicktime});
    return last.command;
  }
  EncoderCommand Thumbnail() const { return BuildThumbnailCommand(last); }
  // Changes the record of the row in hand.
  void Change(const std::function<void(FileEntry&)>& change) {
    window.form.FileList.Update(window.form.FileList.row(row).id, change);
  }

  TempDir tmp;
  std::string out_dir;
  Window window;
  OptionsForm options;
  CommandContext context{.program_directory = "/opt/vidloom/"};
  RowCommand last;
  int row = 0;
};

TEST_F(CommandBuilderTest, WorkedExampleWithThumbnailAndRetryHeads) {
  context.program_directory = "/apps/converter/";
  const EncoderCommand command = Build("/movies/clip.avi");
  EXPECT_EQ(command, WithOut(R"("/apps/converter/raziz2u" -@ -y  -i "/movies/clip.avi")"
                             R"( -vcodec "xvid" -b "768" -r "29.97"  -acodec "mpeg4aac" -ab "64")"
                             R"x( -ar "24000" -ac "2 (stereo)" -s 368x208 -f psp "$OUT/clip.mp4")x",
                             out_dir));
  EXPECT_TRUE(fs::is_directory(out_dir));
  EXPECT_EQ(last.output_path, out_dir + "/clip.mp4");
  EXPECT_TRUE(last.thumbnail_wanted);
  EXPECT_EQ(Thumbnail(),
            WithOut(R"("/apps/converter/raziz2u" -@ -y  -i "/movies/clip.avi")"
                    R"( -f singlejpeg -ss 3 -vframes 1  -s 368x208 -an  "$OUT/clip.THM")",
                    out_dir));

  const EncoderCommand retry = Build("/movies/clip.avi", /*alternate=*/true);
  EXPECT_TRUE(retry.starts_with(R"("/apps/converter/raziz2u" -@ -y  -i "DS:\\/movies/clip.avi")"
                                R"( -vcodec "xvid")"))
      << retry;
  EXPECT_EQ(last.slots.CommandHead, R"("/apps/converter/raziz2u" -@ -y  -i "DS:\\)");

  const EncoderCommand quicktime = Build("/movies/clip.mov", false, /*quicktime=*/true);
  EXPECT_TRUE(quicktime.starts_with(
      R"("/apps/converter/raziz2u" -@ -y  -f qt -i "/movies/clip.mov" -vcodec "xvid")"))
      << quicktime;
  EXPECT_EQ(quicktime.find("DS:"), std::string::npos);
}

TEST_F(CommandBuilderTest, PspLetterboxReachesVideoAndThumbnail) {
  window.form.ComboLetterBox.Select(1);
  const EncoderCommand command = Build("/movies/clip.avi");
  EXPECT_NE(command.find(R"x( -ac "2 (stereo)" -s 276x208 -padleft 46 -padright 46 -f psp ")x"),
            std::string::npos)
      << command;
  EXPECT_EQ(Thumbnail(),
            WithOut(R"("/opt/vidloom/raziz2u" -@ -y  -i "/movies/clip.avi" -f singlejpeg -ss 3)"
                    R"( -vframes 1  -s 276x208 -padleft 46 -padright 46 -an  "$OUT/clip.THM")",
                    out_dir));
}

TEST_F(CommandBuilderTest, LetterboxKeepsTheShapeTheInputIsShownAt) {
  window.form.ComboLetterBox.Select(1);
  // A 4:3 DVD picture stored at 720 x 576, and a 1280 x 720 phone video turned upright.
  struct Case {
    const char* stored;
    const char* shown;
    const char* size;
  } const cases[] = {{"720 x 576", "768 x 576", " -s 276x208 -padleft 46 -padright 46 -f psp"},
                     {"720 x 576", "", " -s 260x208 -padleft 54 -padright 54 -f psp"},
                     {"1280 x 720", "720 x 1280", " -s 116x208 -padleft 126 -padright 126 -f psp"},
                     // Odd sides, and the sizes that cannot be letterboxed: the plain size stays
                     // (the fallback size for a rejected file).
                     {"641 x 481", "", " -s 276x208 -padleft 46 -padright 46 -f psp"},
                     {"641 x 361", "", " -s 368x208 -f psp"},
                     {"0 x 0", "", " -s 368x208 -f psp"},
                     {"Unknown", "", " -s 176x144 -f psp"}};
  for (const Case& c : cases) {
    FileEntry entry;
    entry.input_path = "/movies/dvd.vob";
    entry.media = MediaFacts::Of(c.stored, "25", "00:00:01", c.shown);
    entry.output_extension = "MP4";
    row = window.form.FileList.AddRow(std::move(entry));
    const EncoderCommand command = Build("/movies/dvd.vob");
    EXPECT_NE(command.find(c.size), std::string::npos) << c.shown << ": " << command;
    EXPECT_EQ(window.form.FileList.cell(row, kCellVideoSize), c.stored);
  }
}

// Every entry with its defaults, chosen in catalogue order (AAC follows PS3 1080P).
TEST_F(CommandBuilderTest, EveryEntryWithItsDefaults) {
  const std::string head = R"("/opt/vidloom/raziz2u" -@ -y  -i "/movies/clip.avi")";
  const std::string psp_video_tail =
      R"x( -r "29.97"  -acodec "mpeg4aac" -ab "64" -ar "24000" -ac "2 (stereo)")x";
  const std::string avc =
      head +
      R"( -bitexact -title "clip" -vcodec "h264" -b "400" -maxrate "1500" -bufsize "128" -r)"
      R"x( "29.97"  -acodec "mpeg4aac" -ab "64" -ar "48000" -ac "2 (stereo)" -g "250" -qscale)x"
      R"x( "25" -coder "1"  -s 368x208 -f psp "$OUT/clip.mp4")x";
  const std::string ps3_audio =
      R"x( -acodec "mpeg4aac" -ab "256" -ar "44100" -ac "2 (stereo)" -g "250"  -qscale "25")x"
      R"(  -coder "1")";
  const std::string mobile =
      head + R"x( -vcodec "mpeg4"  -b "128"  -bt "60"  -acodec "amr_nb"  -ar "8000 " -ac)x"
             R"x( "1 (mono)" -s 176x132 -padtop 6 -padbottom 6)x";
  struct Case {
    const char* entry;
    std::string command;
    bool thumbnail;
  };
  const Case cases[] = {
      {"PSP Video (Good Quality) (*.mp4)",
       head + R"( -vcodec "xvid" -b "768")" + psp_video_tail +
           R"( -s 368x208 -f psp "$OUT/clip.mp4")",
       true},
      {"PSP Video (Normal Quality) (*.mp4)",
       head + R"( -vcodec "xvid" -b "512")" + psp_video_tail +
           R"( -s 368x208 -f psp "$OUT/clip.mp4")",
       true},
      {"PSP Video (Small File Size) (*.mp4)",
       head + R"( -vcodec "xvid" -b "216")" + psp_video_tail +
           R"( -s 160x112 -f psp "$OUT/clip.mp4")",
       true},
      {"PSP AVC Video (*.mp4)", avc, true},
      {"PSP AVC Video Format2 (*.mp4)", avc, true},
      {"PS3 Video(480P) (*.mp4)",
       head + R"( -bitexact -vcodec "h264" -b "1200" -maxrate "3500" -bufsize "1280"  -r "29.97")"
              R"x( -acodec "mpeg4aac" -ab "80" -ar "44100" -ac "2 (stereo)" -g "250"  -qscale)x"
              R"( "25"  -coder "1" -s 720x480 "$OUT/clip.mp4")",
       false},
      {"PS3 Video(720P) (*.mp4)",
       head + R"( -bitexact -vcodec "h264" -b "2000" -maxrate "3500" -bufsize "1280"  -r "29.97")" +
           ps3_audio + R"( -s 1280x720 "$OUT/clip.mp4")",
       false},
      {"PS3 Video(1080P) (*.mp4)",
       head + R"( -bitexact -vcodec "h264" -b "2000" -maxrate "3500" -bufsize "1280"  -r "29.97")" +
           ps3_audio + R"( -s 1920x1072 "$OUT/clip.mp4")",
       false},
      {"AAC - Advance Audio Coding (*.aac)",
       head + R"x( -acodec "aac" -ab "128" -ar "48000" -ac "2 (stereo)" -vn  "$OUT/clip.aac")x",
       false},
      {"MP3 - Mpeg Layer3 Audio (*.mp3)",
       head + R"x( -id3v1 -id3v2 -acodec "mp3" -ab "192" -ar "48000" -ac "2 (stereo)")x"
              R"( "$OUT/clip.mp3")",
       false},
      {"3GP - 3rd Generation Partnership Project (*.3gp)", mobile + R"( "$OUT/clip.3gp")", false},
      {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", mobile + R"( -f 3gp "$OUT/clip.3g2")",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    window.Choose(c.entry);
    EXPECT_EQ(Build("/movies/clip.avi"), WithOut(c.command, out_dir));
    EXPECT_EQ(last.thumbnail_wanted, c.thumbnail);
    // The same bytes from the row's values alone, for an output in a folder that is not there:
    // nothing is looked up or made on disk.
    const std::string nowhere = tmp.path() + "/not made";
    const RowSnapshot values =
        *TakeRow(window.form, options, window.state, window.form.FileList.row(row).id);
    const RowCommand pure =
        CommandFor(values, {}, nowhere + "/clip" + fs::path(last.output_path).extension().string(),
                   "/opt/vidloom/");
    EXPECT_EQ(pure.command, WithOut(c.command, nowhere));
    EXPECT_FALSE(fs::exists(nowhere));
  }
}

TEST_F(CommandBuilderTest, AvcEntriesAgreeAndOnlyTheSizeSeparates720PFrom1080P) {
  window.form.ComboLetterBox.Select(1);
  window.Choose("PSP AVC Video (*.mp4)");
  window.form.ComboAudioBitrate.SelectText("128 Kbps");
  const EncoderCommand avc = Build("/movies/clip.avi");
  window.Choose("PSP AVC Video Format2 (*.mp4)");
  window.form.ComboAudioBitrate.SelectText("128 Kbps");
  EXPECT_EQ(Build("/movies/clip.avi"), avc);

  window.Choose("PS3 Video(720P) (*.mp4)");
  std::string p720 = Build("/movies/clip.avi");
  window.form.ComboVideoBitrate.SelectText("3000 Kbps");  // shown, never used
  EXPECT_EQ(Build("/movies/clip.avi"), p720);
  window.Choose("PS3 Video(1080P) (*.mp4)");
  std::string p1080 = Build("/movies/clip.avi");
  // 640 x 480 letterboxed into each frame.
  const std::string s720 = " -s 960x720 -padleft 160 -padright 160";
  const std::string s1080 = " -s 1428x1072 -padleft 246 -padright 246";
  ASSERT_NE(p720.find(s720), std::string::npos) << p720;
  ASSERT_NE(p1080.find(s1080), std::string::npos) << p1080;
  EXPECT_EQ(p720.replace(p720.find(s720), s720.size(), s1080), p1080);
}

TEST_F(CommandBuilderTest, AacAfter3gpIsBuiltFromEmptySelections) {
  window.Choose("3GP - 3rd Generation Partnership Project (*.3gp)");
  window.Choose("AAC - Advance Audio Coding (*.aac)");
  EXPECT_EQ(Build("/movies/clip.avi"),
            WithOut(R"("/opt/vidloom/raziz2u" -@ -y  -i "/movies/clip.avi" -acodec "aac" -ar "")"
                    R"x( -ac "2 (stereo)" -vn  "$OUT/clip.aac")x",
                    out_dir));
}

TEST_F(CommandBuilderTest, VolumeAndMuteFollowTheChannels) {
  struct Case {
    int position;
    const char* video;
    const char* audio;
  };
  const Case cases[] = {
      {0, R"x( -ac "2 (stereo)" -an )x", R"x( -ac "2 (stereo)")x"},
      {1, R"x( -ac "2 (stereo)" -vol_factor "2")x", R"x( -ac "2 (stereo)" -vol_factor "2")x"},
      {2, R"x( -ac "2 (stereo)" -vol_factor "5")x", R"x( -ac "2 (stereo)" -vol_factor "5")x"},
      {5, R"x( -ac "2 (stereo)")x", R"x( -ac "2 (stereo)")x"},
      {10, R"x( -ac "2 (stereo)" -vol_factor "100")x", R"x( -ac "2 (stereo)" -vol_factor "100")x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    window.Choose("PSP Video (Normal Quality) (*.mp4)");
    window.form.VolumeSlider.SetPosition(c.position);
    const EncoderCommand video = Build("/movies/clip.avi");
    EXPECT_EQ(last.slots.ChannelsOption, c.video);
    EXPECT_NE(video.find(std::string(c.video) + " -s 368x208"), std::string::npos) << video;

    window.Choose("MP3 - Mpeg Layer3 Audio (*.mp3)");
    window.form.VolumeSlider.SetPosition(c.position);
    const EncoderCommand audio = Build("/movies/clip.avi");
    EXPECT_EQ(last.slots.ChannelsOption, c.audio);
    EXPECT_NE(audio.find(std::string(c.audio) + " \""), std::string::npos) << audio;
  }
}

TEST_F(CommandBuilderTest, LetterboxIsNotConsultedForAudioOutputs) {
  window.form.ComboLetterBox.Select(1);
  Change([](FileEntry& entry) { entry.output_extension = "M4A"; });
  Build("/movies/clip.avi");
  EXPECT_EQ(last.slots.SizeOption, " -s 368x208");
  Change([](FileEntry& entry) { entry.output_extension = "MP4"; });
  Build("/movies/clip.avi");
  EXPECT_EQ(last.slots.SizeOption, " -s 276x208 -padleft 46 -padright 46");
}

TEST_F(CommandBuilderTest, UnknownVideoSizeGivesTheFallbackSize) {
  window.form.ComboLetterBox.Select(1);
  Change([](FileEntry& entry) { entry.media = MediaFacts::Of("Unknown", "", ""); });
  Build("/movies/clip.avi");
  // A size that cannot be read: the fallback size, and no letterbox.
  EXPECT_EQ(last.slots.SizeOption, " -s 176x144");
  Change([](FileEntry& entry) { entry.media = MediaFacts::Of("0 x 0", "0", "0"); });
  Build("/movies/clip.avi");
  EXPECT_EQ(last.slots.SizeOption, " -s 368x208");
}

TEST_F(CommandBuilderTest, NoSelectedFormatGivesNoCommand) {
  window.form.ComboOutputFormat.Select(-1);
  EXPECT_EQ(Build("/movies/clip.avi"), "");
  EXPECT_FALSE(last.thumbnail_wanted);
  EXPECT_EQ(last.output_path, out_dir + "/clip.mp4");
}

TEST_F(CommandBuilderTest, ExistingOutputsGetTheNextFreeNumber) {
  fs::create_directory(out_dir);
  Touch(out_dir + "/clip.mp4");
  Touch(out_dir + "/clip-1.mp4");
  const EncoderCommand command = Build("/movies/clip.avi");
  EXPECT_EQ(last.output_path, out_dir + "/clip-2.mp4");
  EXPECT_TRUE(command.ends_with(" \"" + out_dir + "/clip-2.mp4\"")) << command;
  EXPECT_TRUE(Thumbnail().ends_with(" \"" + out_dir + "/clip-2.THM\""));
  Touch(out_dir + "/clip-2.mp4");
  Build("/movies/clip.avi");
  EXPECT_EQ(last.output_path, out_dir + "/clip-3.mp4");

  // The names other rows hold are taken, with overwrite too; the row's own are its to replace
  // with overwrite, so a re-run of the same list gets the same names.
  const RowId self = window.form.FileList.row(row).id;
  const RowId other = self + 1;
  struct Case {
    bool overwrite;
    std::vector<std::pair<std::string, RowId>> held;
    const char* name;
  } const cases[] = {
      {false, {}, "clip-3.mp4"},
      {false, {{"clip-3.mp4", other}, {"clip-4.mp4", other}}, "clip-5.mp4"},
      {true, {}, "clip.mp4"},
      {true, {{"clip.mp4", other}}, "clip-1.mp4"},
      {true, {{"clip.mp4", other}, {"clip-1.mp4", self}}, "clip-1.mp4"},
      {true, {{"clip.mp4", other}, {"clip-1.mp4", other}}, "clip-2.mp4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    options.CheckBoxOverWrite.SetChecked(c.overwrite);
    OutputOwners owners;
    for (const auto& [name, id] : c.held) owners.emplace(out_dir + "/" + name, id);
    context.owners = &owners;
    Build("/movies/clip.avi");
    EXPECT_EQ(last.output_path, out_dir + "/" + c.name);
  }
}

TEST_F(CommandBuilderTest, OutputDirectoryIsCreatedOneLevelOnly) {
  window.form.OutputFolder.SetText(tmp.path() + "/New");
  Build("/movies/clip.avi");
  EXPECT_TRUE(fs::is_directory(tmp.path() + "/New"));
  EXPECT_EQ(last.output_path, tmp.path() + "/New/clip.mp4");

  window.form.OutputFolder.SetText(tmp.path() + "/Missing/Sub");
  last.output_path = "kept";
  try {
    Build("/movies/clip.avi");
    ADD_FAILURE() << "no error";
  } catch (const OutputDirectoryError& error) {
    EXPECT_STREQ(error.what(),
                 "Fail to create directory. Please choose a different directory \n\rand give the "
                 "directory a new name");
  }
  EXPECT_FALSE(fs::exists(tmp.path() + "/Missing"));
  EXPECT_EQ(last.output_path, "kept");

  Touch(tmp.path() + "/plainfile");
  window.form.OutputFolder.SetText(tmp.path() + "/plainfile");
  EXPECT_THROW(Build("/movies/clip.avi"), OutputDirectoryError);
}

TEST_F(CommandBuilderTest, TheOutputNeverReplacesItsOwnInput) {
  fs::create_directory(out_dir);
  const std::string input = out_dir + "/clip.mp4";
  Touch(input);
  fs::create_directory(tmp.path() + "/elsewhere");
  fs::create_directory_symlink(out_dir, tmp.path() + "/link");
  fs::create_hard_link(input, tmp.path() + "/elsewhere/clip.mp4");
  options.CheckBoxOverWrite.SetChecked(true);
  struct Case {
    std::string directory;
    std::string input;
    const char* name;  // chosen in `directory`
  };
  const Case cases[] = {
      {out_dir, input, "clip-1.mp4"},                                       // the same path
      {tmp.path() + "/elsewhere/../Converted Video", input, "clip-1.mp4"},  // another way there
      {tmp.path() + "/link", input, "clip-1.mp4"},                          // through a symlink
      {tmp.path() + "/elsewhere", input, "clip-1.mp4"},                     // a hard link
      {tmp.path() + "/elsewhere", "/movies/clip.avi", "clip.mp4"},          // another file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.directory);
    window.form.OutputFolder.SetText(c.directory);
    Build(c.input);
    EXPECT_EQ(last.output_path, c.directory + "/" + c.name);
  }
  // Nothing was written: the input is whole.
  EXPECT_EQ(fs::file_size(input), 1u);
}

TEST_F(CommandBuilderTest, TheThumbnailNeverReplacesTheInputEither) {
  fs::create_directory(out_dir);
  const std::string input = out_dir + "/clip.THM";
  Touch(input);
  EXPECT_TRUE(Build(input).ends_with("/clip-1.mp4\""));
  EXPECT_EQ(last.output_path, out_dir + "/clip-1.mp4");
  EXPECT_TRUE(Thumbnail().ends_with("/clip-1.THM\""));

  fs::create_hard_link(input, out_dir + "/clip-1.THM");
  Build(input);
  EXPECT_EQ(last.output_path, out_dir + "/clip-2.mp4");

  // Formats without a thumbnail keep the plain name.
  window.Choose("PS3 Video(480P) (*.mp4)");
  Build(input);
  EXPECT_EQ(last.output_path, out_dir + "/clip.mp4");
  EXPECT_EQ(fs::file_size(input), 1u);
}

TEST_F(CommandBuilderTest, PathsWithQuotesAndBackslashesStayOneArgument) {
  fs::create_directory(out_dir);
  const std::string input = R"(/movies/say "hi" \ back\)";
  context.program_directory = R"(/opt/odd "dir"/)";
  window.Choose("PSP AVC Video (*.mp4)");
  const EncoderCommand command = Build(input);
  const auto arguments = platform::SplitCommandLine(command);
  ASSERT_TRUE(arguments.has_value());
  EXPECT_EQ(arguments->front(), R"(/opt/odd "dir"/raziz2u)");
  EXPECT_EQ((*arguments)[4], input);
  EXPECT_EQ((*arguments)[7], R"(say "hi" \ back\)");  // the title
  EXPECT_EQ(arguments->back(), out_dir + R"(/say "hi" \ back\.mp4)");
  const auto thumbnail = platform::SplitCommandLine(Thumbnail());
  ASSERT_TRUE(thumbnail.has_value());
  EXPECT_EQ((*thumbnail)[4], input);
  EXPECT_EQ(thumbnail->back(), out_dir + R"(/say "hi" \ back\.THM)");
}

TEST(CommandRules, AudioExtensions) {
  for (const char* audio :
       {"mp3", "mp2", "m4a", "wav", "ogg", "aac", "au", "wma", "ra", "ac3", "cda"}) {
    EXPECT_TRUE(IsAudioExtension(audio)) << audio;
  }
  for (const char* other : {"mp4", "3gp", "3g2", "MP3", "", "flac", "thm"}) {
    EXPECT_FALSE(IsAudioExtension(other)) << other;
  }
}

TEST(CommandRules, TitlesAndBaseNames) {
  struct Case {
    const char* tag;
    const char* path;
    const char* title;
    const char* base;
  };
  const Case cases[] = {
      {"psp", "/v/holiday.clip.avi", "holiday.clip", "holiday.clip"},
      {"psp", "/v/noext", "noext", "noext"},
      {"psp", "/v/name.", "name.", "name"},
      {"psp", "/v/x.y.", "x", "x.y"},
      {"psp", "/v.d/clip", "clip", "clip"},
      {"psp", "clip.avi", "clip", "clip"},
      {"", "/v/clip.avi", "movie", "clip"},
      {"PSP", "/v/clip.avi", "movie", "clip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(EncoderTitle(c.tag, c.path), c.title);
    EXPECT_EQ(OutputBaseName(c.path), c.base);
  }
}

TEST(CommandRules, SubfoldersLieBelowTheFolderAddedWith) {
  EXPECT_EQ(SubfolderOf("/m/Artist/Album/01.wav", "/m"), "Artist/Album");
  EXPECT_EQ(SubfolderOf("/m/..Live/01.wav", "/m"), "..Live");
  EXPECT_EQ(SubfolderOf("/m/01.wav", "/m"), "");
  EXPECT_EQ(SubfolderOf("/other/01.wav", "/m"), "");
  EXPECT_EQ(SubfolderOf("/m/a/../../etc/01.wav", "/m"), "");  // climbs out on the way
}

TEST(CommandRules, MuteAndVolumeOptions) {
  EXPECT_EQ(MuteOption("0", false), " -an ");
  EXPECT_EQ(MuteOption("0", true), "");
  EXPECT_EQ(MuteOption("50", false), "");
  EXPECT_EQ(MuteOption("2", false), "");
  EXPECT_EQ(VolumeOption("0"), "");
  EXPECT_EQ(VolumeOption("50"), "");
  EXPECT_EQ(VolumeOption("80"), R"( -vol_factor "80")");
}

TEST(CommandRules, HeadsAndThumbnailPaths) {
  EXPECT_EQ(CommandHead("/p/", false, false), R"("/p/raziz2u" -@ -y  -i ")");
  EXPECT_EQ(CommandHead("/p/", true, false), R"("/p/raziz2u" -@ -y  -f qt -i ")");
  EXPECT_EQ(CommandHead("/p/", false, true), R"("/p/raziz2u" -@ -y  -i "DS:\\)");
  EXPECT_EQ(CommandHead("/p/", true, false, 2), R"("/p/raziz2u" -@ -y -threads 2  -f qt -i ")");
  EXPECT_EQ(ThumbnailPath("/o/clip-2.mp4"), "/o/clip-2.THM");
  EXPECT_EQ(ThumbnailPath("/o.d/clip"), "/o.d/clip.THM");
  EXPECT_EQ(ThumbnailPath("/o/a.b.3gp"), "/o/a.b.THM");
}

}  // namespace
}  // namespace vidloom
