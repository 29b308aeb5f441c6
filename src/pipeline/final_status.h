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
  bool thumbnail_run = false;   // this run makes the thumbnail
  std::string size_text;        // FileSizeText of the output path
  bool output_exists = false;   // a file exists at the output path
  // The encoder did not end well by itself: it exited with another code than 0 or was killed
  // from outside (crash, out of memory), or the runner had to end it after an error of its
  // own. A Stop or a stall kill is not counted here.
  bool encoder_failed = false;
  int exit_code = 0;       // the encoder's exit code, 128 + signal when a signal ended it
  std::string error_line;  // the line that made error_seen (the encoder's error line)
};

struct FinalStatus {
  std::optional<std::string> cell;  // the new "Progress" cell; nullopt leaves it unchanged
  bool retry_needed = false;        // the run's final retry wish
  // Why the run did not succeed, for the user ("stopped", the encoder's error line, ...);
  // empty when it did.
  std::string reason;
};

// The status rules, applied in order (a failed encoder counts as an error, and asks for a retry
// unless this is the retry run):
//   1. no error, retry run, empty output     -> "Failed"
//   2. no error, no retry wish, empty or missing output -> a retry is wanted
//   3. no retry wish, or an error            -> "Done"
//   4. stopped                               -> "Aborted"
//   5. not stopped, error                    -> "Failed" without a retry wish, else emptied
//   6. stall                                 -> "Failed"
// A missing output is made "Failed" afterwards by the runner, after its end pause.
FinalStatus ApplyFinalStatus(const FinalStatusInput& input);

// "the encoder ended with exit code 3", "the encoder was ended by signal 9 (Killed)".
std::string EncoderEndText(int exit_code);

// The size in bytes, in decimal, of the file at `path`; empty text when there is none; "nil"
// when it exists but its size cannot be read.
std::string FileSizeText(const std::string& path);

}  // namespace vidloom
