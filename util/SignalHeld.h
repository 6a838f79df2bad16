#pragma once
// Holds a signal back on the calling thread for the life of the object; a
// signal of that kind raised meanwhile is taken off again, so it never
// reaches the host process. One that was already pending stays.
#include <pthread.h>
#include <signal.h>

#include <ctime>

namespace vexa {

class SignalHeld {
 public:
  explicit SignalHeld(int signal_number) {
    sigemptyset(&set_);
    sigaddset(&set_, signal_number);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, signal_number) == 1;
    pthread_sigmask(SIG_BLOCK, &set_, &saved_);
    signal_number_ = signal_number;
  }
  ~SignalHeld() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, signal_number_) == 1) {
      const timespec now{0, 0};
      sigtimedwait(&set_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  SignalHeld(const SignalHeld&) = delete;
  SignalHeld& operator=(const SignalHeld&) = delete;

 private:
  sigset_t set_;
  sigset_t saved_;
  int signal_number_;
  bool was_pending_ = false;
};

}  // namespace vexa
