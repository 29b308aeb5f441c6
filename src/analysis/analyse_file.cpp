#include "analysis/analyse_file.h"

#include "analysis/probe.h"

namespace vidloom::analysis {
namespace {

VideoInfoValues ReadWithVideoInfo(const std::string& path, const std::atomic<bool>* cancel) {
  VideoInfo info;
  info.FileName = path;
  info.limits.cancel = cancel;
  info.Analyze();
  return info.values();
}

}  // namespace

std::optional<RowTexts> AnalyseFile(const std::string& path, const AnalyseOptions& options) {
  const VideoInfoValues info = options.read_video_info ? options.read_video_info(path)
                                                       : ReadWithVideoInfo(path, options.cancel);
  const RowTexts reader = ReaderRowTexts(info, path);
  if (!NeedsProbe(reader, path)) return reader;
  if (options.probe_in_process && !info.encoder_description.empty()) {
    ProbeResult described;
    described.outcome = ProbeOutcome::Described;
    ParseProbeOutput(SplitProbeLines(info.encoder_description), described.values);
    return ProbeRowTexts(described);
  }

  ProbeOptions probe;
  probe.encoder_path = options.encoder_path;
  probe.pump = options.pump;
  probe.cancel = options.cancel;
  ProbeResult result = ProbeFile(path, ProbeMode::Plain, probe);
  if (result.RetryWithPrefix) result = ProbeFile(path, ProbeMode::Prefixed, probe);
  return ProbeRowTexts(result);
}

}  // namespace vidloom::analysis
