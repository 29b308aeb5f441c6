#include "pipeline/run_outcome.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/exit_status.h"
#include "texts/language.h"

namespace vidloom {
namespace {

// The encoder's error line as a reason: without the "error: " that starts most of them.
std::string ReasonFromLine(std::string line) {
  constexpr std::string_view kPrefix = "error: ";
  if (line.compare(0, kPrefix.size(), kPrefix) == 0) line.erase(0, kPrefix.size());
  return line;
}

RunJudgement Judge(const RunResult& r, bool retry_run) {
  // An output that exists counts as written even when its size cannot be read.
  const bool empty = r.output_exists && r.output_size == std::int64_t{0};
  const bool written = r.output_exists && !empty;
  const RunVerdict failed = retry_run ? RunVerdict::kFailed : RunVerdict::kRetry;
  switch (r.end) {
    case RunEnd::kStopped:
      return {RunVerdict::kStopped, texts::Tr("stopped")};
    case RunEnd::kStalled:
      return {written ? RunVerdict::kFailed : failed,
              texts::Tr("the encoder made no progress for 16 seconds and was ended")};
    case RunEnd::kEncoderError:
      return {failed,
              r.error_line.empty() ? EncoderEndText(r.exit_code) : ReasonFromLine(r.error_line)};
    case RunEnd::kEndedOnErrorLine:
      return {failed, ReasonFromLine(r.error_line)};
    case RunEnd::kKilled:
      return {failed, EncoderEndText(r.exit_code)};
    case RunEnd::kUnreadable:
      return {failed,
              r.why.empty()
                  ? texts::Tr("the encoder's output could not be read")
                  : texts::Fill(texts::Tr("the encoder's output could not be read: %s"), {r.why})};
    case RunEnd::kNotStarted:
      return {RunVerdict::kFailed, r.why};
    case RunEnd::kCompleted:
      if (written) return {RunVerdict::kSucceeded, ""};
      return {failed, r.output_exists ? texts::Tr("the encoder wrote an empty output file")
                                      : texts::Tr("the encoder wrote no output file")};
  }
  return {RunVerdict::kFailed, ""};
}

}  // namespace

std::optional<std::string> AudioBitRateNote(std::optional<double> chosen_kbps,
                                            const RunResult& run) {
  if (!chosen_kbps || !run.audio_kbps || std::abs(*run.audio_kbps - *chosen_kbps) < 0.05) {
    return std::nullopt;
  }
  // The codec as the user knows it.
  std::string codec = run.audio_codec;
  if (codec == "libopencore_amrnb") codec = "AMR-NB";
  if (codec == "libmp3lame") codec = "MP3";
  if (codec == "aac") codec = "AAC";
  char given[32];
  char chosen[32];
  std::snprintf(given, sizeof given, "%g", *run.audio_kbps);
  std::snprintf(chosen, sizeof chosen, "%g", *chosen_kbps);
  return texts::Fill(texts::Tr("%s kbit/s: %s has no %s kbit/s"),
                     {texts::LocalNumber(given), codec, texts::LocalNumber(chosen)});
}

RunJudgement JudgeRun(const RunResult& result, RunKind kind) {
  RunJudgement judgement = Judge(result, IsRetryRun(kind));
  if (IsThumbnailRun(kind) && !judgement.reason.empty()) {
    judgement.reason = texts::Fill(texts::Tr("the thumbnail: %s"), {judgement.reason});
  }
  return judgement;
}

RowNext NextStep(RunKind kind, RunVerdict verdict, bool thumbnail_wanted) {
  auto finish = [](RowState state) { return RowNext{.step = RowStep::kFinish, .state = state}; };
  if (verdict == RunVerdict::kStopped) return finish(RowState::kAborted);
  const bool good = verdict == RunVerdict::kSucceeded;
  switch (kind) {
    case RunKind::kMain:
    case RunKind::kRetry:
      if (good && thumbnail_wanted) {
        return {.step = RowStep::kThumbnail,
                .run = kind == RunKind::kMain ? RunKind::kMainThumbnail : RunKind::kRetryThumbnail};
      }
      break;
    case RunKind::kMainThumbnail:
    case RunKind::kRetryThumbnail:
      break;
  }
  if (good) return finish(RowState::kDone);
  if (verdict == RunVerdict::kRetry && !IsRetryRun(kind)) {
    return {.step = RowStep::kRetry, .run = RunKind::kRetry};
  }
  return finish(RowState::kFailed);
}

RowState SettledState(RunVerdict verdict) {
  switch (verdict) {
    case RunVerdict::kSucceeded:
      return RowState::kDone;
    case RunVerdict::kStopped:
      return RowState::kAborted;
    case RunVerdict::kRetry:
    case RunVerdict::kFailed:
      break;
  }
  return RowState::kFailed;
}

std::string EncoderEndText(int exit_code) {
  if (const auto how = platform::AbnormalEnd(exit_code))
    return texts::Fill(texts::Tr("the encoder was ended by %s"), {*how});
  return texts::Fill(texts::Tr("the encoder ended with exit code %s"), {std::to_string(exit_code)});
}

}  // namespace vidloom
