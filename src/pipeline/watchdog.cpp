#include "pipeline/watchdog.h"

#include <algorithm>

#include "platform/text.h"

namespace vidloom {

void RunWatch::SetChild(platform::ChildProcess* child) {
  std::lock_guard lock(mutex_);
  child_ = child;
  end_asked_ = false;
}

bool RunWatch::EndEncoder() {
  std::lock_guard lock(mutex_);
  return child_ != nullptr && child_->Terminate();
}

bool RunWatch::AskEncoderToEnd() {
  std::lock_guard lock(mutex_);
  if (child_ == nullptr || end_asked_) return false;
  end_asked_ = true;
  return child_->RequestEnd();
}

void RunWatch::SetCurrentFrames(std::string frames) {
  std::lock_guard lock(mutex_);
  current_frames_ = std::move(frames);
}

std::string RunWatch::CurrentFrames() const {
  std::lock_guard lock(mutex_);
  return current_frames_;
}

Watchdog::Watchdog(std::function<void(bool on)> run_timer,
                   std::function<std::string(RowId row)> shown_frames)
    : run_timer_(std::move(run_timer)), shown_frames_(std::move(shown_frames)) {
  run_timer_(false);
}

void Watchdog::Watch(RunWatch& run) {
  if (std::find(runs_.begin(), runs_.end(), &run) == runs_.end()) runs_.push_back(&run);
  run_timer_(true);
}

void Watchdog::Unwatch(RunWatch& run) {
  runs_.erase(std::remove(runs_.begin(), runs_.end(), &run), runs_.end());
  if (runs_.empty()) run_timer_(false);
}

void Watchdog::Tick() {
  for (RunWatch* run : std::vector<RunWatch*>(runs_)) {
    const std::string current = run->CurrentFrames();
    if (current == run->PreviousFrames) {
      ++run->StallTicks;
    } else {
      run->StallTicks = 0;
    }
    if (run->StallTicks == kStallTicks) {
      run->StallDetected = true;
      run->EndEncoder();
      Unwatch(*run);
    }
    if (run->watches_progress()) {
      run->PreviousFrames = current;
    } else {
      run->PreviousFrames = std::string(text::Trim(shown_frames_(run->row())));
    }
  }
}

void Watchdog::AskEncodersToEnd() {
  for (RunWatch* run : runs_) run->AskEncoderToEnd();
}

}  // namespace vidloom
