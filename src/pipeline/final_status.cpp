#include "pipeline/final_status.h"

#include <cstring>

#include "platform/filesystem.h"

namespace vidloom {
namespace {

// The encoder's error line as a reason: without the "error: " that starts most of them.
std::string ReasonFromLine(std::string line) {
  constexpr std::string_view kPrefix = "error: ";
  if (line.compare(0, kPrefix.size(), kPrefix) == 0) line.erase(0, kPrefix.size());
  return line;
}

std::string Reason(const FinalStatusInput& in, bool empty_output) {
  if (in.abort_run) return "stopped";
  std::string reason;
  if (in.stall_detected) {
    reason = "the encoder made no progress for 16 seconds and was ended";
  } else if (!in.error_line.empty()) {
    reason = ReasonFromLine(in.error_line);
  } else if (in.encoder_failed) {
    reason = EncoderEndText(in.exit_code);
  } else if (!in.output_exists) {
    reason = "the encoder wrote no output file";
  } else if (empty_output) {
    reason = "the encoder wrote an empty output file";
  }
  if (in.thumbnail_run && !reason.empty()) reason = "the thumbnail: " + reason;
  return reason;
}

}  // namespace

FinalStatus ApplyFinalStatus(const FinalStatusInput& in) {
  FinalStatus out;
  // An encoder that did not end well failed like one that printed an error line.
  const bool failed_exit = in.encoder_failed && !in.abort_run && !in.stall_detected;
  const bool error = in.error_seen || failed_exit;
  bool retry = in.retry_needed || (failed_exit && !in.retry_run);
  const bool empty_output = in.size_text == "0";

  if (!error && in.retry_run && empty_output) out.cell = "Failed";
  // A run that wrote nothing asks for a retry.
  if (!error && !retry && (empty_output || !in.output_exists)) retry = true;
  if (!retry || error) out.cell = "Done";
  if (in.abort_run) out.cell = "Aborted";
  // After a first run a retry follows, so the cell is left empty for it.
  if (!in.abort_run && error) out.cell = retry ? "" : "Failed";
  if (in.stall_detected) out.cell = "Failed";

  out.retry_needed = retry;
  if (out.cell != "Done") out.reason = Reason(in, empty_output);
  return out;
}

std::string EncoderEndText(int exit_code) {
  if (exit_code > 128 && exit_code < 128 + 65) {
    const int signal = exit_code - 128;
    const char* name = strsignal(signal);
    return "the encoder was ended by signal " + std::to_string(signal) +
           (name ? std::string(" (") + name + ")" : std::string());
  }
  return "the encoder ended with exit code " + std::to_string(exit_code);
}

std::string FileSizeText(const std::string& path) {
  if (!platform::FileExists(path)) return "";
  const auto size = platform::FileSize(path);
  return size ? std::to_string(*size) : "nil";
}

}  // namespace vidloom
