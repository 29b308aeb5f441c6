#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "cli/console.h"

namespace vidloom::cli {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&signals, s);
  return signals;
}

}  // namespace

std::atomic<bool> g_interrupted{false};

void PrepareConsole(bool watch_interrupts) {
  if (!watch_interrupts) return;
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

bool StdoutIsTerminal() {
  return isatty(STDOUT_FILENO) != 0;
}

// The signals, blocked in every thread, arrive on a thread of their own.
struct InterruptWatcher::State {
  sigset_t signals = StopSignals();
  std::thread thread;
};

InterruptWatcher::InterruptWatcher(HeadlessUiThread& ui, std::function<void()> on_interrupt)
    : state_(std::make_unique<State>()) {
  state_->thread = std::thread([state = state_.get(), &ui, on_interrupt = std::move(on_interrupt)] {
    int signal = 0;
    if (sigwait(&state->signals, &signal) == 0 && signal != SIGUSR1) {
      g_interrupted = true;
      ui.Post(on_interrupt);
      ui.Wake();
    }
  });
}

InterruptWatcher::~InterruptWatcher() {
  pthread_kill(state_->thread.native_handle(), SIGUSR1);  // sent by this program to end it
  state_->thread.join();
}

}  // namespace vidloom::cli
