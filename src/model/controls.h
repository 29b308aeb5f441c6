// The window model: plain C++ controls named and behaving like the window's widgets. The logic
// reads and writes these; a view (Qt, or none) draws them. They belong to the UI thread: only
// code running there may touch them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vidloom {

// Listeners that a view registers to hear about changes. Handlers that the logic installs
// (on_change, on_click, ...) are separate from these.
//
// Every change notifies. Where VIDLOOM_THREAD_CHECKS is set (all but release builds), a change
// from a thread other than the one that created the control ends the program with a message, so
// that a wrong-thread write fails a test instead of racing.
class Observable {
 public:
  using Listener = std::function<void()>;
  void Subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

 protected:
  void Notify() const {
#if VIDLOOM_THREAD_CHECKS
    if (std::this_thread::get_id() != owner_) ChangedOffItsThread();
#endif
    for (const auto& l : listeners_) l();
  }

 private:
  [[noreturn]] static void ChangedOffItsThread();

  std::vector<Listener> listeners_;
  std::thread::id owner_ = std::this_thread::get_id();
};

class Control : public Observable {
 public:
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::string& hint() const { return hint_; }
  void SetHint(std::string hint);

 private:
  bool enabled_ = true;
  bool visible_ = true;
  std::string hint_;
};

// A drop-down list without free text. Its text is always the selected item's text, or empty
// when no row is selected. Selecting from the program never runs on_change; UserSelect() does.
class Selector : public Control {
 public:
  std::function<void()> on_change;

  const std::vector<std::string>& items() const { return items_; }
  int count() const { return static_cast<int>(items_.size()); }
  int selected() const { return selected_; }  // -1: none
  const std::string& text() const;
  int drop_down_count() const { return drop_down_count_; }

  void Clear();
  void Add(std::string item);
  void SetItems(std::vector<std::string> items);  // replaces the items; no selection
  // Selects row `index`; an index outside 0..count-1 leaves no selection and an empty text.
  void Select(int index);
  // Selects the first item whose text equals `item`; returns false (selection unchanged) if none.
  bool SelectText(const std::string& item);
  void SetDropDownCount(int count);
  // A user's choice: selects, then runs on_change.
  void UserSelect(int index);

 private:
  std::vector<std::string> items_;
  int selected_ = -1;
  int drop_down_count_ = 8;
};

// A check box. on_click runs whenever its state changes, whether the user or the program
// changed it (as the platform's check boxes do).
class CheckBox : public Control {
 public:
  std::function<void()> on_click;
  std::string caption;

  bool checked() const { return checked_; }
  void SetChecked(bool checked);

 private:
  bool checked_ = false;
};

// A push button or a menu entry. Click() runs on_click whether or not the control is enabled
// (a program's click goes through); UserClick() only when enabled.
class Button : public Control {
 public:
  std::function<void()> on_click;
  std::string caption;

  void Click() const {
    if (on_click) on_click();
  }
  void UserClick() const {
    if (enabled()) Click();
  }
};
using MenuEntry = Button;

class Label : public Control {
 public:
  const std::string& caption() const { return caption_; }
  void SetCaption(std::string caption);

 private:
  std::string caption_;
};

class Edit : public Control {
 public:
  const std::string& text() const { return text_; }
  void SetText(std::string text);
  bool read_only = false;

 private:
  std::string text_;
};

// Progress bar with the range 0..100; positions outside it are held at the nearest end.
class ProgressBar : public Control {
 public:
  int position() const { return position_; }
  void SetPosition(long long position);
  // A text shown on the bar (empty: none).
  const std::string& text() const { return text_; }
  void SetText(std::string text);

 private:
  int position_ = 0;
  std::string text_;
};

class StatusBar : public Control {
 public:
  static constexpr int kPanels = 3;
  const std::string& panel(int index) const { return panels_.at(index); }
  void SetPanel(int index, std::string text);

  // The text beside the panels: why the selected row did not convert, which files were not
  // added. Empty: nothing to say.
  const std::string& message() const { return message_; }
  void SetMessage(std::string text);

  // A notice at the bar's far end that stays while its reason holds ("Power off when done").
  // Empty: none.
  const std::string& notice() const { return notice_; }
  void SetNotice(std::string text);

 private:
  std::array<std::string, kPanels> panels_;
  std::string message_;
  std::string notice_;
};

// Horizontal slider. on_change runs when the position changes (user or program).
class TrackBar : public Control {
 public:
  std::function<void()> on_change;
  int min = 0;
  int max = 10;

  int position() const { return position_; }
  void SetPosition(int position);

 private:
  int position_ = 0;
};

// Numeric field with arrows. The value is held within min..max; on_change runs when the shown
// value changes.
class SpinEdit : public Control {
 public:
  std::function<void()> on_change;
  int min = 0;
  int max = 100;

  int value() const { return value_; }
  void SetValue(long long value);

 private:
  int value_ = 0;
};

// A timer of a window: interval, enabled, handler. A UiThread implementation fires it on the UI
// thread every interval while it is enabled (AttachTimer); enabling a disabled timer starts
// a fresh interval.
class Timer : public Observable {
 public:
  std::function<void()> on_timer;

  int interval_ms() const { return interval_ms_; }
  void SetInterval(int ms);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

 private:
  int interval_ms_ = 1000;
  bool enabled_ = false;
};

}  // namespace vidloom
