// The word a run leaves in its row's "Progress" cell, and whether another attempt is wanted.
#pragma once

#include <optional>
#include <string>

namespace vidloom {

struct FinalStatusInput {
  bool error_seen = false;      // an error marker or a rejected first line
  bool retry_needed = false;    // another attempt was asked for during the run
  bool abort_run = false;       // the user stopped the run
  bool stall_detected = false;  // the stall watchdog ended the run
  bool retry_run = false;       // this run is the retry of its row
  std::string size_text;        // FileSizeText of the output path
  bool output_exists = false;   // a file exists at the output path
};

struct FinalStatus {
  std::optional<std::string> cell;  // the new "Progress" cell; nullopt leaves it unchanged
  bool retry_needed = false;        // the run's final retry wish
};

// The status rules, applied in order:
//   1. no error, retry run, empty output     -> "Failed"
//   2. no error, no retry wish, empty or missing output -> a retry is wanted
//   3. no retry wish, or an error            -> "Done"
//   4. stopped                               -> "Aborted"
//   5. not stopped, error                    -> "Failed" without a retry wish, else emptied
//   6. stall                                 -> "Failed"
// A missing output is made "Failed" afterwards by the runner, after its end pause.
FinalStatus ApplyFinalStatus(const FinalStatusInput& input);

// The size in bytes, in decimal, of the file at `path`; empty text when there is none; "nil"
// when it exists but its size cannot be read.
std::string FileSizeText(const std::string& path);

}  // namespace vidloom
