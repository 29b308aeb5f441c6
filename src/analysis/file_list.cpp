#include "analysis/file_list.h"

#include <cmath>

#include "platform/filesystem.h"
#include "texts/language.h"

namespace vidloom::analysis {

int AddFileRow(MainForm& form, const std::string& path, const std::string& size,
               const std::string& frame_rate, const std::string& duration,
               const std::string& extension, const std::string& display_size,
               const std::string& source_folder) {
  FileEntry entry;
  entry.input_path = path;
  entry.source_folder = source_folder;
  entry.media = MediaFacts::Of(size, frame_rate, duration, display_size);
  entry.output_extension = extension;
  form.FileList.BeginUpdate();
  const int row = form.FileList.AddRow(std::move(entry));
  form.FileList.SetChecked(row, true);
  form.FileList.EndUpdate();
  return row;
}

bool IsAudioCdTrack(const std::string& path) {
  return LowerExtension(path) == ".cda";
}

RowTexts ReaderRowTexts(const VideoInfoValues& values, const std::string& path) {
  RowTexts texts;
  texts.size = std::to_string(values.width) + " x " + std::to_string(values.height);
  // nearbyint follows the default rounding mode: halves go to the even neighbour.
  const double rate = values.frame_rate;
  texts.frame_rate = (std::isfinite(rate) && std::fabs(rate) < 1e9)
                         ? std::to_string(static_cast<long long>(std::nearbyint(rate)))
                         : "0";
  texts.duration = values.duration;
  if (values.display_width > 0 && values.display_height > 0 &&
      (values.display_width != values.width || values.display_height != values.height)) {
    texts.display_size =
        std::to_string(values.display_width) + " x " + std::to_string(values.display_height);
  }
  if (texts.duration.size() == 5) texts.duration = "00:" + texts.duration;
  if (IsAudioCdTrack(path)) texts.duration.clear();
  return texts;
}

bool NeedsProbe(const RowTexts& reader_texts, const std::string& path) {
  return reader_texts.size == "0 x 0" && !IsAudioCdTrack(path);
}

std::optional<RowTexts> ProbeRowTexts(const ProbeResult& result) {
  switch (result.outcome) {
    case ProbeOutcome::Described:
      return RowTexts{result.values.FrameSize, result.values.FrameRate, result.values.Duration,
                      result.values.DisplaySize};
    case ProbeOutcome::Rejected:
      return RowTexts{N_("Unknown"), "", "", ""};
    case ProbeOutcome::NotStarted:
    case ProbeOutcome::Cancelled:
      break;
  }
  return std::nullopt;
}

}  // namespace vidloom::analysis
