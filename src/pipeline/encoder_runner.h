// One run of the encoder for one row of the file list, and the stall watchdog that guards it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/forms.h"
#include "model/ui_thread.h"
#include "pipeline/conversion_state.h"
#include "platform/encoder_files.h"

namespace vidloom {

// What a run needs around it. The form belongs to the UI thread: the runner touches it only in
// tasks it hands to `ui`.
struct RunnerEnv {
  ConversionState& state;
  UiHandle<TForm1> window;             // the main window, on the UI thread
  std::string working_directory = {};  // the encoder's working directory (the program directory)
  std::string encoder_name = platform::kEncoderFileName;  // the name that kills go by
  std::int64_t end_pause_ms = 260;         // the full bar stays visible this long at the end
  std::int64_t display_interval_ms = 360;  // window updates come at most this often
  // Told (on the UI thread) how many media seconds of row `row` the encoder has converted.
  std::function<void(int row, double seconds)> on_progress_time = {};
  // Other lanes run encoders meanwhile: an error verdict ends only this run's encoder, and the
  // progress bar and the size panel are left to the batch.
  bool side_by_side = false;
  // The watchdog's timer of this lane (null: the form's ConversionCountTimer).
  Timer* watchdog_timer = nullptr;
};

// Runs the encoder with `command` for row `row`, on the batch worker thread (not the UI thread:
// it waits for UI tasks). Reads the output as fast as it comes, examines every line at once and
// ends early on an error verdict, on Stop (AbortRun) or when the watchdog kills the encoder.
// Window changes go to the UI thread in order, coalesced to the display interval. When it
// returns, the encoder it started has ended and been reaped, and the row shows the run's final
// status. The outcome: the row's "Progress" cell and state.run.RetryNeeded.
void RunEncoder(RunnerEnv& env, const std::string& command, int row);

// The stall watchdog's tick (UI thread, every 2000 ms while form.ConversionCountTimer is on):
// after 8 consecutive ticks on which the parsed frame count equals the row's "Frames" cell of
// the tick before, it sets StallDetected, ends our encoders by `encoder_name` and turns itself
// off.
void ConversionCountTimerTimer(ConversionState& state, TForm1& form,
                               const std::string& encoder_name);
// The same tick for the watchdog of one lane among several: it turns `timer` off and ends only
// the lane's own encoder.
void LaneWatchdogTick(ConversionState& state, TForm1& form, Timer& timer);

// Installs the watchdog as form.ConversionCountTimer's handler and attaches the timer to `ui`.
// UI thread; state and form must outlive the attachment.
void AttachWatchdog(UiThread& ui, TForm1& form, ConversionState& state,
                    std::string encoder_name = platform::kEncoderFileName);

}  // namespace vidloom
