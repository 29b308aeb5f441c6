// Command assembly: for one row of the file list, the output directory, the output file name,
// the command slots and, through the selected format's template, the encoder command line. Runs
// on the UI thread (the batch worker reaches it through UiThread::Call), since it reads the
// window model.
#pragma once

#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/forms.h"
#include "pipeline/conversion_state.h"
#include "profiles/command_slots.h"
#include "profiles/window_state.h"

namespace vidloom {

inline constexpr std::string_view kOutputDirectoryErrorText =
    "Fail to create directory. Please choose a different directory \n\rand give the directory a "
    "new name";

// The output directory is missing and could not be created; what() is the text shown to the
// user. No command was made.
class OutputDirectoryError : public std::runtime_error {
 public:
  explicit OutputDirectoryError(std::string directory)
      : std::runtime_error(std::string(kOutputDirectoryErrorText)),
        directory_(std::move(directory)) {}
  // The directory that could not be created.
  const std::string& directory() const { return directory_; }

 private:
  std::string directory_;
};

// The output paths that the lanes of a batch write now (UI thread).
using OutputsInUse = std::set<std::string>;

// What the command assembly reads and writes. References must outlive the context.
struct CommandContext {
  TForm1& form;                        // selectors, ListView1 "Video Size" cells, Edit1
  TForm4& options;                     // CheckBoxOverWrite
  WindowState& window;                 // ProfileTag, VolumeFactor
  ConversionState& conversion;         // reads OutputExtension; writes OutputPath, ThumbnailWanted
  CommandSlots& slots;                 // left as the last build filled them
  std::string program_directory = {};  // with its trailing separator
  // A dry run: the commands are made as they would be, but nothing is created on disk (a
  // missing output directory that could not be created still throws OutputDirectoryError).
  bool dry_run = false;
  // A lane among several: the outputs the other lanes write count as taken (null: none), and
  // the encoder is given this many threads (0: as many as it likes).
  const OutputsInUse* outputs_in_use = nullptr;
  int encoder_threads = 0;
};

// Builds the command of row `row` for the input at `input_path`: creates the output directory
// (one level) when missing (unless context.dry_run), chooses the output name (unique unless
// overwrite is ticked; neither the output nor its thumbnail ever replaces the input file), fills
// context.slots and conversion.run.OutputPath, and applies the selected format's template, setting
// conversion.run.ThumbnailWanted for the PSP formats. Returns an empty command when no format is
// selected. Throws OutputDirectoryError.
EncoderCommand BuildEncoderCommand(CommandContext& context, bool alternate_input,
                                   bool quicktime_input, const std::string& input_path, int row);

// The thumbnail command of the last build: one JPEG picture 3 s into the input, at the video's
// size (and padding), without sound, written beside the output as <base>.THM.
EncoderCommand BuildThumbnailCommand(const CommandContext& context);

// `"<dir>raziz2u" -@ -y  -i "` (with "-f qt " before "-i" for QuickTime input, and
// "-threads N " after "-y " for a thread count above 0), followed by `DS:\\` for the alternate
// input path. Ends inside the input path's opening quote.
std::string CommandHead(std::string_view program_directory, bool quicktime_input,
                        bool alternate_input, int threads = 0);

// True when the output extension (lower case) is one of the eleven audio extensions.
bool IsAudioExtension(std::string_view extension);
bool IsAudioOutput(const ConversionState& conversion);

// "movie", or for a PSP/PS3 profile tag the input's file name up to its last "." (a final "."
// does not count; a name without another "." is used whole).
std::string EncoderTitle(std::string_view profile_tag, std::string_view input_path);

// " -an " when the volume value is "0" and the output carries video; else empty.
std::string MuteOption(std::string_view volume_factor, bool audio_output);
// ` -vol_factor "<v>"` for any value but "0" and "50"; else empty.
std::string VolumeOption(std::string_view volume_factor);

// The file name after the last separator, without its extension (from the last ".").
std::string OutputBaseName(std::string_view path);
// <directory>/<base>-<n> for the first n = 1, 2, ... for which no file named that plus
// "." + extension exists (nor is in `in_use`).
std::string UniqueOutputBase(const std::string& directory, const std::string& base,
                             const std::string& extension, const OutputsInUse* in_use = nullptr);
// The output path with its extension replaced by "THM".
std::string ThumbnailPath(std::string_view output_path);

}  // namespace vidloom
