// The media probe: runs the encoder with an input file and no output, collects its whole
// answer and picks the frame size, frame rate and duration out of it. The fallback for files
// that the media-information reader cannot describe.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace vidloom::analysis {

enum class ProbeMode { Plain, Prefixed };

enum class ProbeOutcome {
  Described,   // the encoder accepted the input; the values were parsed
  Rejected,    // the answer's first line is not an input description
  NotStarted,  // the encoder could not be started
  Cancelled,   // the caller cancelled the probe; its encoder was ended
};

struct ProbeValues {
  std::string Path;                 // the input path exactly as passed (not trimmed)
  std::string FrameSize = "0 x 0";  // width, " x ", height
  std::string FrameRate = "0";      // as printed, a fraction of "00" removed
  std::string Duration;             // "HH:MM:SS"; empty when the answer holds no duration
  // The size the video is shown at ("W x H") when the encoder names one besides the stored
  // size ("..., display 768x576"); empty otherwise.
  std::string DisplaySize = {};
};

// The first characters of an accepted answer.
inline constexpr std::string_view kInputHeader = "Input #0,";

// The alternate-input prefix of the encoder's command line.
inline constexpr std::string_view kAlternateInputPrefix = "DS:\\\\";

// Splits a collected answer into lines. "\r\n", "\n" and a lone "\r" each end a line; NUL
// bytes are dropped; empty lines are kept. A last line without a break is a line too.
std::vector<std::string> SplitProbeLines(std::string_view answer);

// The verdict on the first line of the answer read so far: true when it describes an input,
// false when it does not, nullopt while it cannot be told yet (fewer characters than the header,
// no line break, and more may come). At the end of the output (`at_end`) any text is judged.
std::optional<bool> JudgeFirstLine(std::string_view answer, bool at_end);

// True when `first_line` begins with "Input #0," (case-sensitive).
bool IsInputDescription(std::string_view first_line);

// Parses the lines of an accepted answer into `values` (Path untouched). FrameSize and
// FrameRate start as "0 x 0" and "0", Duration as empty. Per line: a "Duration: " line gives the
// duration from its two-digit fields ("N/A" gives "00:00:00" and ends the parse); a "Video:"
// line gives the frame size (second field, W "x" H) and the frame rate (the text before " fps"
// in the rest, "NN.00" shortened to "NN"). A later video line overrides an earlier one.
void ParseProbeOutput(const std::vector<std::string>& lines, ProbeValues& values);

// The probe's command line: `"` encoder `" -@ -y  -i "` [DS:\\] path `"`, the path exactly
// as given (resolved when it was added), quoted so that it comes back as one argument.
std::string ProbeCommandLine(const std::string& encoder_path, const std::string& input_path,
                             ProbeMode mode);

struct ProbeOptions {
  // The encoder executable; empty: ProgramDirectory() + the encoder's file name.
  std::string encoder_path;
  // Called once before the encoder starts and then at least every `pump_interval_ms` while the
  // probe waits for the answer, so that the UI thread keeps handling its messages.
  std::function<void()> pump;
  int pump_interval_ms = 50;
  // The whole probe is bounded: an encoder still running after this is terminated and the
  // answer collected so far is judged.
  int timeout_ms = 30'000;
  // The clock the timeout follows; nullptr: the system clock.
  platform::Clock* clock = nullptr;
  // Output beyond this many bytes is not collected; the encoder is terminated.
  std::size_t max_answer_bytes = std::size_t{1} << 20;
  // When set (from any thread), the probe ends its own encoder within one pump interval and
  // reports Cancelled. Null: the probe cannot be cancelled.
  const std::atomic<bool>* cancel = nullptr;
};

struct ProbeResult {
  ProbeOutcome outcome = ProbeOutcome::NotStarted;
  ProbeValues values;
  // Set on Rejected: the caller probes again in Prefixed mode.
  bool RetryWithPrefix = false;
  // The encoder was terminated because the timeout passed.
  bool timed_out = false;
  // The collected answer, line by line.
  std::vector<std::string> lines;
};

// Runs one probe. The whole answer is collected before it is split into lines and parsed, so a
// line cut by a read boundary is read whole. A rejected answer is judged as soon as its first
// line can be (nine characters or a line break) and then only this probe's own encoder is
// terminated. A started encoder is never left running past the timeout.
ProbeResult ProbeFile(const std::string& path, ProbeMode mode, const ProbeOptions& options = {});

}  // namespace vidloom::analysis
