#include "pipeline/final_status.h"

#include "platform/filesystem.h"

namespace vidloom {

FinalStatus ApplyFinalStatus(const FinalStatusInput& in) {
  FinalStatus out;
  bool retry = in.retry_needed;
  const bool empty_output = in.size_text == "0";

  if (!in.error_seen && in.retry_run && empty_output) out.cell = "Failed";
  // A run that wrote nothing asks for a retry.
  if (!in.error_seen && !retry && (empty_output || !in.output_exists)) retry = true;
  if (!retry || in.error_seen) out.cell = "Done";
  if (in.abort_run) out.cell = "Aborted";
  // After a first run a retry follows, so the cell is left empty for it.
  if (!in.abort_run && in.error_seen) out.cell = retry ? "" : "Failed";
  if (in.stall_detected) out.cell = "Failed";

  out.retry_needed = retry;
  return out;
}

std::string FileSizeText(const std::string& path) {
  if (!platform::FileExists(path)) return "";
  const auto size = platform::FileSize(path);
  return size ? std::to_string(*size) : "nil";
}

}  // namespace vidloom
