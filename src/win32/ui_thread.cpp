#include "win32/ui_thread.h"

#include <algorithm>

#include "model/controls.h"

namespace vidloom::win32 {

namespace {

constexpr UINT kRunTasks = WM_APP + 1;
constexpr wchar_t kClassName[] = L"VidloomUiThread";

}  // namespace

Win32UiThread::Win32UiThread(platform::Clock& clock)
    : clock_(clock),
      thread_id_(GetCurrentThreadId()),
      self_(std::make_shared<Win32UiThread*>(this)) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);  // fails harmlessly when a second instance registers it again
  window_ =
      CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
}

Win32UiThread::~Win32UiThread() {
  self_.reset();
  for (const auto& [timer, slot] : timers_) KillTimer(window_, slot.id);
  DestroyWindow(window_);
}

LRESULT CALLBACK Win32UiThread::WindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32UiThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr) {
    if (message == kRunTasks) {
      self->tasks_.RunAll();
      return 0;
    }
    if (message == WM_TIMER) {
      const auto it = self->by_id_.find(wparam);
      if (it != self->by_id_.end() && it->second->on_timer) it->second->on_timer();
      return 0;
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Win32UiThread::Post(Task task) {
  if (tasks_.Push(std::move(task))) PostMessageW(window_, kRunTasks, 0, 0);
}

bool Win32UiThread::OnUiThread() const {
  return GetCurrentThreadId() == thread_id_;
}

void Win32UiThread::Dispatch(MSG& msg) {
  if (filter_ != nullptr && filter_(msg, filter_context_)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool Win32UiThread::DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    Dispatch(msg);
  }
  return true;
}

void Win32UiThread::Pump() {
  DispatchPending();
}

void Win32UiThread::PumpUntil(std::int64_t deadline_ms) {
  for (;;) {
    const std::int64_t left = deadline_ms - clock_.NowMs();
    if (left <= 0) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<std::int64_t>(left, 100)),
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (!DispatchPending()) break;
  }
  DispatchPending();
}

int Win32UiThread::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  return static_cast<int>(msg.wParam);
}

void Win32UiThread::AttachTimer(Timer& timer) {
  if (timers_.count(&timer)) return;
  const UINT_PTR id = next_id_++;
  timers_.emplace(&timer, TimerSlot{id, 0, false});
  by_id_.emplace(id, &timer);
  std::weak_ptr<Win32UiThread*> weak = self_;
  timer.Subscribe([weak, &timer] {
    if (auto self = weak.lock()) (*self)->Follow(timer);
  });
  Follow(timer);
}

void Win32UiThread::DetachTimer(Timer& timer) {
  const auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  KillTimer(window_, it->second.id);
  by_id_.erase(it->second.id);
  timers_.erase(it);
}

void Win32UiThread::Follow(Timer& timer) {
  const auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  TimerSlot& slot = it->second;
  const int interval = std::max(static_cast<int>(USER_TIMER_MINIMUM), timer.interval_ms());
  if (!timer.enabled()) {
    if (slot.running) KillTimer(window_, slot.id);
    slot.running = false;
  } else if (!slot.running || slot.interval_ms != interval) {
    // SetTimer on a running id replaces it: a fresh interval starts.
    SetTimer(window_, slot.id, static_cast<UINT>(interval), nullptr);
    slot.running = true;
    slot.interval_ms = interval;
  }
}

}  // namespace vidloom::win32
