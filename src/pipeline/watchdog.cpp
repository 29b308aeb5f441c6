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

Watchdog::Watchdog(UiThread& ui, Timer& timer, const ListView& list)
    : ui_(ui), timer_(timer), list_(list) {
  timer_.SetEnabled(false);
  timer_.on_timer = [this] { ConversionCountTimerTimer(); };
  ui_.AttachTimer(timer_);
}

Watchdog::~Watchdog() {
  ui_.DetachTimer(timer_);
  timer_.on_timer = nullptr;
}

void Watchdog::Watch(RunWatch& run) {
  if (std::find(runs_.begin(), runs_.end(), &run) == runs_.end()) runs_.push_back(&run);
  timer_.SetEnabled(true);
}

void Watchdog::Unwatch(RunWatch& run) {
  runs_.erase(std::remove(runs_.begin(), runs_.end(), &run), runs_.end());
  if (runs_.empty()) timer_.SetEnabled(false);
}

void Watchdog::ConversionCountTimerTimer() {
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
      const FileEntry* row = list_.Find(run->row());
      run->PreviousFrames = row ? std::string(text::Trim(row->frames)) : std::string();
    }
  }
}

void Watchdog::AskEncodersToEnd() {
  for (RunWatch* run : runs_) run->AskEncoderToEnd();
}

}  // namespace vidloom
