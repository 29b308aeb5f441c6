// One row of the file list as data: the file, what its analysis found, and where its conversion
// stands. The list's six cells are rendered from this record (RenderCells), never written on
// their own, so the window, vidloom-cli's table and its JSON tell the same story.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/language.h"

namespace vidloom {

// Cell indexes of a FileEntry.
enum FileCell : int {
  kCellVideoSize = 0,
  kCellFrameRate = 1,
  kCellDuration = 2,
  kCellOutput = 3,
  kCellProgress = 4,
  kCellFrames = 5,
};
inline constexpr int kFileCellCount = 6;

// A row's identity: given by the list when the row is added, never reused, kept while the row
// exists (its index changes when rows before it are removed). 0 names no row.
using RowId = std::uint64_t;

// Where a row's conversion stands. A batch moves a checked row from waiting through converting
// (and retrying, thumbnail) to one of the final states; skipped rows were never started.
enum class RowState {
  kWaiting,     // not converted in this batch (yet)
  kConverting,  // its first run
  kRetrying,    // its second run, with the input opened the other way
  kThumbnail,   // the PSP thumbnail's run
  kDone,
  kFailed,
  kAborted,  // stopped by the user while it converted
  kSkipped,  // the batch ended before its turn (Stop, a failure); `reason` says why
};
// "waiting", "converting", "retrying", "thumbnail", "done", "failed", "aborted", "skipped".
std::string_view RowStateName(RowState state);
bool IsFinal(RowState state);

// What the analysis found. The texts are what the list shows, in the analysis's own words;
// the numbers are read from them once, when the row is made.
struct MediaFacts {
  std::string size_text;      // "640 x 480"; "0 x 0" unknown; "Unknown" when rejected twice
  std::string rate_text;      // "25", "29.97"; "0" unknown
  std::string duration_text;  // "00:01:30"; "0" unknown; empty for CD tracks until converted
  // The size the input is shown at, "W x H", when it differs from the stored size (a pixel
  // aspect that is not square, a picture stored on its side); empty otherwise.
  std::string display_size;

  int width = 0;  // 0 when unknown
  int height = 0;
  // The size the input is shown at: display_size's numbers, else the stored size's.
  int shown_width = 0;
  int shown_height = 0;
  double frame_rate = 0;                   // frames per second; 0 when unknown
  std::optional<double> duration_seconds;  // none when unknown

  static MediaFacts Of(std::string size, std::string rate, std::string duration,
                       std::string display_size = {});
  // A new duration text ("hh:mm:ss"), with its number.
  void SetDuration(std::string text);
};

struct FileEntry {
  RowId id = 0;  // given by ListView::AddRow
  bool checked = false;
  // The input file, exactly as it was added (the first column shows it). Given paths are
  // resolved once, when they are added; nothing guesses at it later.
  std::string input_path;
  // The folder the file was added with (dropped, named, "Add Folder..."), that its output can
  // keep its place below; empty for a file added alone.
  std::string source_folder = {};
  MediaFacts media;
  std::string output_extension;  // the selected format's extension, "MP4"

  // The conversion, as the batch reports it.
  RowState state = RowState::kWaiting;
  std::optional<std::int64_t> percent = {};    // the run's latest percentage (may pass 100)
  std::optional<std::int64_t> frames = {};     // the encoder's frame count; none: not said
  std::optional<std::int64_t> output_kb = {};  // the output's size so far, in kB
  // Why the row's last conversion did not end done ("stopped", the encoder's error line, "the
  // file no longer exists", ...); empty otherwise.
  std::string reason = {};
  std::string output_path = {};  // the output file of the row's latest run
  // Every output name the row was given: they are its own for as long as it is in the list, and
  // no other row is given them.
  std::vector<std::string> given_outputs = {};
  bool output_written = false;      // a file with content lay at output_path when that run ended
  std::string thumbnail_path = {};  // the PSP thumbnail its conversion wrote; empty: none
  // What the encoder made instead of what was asked ("48000 Hz: MP3 has no 96000 Hz").
  std::vector<std::string> notes = {};
  // The encoder's output of the row's last runs, each run headed by its command line; at most
  // kMaxDetailLines lines, the latest.
  std::vector<std::string> details = {};

  // The cells, rendered from the fields above (RenderCells). Read them; changes go to the
  // fields.
  std::array<std::string, kFileCellCount> cells = {};
};
inline constexpr std::size_t kMaxDetailLines = 200;

// The "Progress" cell of `entry`: a percentage ("30%", at most 100) while a run reports one,
// "Re-scan" for a retry that has not yet, "THM" for the thumbnail run, "Done", "Failed",
// "Aborted" ("Failed" when the stopped run left no file), empty for waiting and skipped rows.
std::string ProgressText(const FileEntry& entry);

// The frame count the encoder wrote ("812", blanks around it allowed); none for any other text.
std::optional<std::int64_t> FrameCount(std::string_view text);

// Fills entry.cells from its record.
void RenderCells(FileEntry& entry);

// The status bar's second panel: the output's size so far.
inline constexpr const char* kOutputSizeText = N_("Output File Size : %s KB");
// "Output File Size : 12 KB" for a row whose output has a size so far; empty otherwise.
std::string OutputSizeText(const FileEntry& entry);

// What the row's conversion left, for its tooltip and details: "Output: <path>" while the
// output file lies there, "Thumbnail: <path>" for its thumbnail, then the notes; one line each.
std::vector<std::string> OutputLines(const FileEntry& entry);

// Appends `lines` to entry.details, dropping the oldest beyond kMaxDetailLines.
void AppendDetails(FileEntry& entry, const std::vector<std::string>& lines);

}  // namespace vidloom
