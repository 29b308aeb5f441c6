#include "pipeline/command_builder.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "platform/command_line.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "platform/text.h"
#include "profiles/catalogue.h"
#include "profiles/fragments.h"
#include "profiles/letterbox.h"
#include "profiles/text_rules.h"
#include "texts/language.h"

namespace vidloom {

namespace {

constexpr std::string_view kAlternateInputPrefix = "DS:\\\\";

std::string Quoted(std::string_view path) {
  std::string out = " \"";
  out += platform::QuoteArgumentBody(path);
  out += '"';
  return out;
}

// The first usable name of <base>.<ext>, <base>-1.<ext>, ...: not one another row holds, not
// the input itself (reached by any path: the same name, a symlink, a hard link), which the
// encoder would truncate, nor, for a format with a thumbnail, one whose thumbnail is the input.
// An existing file is replaced only with overwrite, so that a re-run of the same list replaces
// the same files. With context.claim the name is claimed in the file system, which also passes
// over a file that another conversion is writing, and says so in `notes`.
std::string ChooseOutputPath(const CommandContext& context, const std::string& directory,
                             const RowSnapshot& row, bool thumbnail,
                             std::vector<std::string>& notes) {
  const bool overwrite = row.choices.overwrite;
  const std::string stem = directory + platform::kPathSeparator + OutputBaseName(row.input);
  std::string busy;  // the first name passed over because another conversion holds it
  for (unsigned long long n = 0;; ++n) {
    std::string path = stem + (n == 0 ? "" : "-" + std::to_string(n)) + "." + row.extension;
    if (context.owners != nullptr) {
      const auto owner = context.owners->find(platform::PathKey(path));
      if (owner != context.owners->end() && owner->second != row.id) continue;
    }
    if (platform::SameFile(path, row.input)) continue;
    if (thumbnail && platform::SameFile(ThumbnailPath(path), row.input)) continue;
    if (context.claim == nullptr) {
      if (platform::FileExists(path) && !overwrite) continue;
      return path;
    }
    switch (context.claim->Claim(path, overwrite)) {
      case platform::OutputClaim::Outcome::kClaimed:
        if (!busy.empty()) {
          notes.push_back(texts::Fill(texts::Tr("%s: %s is being written by another conversion"),
                                      {platform::FileNamePart(path), busy}));
        }
        return path;
      case platform::OutputClaim::Outcome::kExists:
        continue;
      case platform::OutputClaim::Outcome::kBusy:
        if (busy.empty()) busy = platform::FileNamePart(path);
        continue;
      case platform::OutputClaim::Outcome::kFailed:
        // Something there that cannot be written (a folder, a read-only file): the next name.
        // Nothing there and still no file: the encoder tells why it cannot write either.
        if (platform::PathExists(path)) continue;
        return path;
    }
  }
}

}  // namespace

std::string CommandHead(std::string_view program_directory, bool quicktime_input,
                        bool alternate_input, int threads) {
  std::string encoder(program_directory);
  encoder += platform::kEncoderFileName;
  std::string head = "\"";
  head += platform::QuoteArgumentBody(encoder);
  head += "\" -@ -y ";
  if (threads > 0) head += "-threads " + std::to_string(threads) + " ";
  head += quicktime_input ? " -f qt -i \"" : " -i \"";
  if (alternate_input) head += kAlternateInputPrefix;
  return head;
}

bool IsAudioExtension(std::string_view extension) {
  static constexpr std::array<std::string_view, 11> kAudio = {
      "mp3", "mp2", "m4a", "wav", "ogg", "aac", "au", "wma", "ra", "ac3", "cda"};
  for (std::string_view audio : kAudio) {
    if (extension == audio) return true;
  }
  return false;
}

std::string EncoderTitle(std::string_view profile_tag, std::string_view input_path) {
  if (profile_tag != "psp") return "movie";
  const std::string_view name = platform::FileNamePart(input_path);
  if (name.size() < 2) return std::string(name);
  const auto dot = name.rfind('.', name.size() - 2);  // a final "." does not count
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string MuteOption(std::string_view volume_factor, bool audio_output) {
  return (volume_factor == "0" && !audio_output) ? " -an " : "";
}

std::string VolumeOption(std::string_view volume_factor) {
  if (volume_factor == "0" || volume_factor == "50") return {};
  std::string out = " -vol_factor \"";
  out += volume_factor;
  out += '"';
  return out;
}

std::string OutputBaseName(std::string_view path) {
  const std::string_view name = platform::FileNamePart(path);
  const auto dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string ThumbnailPath(std::string_view output_path) {
  const std::string_view name = platform::FileNamePart(output_path);
  const auto dot = name.rfind('.');
  const std::size_t keep =
      output_path.size() - name.size() + (dot == std::string_view::npos ? name.size() : dot);
  std::string out(output_path.substr(0, keep));
  out += ".THM";
  return out;
}

bool IsRealMediaExtension(const std::string& extension) {
  return extension == ".rm" || extension == ".rmvb" || extension == ".ram" || extension == ".ra";
}

InputMethod FirstInputMethod(const std::string& input_path) {
  return {.alternate = IsRealMediaExtension(platform::LowerExtension(input_path))};
}

InputMethod RetryInputMethod(const std::string& input_path, InputMethod first) {
  // A QuickTime file is opened as such the second time; any other the other way than the first.
  if (platform::LowerExtension(input_path) == ".mov") return {.quicktime = true};
  return {.alternate = !first.alternate};
}

std::string SubfolderOf(const std::string& input, const std::string& source_folder) {
  if (source_folder.empty()) return {};
  const std::filesystem::path relative =
      platform::FsPath(input).parent_path().lexically_relative(platform::FsPath(source_folder));
  const std::string text = platform::Utf8Path(relative);
  // A path that climbs anywhere is not below the folder: "a/../../x" leaves it, and a linked
  // folder could turn even "a/../b" into a way out.
  const bool climbs = std::any_of(relative.begin(), relative.end(),
                                  [](const std::filesystem::path& part) { return part == ".."; });
  if (text.empty() || text == "." || relative.has_root_path() || climbs) return {};
  return text;
}

RowSnapshot SnapshotOf(const FileEntry& entry, ConversionChoices choices) {
  return RowSnapshot{.id = entry.id,
                     .checked = entry.checked,
                     .input = entry.input_path,
                     .extension = text::LowerAscii(text::Trim(entry.output_extension)),
                     .video_size = entry.media.size_text,
                     .shown_width = entry.media.shown_width,
                     .shown_height = entry.media.shown_height,
                     .subfolder = SubfolderOf(entry.input_path, entry.source_folder),
                     .choices = std::move(choices)};
}

RowCommand BuildEncoderCommand(const CommandContext& context, const RowSnapshot& row,
                               InputMethod method, const std::string& output_path) {
  const ConversionChoices& choices = row.choices;
  // The directory as the box shows it, without surrounding blanks, for creating and naming alike.
  std::string directory(text::Trim(choices.output_directory));
  if (!platform::DirectoryExists(directory)) {
    // Another program (a second vidloom-cli of the same batch) may have made it meanwhile.
    const bool made = context.dry_run ? platform::CouldCreateDirectoryLevel(directory)
                                      : platform::CreateDirectoryLevel(directory) ||
                                            platform::DirectoryExists(directory);
    if (!made) throw OutputDirectoryError(directory);
  }
  if (choices.keep_folders && !row.subfolder.empty()) {
    directory += platform::kPathSeparator + row.subfolder;
    std::error_code error;
    if (!context.dry_run &&
        !std::filesystem::create_directories(platform::FsPath(directory), error) &&
        !platform::DirectoryExists(directory)) {
      throw OutputDirectoryError(directory);
    }
  }

  std::vector<std::string> notes;
  std::string output = output_path;
  if (output.empty()) {
    const OutputFormat* format = FindFormat(choices.format);
    output = ChooseOutputPath(context, directory, row, format && format->ThumbnailWanted, notes);
  }
  RowCommand run =
      CommandFor(row, method, output, context.program_directory, context.encoder_threads);
  run.notes = std::move(notes);
  return run;
}

RowCommand CommandFor(const RowSnapshot& row, InputMethod method, const std::string& output_path,
                      std::string_view program_directory, int encoder_threads) {
  const ConversionChoices& choices = row.choices;
  RowCommand run;
  run.output_path = output_path;
  CommandSlots& slots = run.slots;
  slots.CommandHead =
      CommandHead(program_directory, method.quicktime, method.alternate, encoder_threads);
  slots.InputPart = platform::QuoteArgumentBody(row.input);
  slots.InputPart += '"';
  slots.OutputPart = Quoted(output_path);

  const bool audio_output = IsAudioExtension(row.extension);
  slots.VideoCodecOption = VideoCodecFragment(choices);
  slots.SizeOption = SizeFragment(choices, row.video_size);
  if (choices.letterbox.row == 1 && !audio_output) {
    // The letterbox keeps the shape the input is shown at (its pixel aspect, turned upright),
    // not its stored size.
    if (const auto frame = ChosenFrameSize(choices, row.video_size)) {
      if (auto padded =
              LetterboxSizeOption(row.shown_width, row.shown_height, frame->first, frame->second)) {
        slots.SizeOption = std::move(*padded);
      }
    }
  }
  slots.VideoBitrateOption = VideoBitrateFragment(choices);
  slots.FrameRateOption = FrameRateFragment(choices);
  slots.AudioBitrateOption = AudioBitrateFragment(choices);
  if (slots.AudioBitrateOption == " ") run.audio_kbps_not_given = ChosenAudioKbps(choices);
  slots.ChannelsOption = ChannelsFragment(choices);
  slots.ChannelsOption += MuteOption(choices.volume_factor, audio_output);
  slots.ChannelsOption += VolumeOption(choices.volume_factor);
  slots.SampleRateOption = SampleRateFragment(choices);

  std::optional<FormatCommand> command =
      BuildFormatCommand(choices.format, slots, EncoderTitle(choices.profile_tag, row.input));
  if (!command) return run;
  run.thumbnail_wanted = command->thumbnail_wanted;
  run.command = std::move(command->command);
  return run;
}

RowCommand BuildFirstCommand(const CommandContext& context, const RowSnapshot& row) {
  return BuildEncoderCommand(context, row, FirstInputMethod(row.input));
}

EncoderCommand BuildThumbnailCommand(const RowCommand& run) {
  const CommandSlots& slots = run.slots;
  EncoderCommand command;
  command.reserve(256);
  command += slots.CommandHead;
  command += slots.InputPart;
  command += " -f singlejpeg -ss 3 -vframes 1";
  command += ' ';
  command += slots.SizeOption;
  command += " -an ";
  // From the output path rather than by cutting the quoted part, so that a quoted body of any
  // form gives the right name.
  command += Quoted(ThumbnailPath(run.output_path));
  return command;
}

}  // namespace vidloom
