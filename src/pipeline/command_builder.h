// Command assembly: for one row of the file list, the output directory, the output file name,
// the command slots and, through the selected format's template, the encoder command line. It
// reads a row and the choices only as a RowSnapshot, a value, so it runs on any thread.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/output_claim.h"
#include "profiles/choices.h"
#include "profiles/command_slots.h"
#include "rows/file_entry.h"
#include "texts/language.h"

namespace vidloom {

inline constexpr std::string_view kOutputDirectoryErrorText =
    N_("Fail to create directory. Please choose a different directory \n\rand give the directory a "
       "new name");

// The output directory is missing and could not be created; what() is the text shown to the
// user. No command was made.
class OutputDirectoryError : public std::runtime_error {
 public:
  explicit OutputDirectoryError(std::string directory)
      : std::runtime_error(texts::Tr(kOutputDirectoryErrorText)),
        directory_(std::move(directory)) {}
  // The directory that could not be created.
  const std::string& directory() const { return directory_; }

 private:
  std::string directory_;
};

// The output names given to the rows of the list, by platform::PathKey, with the row each was
// given to: a name belongs to its row for as long as the row is in the list, and is never given
// to another.
using OutputOwners = std::map<std::string, RowId>;

// How a run opens its input: behind the alternate-input prefix `DS:\\`, or forced to the
// QuickTime demuxer ("-f qt"), or plainly.
struct InputMethod {
  bool alternate = false;
  bool quicktime = false;
  bool operator==(const InputMethod&) const = default;
};
// The RealMedia extensions (".rm", ".rmvb", ".ram", ".ra"), whose inputs are first opened by the
// alternate way.
bool IsRealMediaExtension(const std::string& extension);
// A row's first run: the alternate way for RealMedia inputs, else plainly.
InputMethod FirstInputMethod(const std::string& input_path);
// Its retry: a ".mov" input through the QuickTime demuxer; any other the other way than `first`.
InputMethod RetryInputMethod(const std::string& input_path, InputMethod first);

// A row as its commands are made from it: the row and the window's choices when its turn came.
struct RowSnapshot {
  RowId id = 0;
  bool checked = false;
  std::string input = {};       // the input file
  std::string extension = {};   // the output extension, trimmed and lower case ("mp4")
  std::string video_size = {};  // the "Video Size" ("640 x 480")
  // The size the letterbox keeps: the size the input is shown at (0 x 0: unknown).
  int shown_width = 0;
  int shown_height = 0;
  // The input's folder below the folder it was added with ("Artist/Album"); empty for a file
  // added alone or lying in that folder itself.
  std::string subfolder = {};
  ConversionChoices choices = {};
};
// The input's folder below `source_folder` ("Artist/Album"); empty when it lies in it or not
// below it.
std::string SubfolderOf(const std::string& input, const std::string& source_folder);
// `entry` with `choices`, as its commands are made from it.
RowSnapshot SnapshotOf(const FileEntry& entry, ConversionChoices choices);

// Where and how commands are made.
struct CommandContext {
  std::string program_directory = {};  // with its trailing separator
  // A dry run: the commands are made as they would be, but nothing is created on disk (a
  // missing output directory that could not be created still throws OutputDirectoryError).
  bool dry_run = false;
  // The names the rows hold: another row's is taken, even with overwrite (null: none).
  const OutputOwners* owners = nullptr;
  // Set for a real run: the chosen name is claimed in the file system through it, so that no
  // other conversion (of this program or another) writes it meanwhile. Null: names are chosen
  // as they would be, and nothing is created.
  platform::OutputClaim* claim = nullptr;
  // The encoder's threads (0: as many as it likes).
  int encoder_threads = 0;
};

// One run's command and what it was made of.
struct RowCommand {
  EncoderCommand command = {};  // empty when no format is selected
  CommandSlots slots = {};
  std::string output_path = {};
  bool thumbnail_wanted = false;  // a PSP format: a thumbnail run follows a good video run
  // Why the output is not at the first free name ("clip-1.mp4: clip.mp4 is being written by
  // another conversion").
  std::vector<std::string> notes = {};
  // The audio bit rate chosen but not given to the encoder (a frame rate of "Auto" gives none):
  // the run's encoded bit rate is compared with it.
  std::optional<double> audio_kbps_not_given = {};
};

// Builds the command of `row` opened by `method`: creates the output directory (one level)
// when missing (unless context.dry_run), and with "Keep Folder Structure" the row's subfolder
// below it (as deep as needed), takes `output_path` when given (a retry writes where its first
// run did) or chooses the output name (<base>.<ext>, else the first free <base>-N.<ext>: a
// name another row holds is never free; an existing file is free only with overwrite, and only
// when no other conversion holds it; neither the output nor its thumbnail ever replaces the
// input file; with context.claim the name is claimed), then makes its command (CommandFor).
// Throws OutputDirectoryError.
RowCommand BuildEncoderCommand(const CommandContext& context, const RowSnapshot& row,
                               InputMethod method, const std::string& output_path = {});
// The command of `row` opened by `method` and written to `output_path`, from the row's values
// alone: nothing is looked up or made on disk. The encoder lies in `program_directory` (with its
// trailing separator) and takes `encoder_threads` threads (0: as many as it likes).
RowCommand CommandFor(const RowSnapshot& row, InputMethod method, const std::string& output_path,
                      std::string_view program_directory, int encoder_threads = 0);
// A row's first command, as the batch and the dry run make it.
RowCommand BuildFirstCommand(const CommandContext& context, const RowSnapshot& row);

// The thumbnail command after a run of `run`: one JPEG picture 3 s into the input, at the
// video's size (and padding), without sound, written beside the output as <base>.THM.
EncoderCommand BuildThumbnailCommand(const RowCommand& run);

// `"<dir>raziz2u" -@ -y  -i "` (with "-f qt " before "-i" for QuickTime input, and
// "-threads N " after "-y " for a thread count above 0), followed by `DS:\\` for the alternate
// input path. Ends inside the input path's opening quote.
std::string CommandHead(std::string_view program_directory, bool quicktime_input,
                        bool alternate_input, int threads = 0);

// True when the output extension (lower case) is one of the eleven audio extensions.
bool IsAudioExtension(std::string_view extension);

// "movie", or for a PSP/PS3 profile tag the input's file name up to its last "." (a final "."
// does not count; a name without another "." is used whole).
std::string EncoderTitle(std::string_view profile_tag, std::string_view input_path);

// " -an " when the volume value is "0" and the output carries video; else empty.
std::string MuteOption(std::string_view volume_factor, bool audio_output);
// ` -vol_factor "<v>"` for any value but "0" and "50"; else empty.
std::string VolumeOption(std::string_view volume_factor);

// The file name after the last separator, without its extension (from the last ".").
std::string OutputBaseName(std::string_view path);
// The output path with its extension replaced by "THM".
std::string ThumbnailPath(std::string_view output_path);

}  // namespace vidloom
