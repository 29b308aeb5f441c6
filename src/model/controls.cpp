#include "model/controls.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vidloom {

void Observable::ChangedOffItsThread() {
  std::fputs("vidloom: a window control was changed off the UI thread\n", stderr);
  std::abort();
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify();
}

void Control::SetHint(std::string hint) {
  hint_ = std::move(hint);
  Notify();
}

namespace {
const std::string kEmpty;
}

const std::string& Selector::text() const {
  if (selected_ < 0 || selected_ >= count()) return kEmpty;
  return items_[selected_];
}

void Selector::Clear() {
  items_.clear();
  selected_ = -1;
  Notify();
}

void Selector::Add(std::string item) {
  items_.push_back(std::move(item));
  Notify();
}

void Selector::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  selected_ = -1;
  Notify();
}

void Selector::Select(int index) {
  selected_ = (index >= 0 && index < count()) ? index : -1;
  Notify();
}

bool Selector::SelectText(const std::string& item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return false;
  Select(static_cast<int>(it - items_.begin()));
  return true;
}

void Selector::SetDropDownCount(int count) {
  drop_down_count_ = count;
  Notify();
}

void Selector::UserSelect(int index) {
  Select(index);
  if (on_change) on_change();
}

void CheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Notify();
  if (on_click) on_click();
}

void Label::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Notify();
}

void Edit::SetText(std::string text) {
  text_ = std::move(text);
  Notify();
}

void ProgressBar::SetPosition(long long position) {
  const int clamped = static_cast<int>(std::clamp<long long>(position, 0, 100));
  if (clamped == position_) return;
  position_ = clamped;
  Notify();
}

void ProgressBar::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Notify();
}

void StatusBar::SetPanel(int index, std::string text) {
  panels_.at(index) = std::move(text);
  Notify();
}

void StatusBar::SetMessage(std::string text) {
  if (message_ == text) return;
  message_ = std::move(text);
  Notify();
}

void StatusBar::SetNotice(std::string text) {
  if (notice_ == text) return;
  notice_ = std::move(text);
  Notify();
}

void TrackBar::SetPosition(int position) {
  position = std::clamp(position, min, max);
  if (position == position_) return;
  position_ = position;
  Notify();
  if (on_change) on_change();
}

void SpinEdit::SetValue(long long value) {
  const int clamped = static_cast<int>(std::clamp<long long>(value, min, max));
  if (clamped == value_) return;
  value_ = clamped;
  Notify();
  if (on_change) on_change();
}

void Timer::SetInterval(int ms) {
  interval_ms_ = ms;
  Notify();
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Notify();  // a UiThread restarts the interval on every enabling
}

}  // namespace vidloom
