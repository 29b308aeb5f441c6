// Rows of the file list: appending a file's row with the values its analysis found.
#pragma once

#include <optional>
#include <string>

#include "analysis/probe.h"
#include "analysis/video_info.h"
#include "model/forms.h"
#include "platform/filesystem.h"

namespace vidloom::analysis {

// Appends one checked row to form.FileList: caption `path`, cells size, frame rate, duration,
// the output extension, an empty "Progress" and an empty "Frames". The list's repainting is
// suspended while the row is added. Returns the new row's index.
// `source_folder`: the folder the file was added with (empty: added alone).
int AddFileRow(MainForm& form, const std::string& path, const std::string& size,
               const std::string& frame_rate, const std::string& duration,
               const std::string& extension, const std::string& display_size = "",
               const std::string& source_folder = "");

// The size, frame rate and duration texts of one file's row.
struct RowTexts {
  std::string size = "0 x 0";
  std::string frame_rate = "0";
  std::string duration = "0";
  std::string display_size = {};  // "W x H" the video is shown at, when not its stored size
};

using platform::LowerExtension;  // the file name's extension, lower-cased, with its dot

// True for audio CD track files (".cda"), which are never probed and show no duration.
bool IsAudioCdTrack(const std::string& path);

// The reader's values as row texts: "W x H"; the frame rate rounded to a whole number (halves to
// the even neighbour); the duration with "00:" put before a five-character "MM:SS"; an empty
// duration for ".cda" files.
RowTexts ReaderRowTexts(const VideoInfoValues& values, const std::string& path);

// Whether the encoder decides the row: the reader found no frame size and the file is not a
// ".cda" file.
bool NeedsProbe(const RowTexts& reader_texts, const std::string& path);

// The row texts of a probe's outcome: Described gives its values; Rejected gives "Unknown" and
// empty frame rate and duration; NotStarted and Cancelled give none (nullopt: no row).
std::optional<RowTexts> ProbeRowTexts(const ProbeResult& result);

}  // namespace vidloom::analysis
