#include "pipeline/batch_driver.h"

#include <algorithm>
#include <cctype>

#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/report_lost.h"
#include "platform/text.h"

namespace vidloom {

using platform::ReportLost;

bool IsRealMediaExtension(const std::string& extension) {
  return extension == ".rm" || extension == ".rmvb" || extension == ".ram" || extension == ".ra";
}

namespace {

// Runs the batch end steps exactly once, however the batch is left.
class BatchEndGuard {
 public:
  BatchEndGuard(ConversionState& state, UiHandle<BatchEnv> window)
      : state_(state), window_(window) {}
  ~BatchEndGuard() { Run(); }
  void Run() noexcept;

 private:
  ConversionState& state_;
  UiHandle<BatchEnv> window_;
  bool done_ = false;
};

void BatchEndGuard::Run() noexcept {
  if (done_) return;
  done_ = true;
  ConversionState& state = state_;
  try {
    window_.Call([](BatchEnv& env) {
      TForm1& form = env.form();
      form.ConvertNowButton.SetEnabled(true);
      form.ListView1.popup_enabled = true;
      form.AddFileButton.SetEnabled(true);
    });
    state.run.Converting = false;
    state.run.RetryRun = false;
    state.run.RetryNeeded = false;
    window_.Call([&state](BatchEnv& env) {
      if (env.hooks.BatchEnded) env.hooks.BatchEnded();
      if (env.hooks.EnableWorkControls) env.hooks.EnableWorkControls();
      const bool shutdown = env.options.CheckBoxShutDown.checked();
      if (shutdown && !state.requests.StopRequested && state.run.JobsStarted != 0 &&
          env.hooks.ArmShutdownCountdown) {
        env.hooks.ArmShutdownCountdown();
      }
      state.requests.StopRequested = false;
    });
  } catch (...) {
    // The window is gone or a hook failed: nothing more can be shown there (a stop request
    // left standing is cleared when the next batch begins).
    ReportLost("the end of the batch could not be shown");
  }
}

// The batch on the worker thread: the runner (conversion state, the main window's handle) and the
// batch's window through its handle; no reference into the forms.
class Batch {
 public:
  explicit Batch(BatchEnv& env)
      : runner_(env.runner), state_(env.runner.state), window_(env.runner.window.For(env)) {}

  void Run();

 private:
  // Returns false when the batch must end now.
  bool RunRow(int row);
  // The second run of a row whose first asked for it, with the input opened the other way.
  bool Retry(int row, const std::string& input, const std::string& extension, bool alternate);
  void ThumbnailStep(int row);
  std::string BuildCommand(bool alternate, bool quicktime, const std::string& input, int row);
  void Message(const char* text) {
    window_.Call([text](BatchEnv& env) { env.dialogs.ShowMessage(kInformationCaption, text); });
  }
  // Gives the checked rows from `first` on that have no outcome yet the reason they were not
  // converted.
  void MarkRowsNotReached(int first, const std::string& reason);
  void MarkRowsNotReachedQuietly(int first, const std::string& reason) noexcept;

  RunnerEnv& runner_;
  ConversionState& state_;
  UiHandle<BatchEnv> window_;
};

void Batch::Run() {
  window_.Call([&](BatchEnv& env) {
    env.form().ProgressBar1.SetPosition(0);
    state_.requests.StopRequested = false;
  });
  state_.run.Converting = false;
  state_.run.AbortRun = false;
  state_.run.RetryNeeded = false;
  state_.run.JobsStarted = 0;

  const bool missing = window_.Call([&](BatchEnv& env) {
    return env.hooks.CheckRequiredFiles ? env.hooks.CheckRequiredFiles() : false;
  });
  if (missing) return;

  BatchEndGuard batch_end(state_, window_);
  try {
    const int rows = window_.Call([&](BatchEnv& env) { return env.form().ListView1.count(); });
    if (rows == 0) {
      Message(kNoFileText);
      state_.run.JobsStarted = 0;
      return;
    }
    state_.run.Converting = false;
    const bool any_checked = window_.Call([&](BatchEnv& env) {
      const auto& all = env.form().ListView1.rows();
      return std::any_of(all.begin(), all.end(), [](const FileEntry& e) { return e.checked; });
    });
    if (!any_checked) {
      Message(kNothingCheckedText);
      return;
    }
    window_.Call([&](BatchEnv& env) {
      for (int i = 0; i < env.form().ListView1.count(); ++i) {
        env.form().ListView1.SetCell(i, kCellProgress, "");
        env.form().ListView1.SetReason(i, "");
      }
      if (env.hooks.BatchStarted) env.hooks.BatchStarted();
      env.form().ConvertNowButton.SetEnabled(false);
      env.form().AddFileButton.SetEnabled(false);
      env.form().ListView1.popup_enabled = false;
    });

    const int count = window_.Call([&](BatchEnv& env) { return env.form().ListView1.count(); });
    for (int row = 0; row < count; ++row) {
      if (!RunRow(row)) {
        if (state_.requests.StopRequested) MarkRowsNotReached(row + 1, "stopped before its turn");
        return;
      }
    }
    if (!window_.Call([&](BatchEnv& env) { return env.options.CheckBoxShutDown.checked(); }))
      Message(kAllDoneText);
  } catch (const OutputDirectoryError& error) {
    MarkRowsNotReached(state_.run.CurrentRow,
                       "the output directory cannot be created: " + error.directory());
    batch_end.Run();
    Message(error.what());
  } catch (const std::exception& error) {
    // Any other failure ends the batch; rows not reached keep their cells, and say why.
    MarkRowsNotReachedQuietly(state_.run.CurrentRow,
                              std::string("the batch ended: ") + error.what());
  } catch (...) {
    MarkRowsNotReachedQuietly(state_.run.CurrentRow, "the batch ended after an unexpected error");
  }
}

void Batch::MarkRowsNotReached(int first, const std::string& reason) {
  window_.Call([&](BatchEnv& env) {
    for (int i = std::max(first, 0); i < env.form().ListView1.count(); ++i) {
      const FileEntry& entry = env.form().ListView1.row(i);
      if (entry.checked && entry.reason.empty() && entry.cells[kCellProgress] != "Done") {
        env.form().ListView1.SetReason(i, reason);
      }
    }
  });
}

void Batch::MarkRowsNotReachedQuietly(int first, const std::string& reason) noexcept {
  try {
    MarkRowsNotReached(first, reason);
  } catch (...) {
    // The window is gone: the reason goes to the standard error instead.
    ReportLost(reason);
  }
}

std::string Batch::BuildCommand(bool alternate, bool quicktime, const std::string& input, int row) {
  return window_.Call([&](BatchEnv& env) {
    return BuildEncoderCommand(env.commands, alternate, quicktime, input, row);
  });
}

bool Batch::RunRow(int row) {
  struct RowView {
    std::string extension, input;
    bool exists_in_list;
  };
  const RowView view = window_.Call([&](BatchEnv& env) {
    if (row >= env.form().ListView1.count()) return RowView{{}, {}, false};
    return RowView{text::LowerAscii(text::Trim(env.form().ListView1.cell(row, kCellOutput))),
                   platform::CaptionPath(env.form().ListView1.row(row).caption), true};
  });
  if (!view.exists_in_list) return true;  // the list shrank under the batch: nothing to do
  state_.run.OutputExtension = view.extension;
  state_.run.AbortRun = false;
  const std::string& input = view.input;
  bool alternate = false;
  window_.Post([](BatchEnv& env) { env.form().ProgressBar1.SetPosition(0); });
  state_.run.RetryRun = false;
  state_.run.CurrentRow = row;
  state_.run.ThumbnailWanted = false;
  state_.run.ThumbnailRun = false;
  if (state_.requests.StopRequested) {
    state_.run.Converting = false;
    return false;
  }
  const std::string extension = LowerExtension(input);
  if (IsRealMediaExtension(extension)) alternate = true;

  const std::string command = BuildCommand(alternate, /*quicktime=*/false, input, row);

  // The check box is read now, so ticks changed during the batch count for rows not reached.
  const bool checked = window_.Call([&](BatchEnv& env) {
    return row < env.form().ListView1.count() && env.form().ListView1.row(row).checked;
  });
  if (!checked) return true;
  window_.Call([row](BatchEnv& env) {
    if (env.hooks.RowTurn) env.hooks.RowTurn(row);
  });
  if (!platform::FileExists(input)) {
    // Skipped: the row says so rather than keeping an empty cell under "All Conversion Jobs
    // Done!".
    const char* reason = platform::DirectoryExists(input) ? "the input is a directory, not a file"
                                                          : "the file no longer exists";
    window_.Call([&](BatchEnv& env) {
      if (row >= env.form().ListView1.count()) return;
      env.form().ListView1.SetCell(row, kCellProgress, "Failed");
      env.form().ListView1.SetReason(row, reason);
    });
    return true;
  }

  state_.run.Converting = true;
  window_.Call([&](BatchEnv& env) {
    if (env.hooks.DisableWorkControls) env.hooks.DisableWorkControls();
    env.form().ListView1.ScrollIntoView(row);
    env.form().ListView1.ClearDetails(row);
  });
  if (state_.requests.StopRequested) return false;
  state_.run.RetryRun = false;
  state_.run.JobsStarted = 1;
  RunEncoder(runner_, command, row);
  // After Stop no further encoder is started, not even for the thumbnail.
  if (state_.requests.StopRequested) return false;
  if (state_.run.ThumbnailWanted && !state_.run.RetryNeeded) ThumbnailStep(row);
  if (state_.requests.StopRequested) return false;

  if (state_.run.RetryNeeded) return Retry(row, input, extension, alternate);
  return true;
}

bool Batch::Retry(int row, const std::string& input, const std::string& extension, bool alternate) {
  if (platform::FileExists(state_.run.OutputPath)) platform::DeleteFile(state_.run.OutputPath);
  if (state_.requests.StopRequested) return false;
  // A QuickTime file is opened as such the second time; any other the other way than the first.
  const bool quicktime = extension == ".mov";
  const std::string command = BuildCommand(!quicktime && !alternate, quicktime, input, row);
  window_.Call([&](BatchEnv& env) { env.form().ListView1.SetCell(row, kCellProgress, "Re-scan"); });
  state_.run.RetryRun = true;
  RunEncoder(runner_, command, row);
  state_.run.RetryNeeded = false;
  if (state_.run.ThumbnailWanted) ThumbnailStep(row);
  return true;
}

void Batch::ThumbnailStep(int row) {
  const std::string command =
      window_.Call([&](BatchEnv& env) { return BuildThumbnailCommand(env.commands); });
  state_.run.ThumbnailRun = true;
  window_.Call([&](BatchEnv& env) {
    env.form().StatusBar1.SetPanel(2, kThumbnailPanelText);
    env.form().ListView1.SetCell(row, kCellProgress, "THM");
  });
  RunEncoder(runner_, command, row);
  state_.run.ThumbnailWanted = false;
  window_.Call([&](BatchEnv& env) { env.form().StatusBar1.SetPanel(2, ""); });
}

}  // namespace

void RunBatch(BatchEnv& env) {
  Batch(env).Run();
}

void StopBatch(BatchEnv& env) {
  env.runner.state.requests.StopRequested = true;
  platform::RequestEndOfProcessesByName(env.runner.encoder_name);
  env.runner.window.clock().WakeAll();
  env.form().ProgressBar1.SetPosition(0);
}

void StopConvertButtonClick(BatchEnv& env) {
  if (!env.runner.state.run.Converting) return;
  if (!env.dialogs.ConfirmOkCancel(kStopQuestion)) return;
  StopBatch(env);
}

BatchWorker::~BatchWorker() {
  Join();
}

void BatchWorker::Start() {
  std::lock_guard lock(mutex_);
  if (running_) return;
  if (thread_.joinable()) thread_.join();
  running_ = true;
  thread_ = std::thread([this] {
    RunBatch(env_);
    if (on_finished) on_finished();
    running_ = false;
    // A UI loop waiting for the batch's end looks again now.
    env_.runner.window.Post([](TForm1&) {});
  });
}

void BatchWorker::Join() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

}  // namespace vidloom
