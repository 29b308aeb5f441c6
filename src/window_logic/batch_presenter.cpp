#include "window_logic/batch_presenter.h"

#include <algorithm>

#include "profiles/window_choices.h"
#include "texts/language.h"

namespace vidloom {

WindowWatchdog::WindowWatchdog(UiThread& ui, MainForm& form)
    : Watchdog([&form](bool on) { form.ConversionCountTimer.SetEnabled(on); },
               [&form](RowId row) {
                 const FileEntry* entry = form.FileList.Find(row);
                 return entry && entry->frames ? std::to_string(*entry->frames) : std::string();
               }),
      ui_(ui),
      timer_(form.ConversionCountTimer) {
  timer_.on_timer = [this] { Tick(); };
  ui_.AttachTimer(timer_);
}

WindowWatchdog::~WindowWatchdog() {
  ui_.DetachTimer(timer_);
  timer_.on_timer = nullptr;
}

void RunPresenter::RunProgress(RowId row, const Display& reading, bool file_shown) {
  form_.Post([this, row, display = reading, file_shown](MainForm& form) {
    if (display.seconds && file_progress_) file_progress_(row, *display.seconds);
    if (file_shown) {
      if (display.size_panel) form.Status.SetPanel(1, *display.size_panel);
      if (display.bar) form.ConversionProgress.SetPosition(*display.bar);
    }
    form.FileList.Update(row, [&](FileEntry& entry) {
      if (display.frames) entry.frames = FrameCount(*display.frames);
      if (display.bar) entry.percent = *display.bar;
      if (display.size_kb) entry.output_kb = *display.size_kb;
      if (display.duration) entry.media.SetDuration(*display.duration);
    });
  });
}

void RunPresenter::WatchRun(RunWatch& run) {
  form_.Post([this, &run](MainForm&) { watchdog_.Watch(run); });
}

void RunPresenter::UnwatchRun(RunWatch& run) {
  // Waiting for the UI thread also means that the window shows the run's last progress.
  form_.Call([this, &run](MainForm&) { watchdog_.Unwatch(run); });
}

BatchPresenter::BatchPresenter(BatchWindow& window)
    : window_(window.ui, window),
      stop_requested_(window.state.requests.StopRequested),
      end_pause_ms_(window.end_pause_ms),
      runs_(window.ui, window.form, window.watchdog, [&window](RowId row, double seconds) {
        if (window.hooks.FileProgress) window.hooks.FileProgress(row, seconds);
      }) {}

bool BatchPresenter::Begin() {
  return !window_.Call([](BatchWindow& window) {
    window.form.ConversionProgress.SetPosition(0);
    window.state.requests.StopRequested = false;
    window.state.batch.Converting = false;
    window.state.batch.JobsStarted = 0;
    return window.hooks.CheckRequiredFiles ? window.hooks.CheckRequiredFiles() : false;
  });
}

BatchPlan BatchPresenter::Plan() {
  return window_.Call([](BatchWindow& window) {
    BatchPlan plan{.files_at_once = window.options.SpinEditFilesAtOnce.value()};
    for (const FileEntry& entry : window.form.FileList.rows()) {
      plan.rows.push_back(
          {.id = entry.id, .checked = entry.checked, .given_outputs = entry.given_outputs});
    }
    return plan;
  });
}

void BatchPresenter::Started(const BatchPlan& plan) {
  window_.Call([&plan](BatchWindow& window) {
    ListView& list = window.form.FileList;
    for (const PlannedRow& row : plan.rows) {
      list.Update(row.id, [](FileEntry& entry) {
        entry.state = RowState::kWaiting;
        entry.percent.reset();
        entry.reason.clear();
      });
    }
    if (window.hooks.BatchStarted) window.hooks.BatchStarted();
    window.form.ConvertNowButton.SetEnabled(false);
    window.form.AddFileButton.SetEnabled(false);
    window.form.FileList.popup_enabled = false;
    // From here Stop is offered, so it works: the batch counts as converting before its first
    // row starts.
    window.state.batch.Converting = true;
    window.form.StopConvertButton.SetEnabled(true);
    window.form.ButtonStopSmall.SetEnabled(true);
  });
}

std::optional<RowSnapshot> BatchPresenter::TakeRow(RowId id) {
  return window_.Call([id](BatchWindow& window) {
    return vidloom::TakeRow(window.form, window.options, window.window_state, id);
  });
}

void BatchPresenter::RowTurn(RowId id) {
  window_.Call([id](BatchWindow& window) {
    if (window.hooks.RowTurn) window.hooks.RowTurn(id);
  });
}

void BatchPresenter::RowConverting(RowId id, const RowCommand& run, bool file_shown) {
  window_.Call([&](BatchWindow& window) {
    window.state.batch.Converting = true;
    if (window.hooks.DisableWorkControls) window.hooks.DisableWorkControls();
    ListView& list = window.form.FileList;
    list.ScrollIntoView(list.IndexOf(id));
    if (file_shown) window.form.ConversionProgress.SetPosition(0);
    list.Update(id, [&](FileEntry& entry) {
      entry.state = RowState::kConverting;
      entry.percent.reset();
      entry.output_kb.reset();
      entry.details.clear();
      entry.output_path = run.output_path;
      if (std::find(entry.given_outputs.begin(), entry.given_outputs.end(), run.output_path) ==
          entry.given_outputs.end()) {
        entry.given_outputs.push_back(run.output_path);
      }
      entry.output_written = false;
      entry.thumbnail_path.clear();
      entry.notes = run.notes;
    });
  });
}

void BatchPresenter::RowChanged(RowId id, const RowUpdate& update) {
  window_.Call([&](BatchWindow& window) {
    window.form.FileList.Update(id, [&](FileEntry& entry) {
      if (const RunResult* run = update.run) {
        AppendDetails(entry, run->details);
        entry.output_path = run->output_path;
        // An empty file is no output (a claimed name the encoder never wrote to).
        entry.output_written = run->output_exists && run->output_size != std::int64_t{0};
        // The video's run says what it made instead of what was asked.
        if (!update.thumbnail_run) {
          entry.notes = update.output_notes;
          entry.notes.insert(entry.notes.end(), run->adjustments.begin(), run->adjustments.end());
        }
      }
      if (update.reason) entry.reason = *update.reason;
      if (update.thumbnail) entry.thumbnail_path = *update.thumbnail;
      if (update.clear_percent) entry.percent.reset();
      if (update.state) entry.state = *update.state;
    });
  });
}

void BatchPresenter::RunEnded(const RunResult& run, bool file_shown) {
  if (run.end == RunEnd::kNotStarted) return;
  if (file_shown && run.end != RunEnd::kStopped) {
    window_.Post([](BatchWindow& window) { window.form.ConversionProgress.SetPosition(100); });
  }
  // A Stop cuts the pause short.
  window_.Pause(end_pause_ms_, &stop_requested_);
  if (file_shown) {
    window_.Post([](BatchWindow& window) { window.form.ConversionProgress.SetPosition(0); });
  }
}

void BatchPresenter::MakingThumbnail(bool making) {
  window_.Call([making](BatchWindow& window) {
    window.form.Status.SetPanel(2, making ? texts::Tr(kThumbnailPanelText) : "");
  });
}

void BatchPresenter::RowEnded(RowId id) {
  window_.Call([id](BatchWindow& window) {
    if (window.hooks.RowEnded) window.hooks.RowEnded(id);
  });
}

void BatchPresenter::RowsNotReached(const std::string& reason) {
  window_.Call([&](BatchWindow& window) {
    ListView& list = window.form.FileList;
    for (int i = 0; i < list.count(); ++i) {
      const FileEntry& entry = list.row(i);
      if (!entry.checked || entry.state != RowState::kWaiting) continue;
      list.Update(entry.id, [&](FileEntry& row) {
        row.state = RowState::kSkipped;
        row.reason = reason;
      });
    }
  });
}

bool BatchPresenter::PowersOffAfter() {
  return window_.Call(
      [](BatchWindow& window) { return window.options.CheckBoxShutDown.checked(); });
}

void BatchPresenter::Ended() {
  window_.Call([](BatchWindow& window) {
    MainForm& form = window.form;
    form.ConvertNowButton.SetEnabled(true);
    form.FileList.popup_enabled = true;
    form.AddFileButton.SetEnabled(true);
    // Nothing left to stop.
    form.StopConvertButton.SetEnabled(false);
    form.ButtonStopSmall.SetEnabled(false);
    // A Stop question still open has nothing left to stop: it closes as answered Cancel,
    // before the batch's closing message shows.
    window.dialogs.WithdrawQuestions(form);
    window.state.batch.Converting = false;
    if (window.hooks.BatchEnded) window.hooks.BatchEnded();
    if (window.hooks.EnableWorkControls) window.hooks.EnableWorkControls();
    const bool shutdown = window.options.CheckBoxShutDown.checked();
    if (shutdown && !window.state.requests.StopRequested && window.state.batch.JobsStarted != 0 &&
        window.hooks.ArmShutdownCountdown) {
      window.hooks.ArmShutdownCountdown();
    }
    window.state.requests.StopRequested = false;
  });
}

void BatchPresenter::Message(const char* text) {
  window_.Call([text](BatchWindow& window) {
    window.dialogs.ShowMessage(window.form, texts::Tr(kInformationCaption), text);
  });
}

std::optional<RowSnapshot> TakeRow(const MainForm& form, const OptionsForm& options,
                                   const WindowState& window, RowId id) {
  const FileEntry* entry = form.FileList.Find(id);
  if (entry == nullptr) return std::nullopt;
  return SnapshotOf(*entry, TakeChoices(form, options, window));
}

void StopBatch(BatchWindow& window) {
  window.state.requests.StopRequested = true;
  window.watchdog.AskEncodersToEnd();
  window.ui.clock().WakeAll();
  window.form.ConversionProgress.SetPosition(0);
}

void StopConvertButtonClick(BatchWindow& window) {
  if (!window.state.batch.Converting) return;
  if (!window.dialogs.ConfirmOkCancel(window.form, texts::Tr(kStopQuestion))) return;
  StopBatch(window);
}

}  // namespace vidloom
