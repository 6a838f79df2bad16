#include "SignalHeld.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

bool Pending(int signal_number) {
  sigset_t pending;
  sigpending(&pending);
  return sigismember(&pending, signal_number) == 1;
}

bool Blocked(int signal_number) {
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, signal_number) == 1;
}

// SIGPIPE's default action ends the process: surviving is the test.
TEST(SignalHeldTest, SigpipeRaisedWhileHeldIsTakenOffAndTheMaskRestored) {
  ASSERT_FALSE(Blocked(SIGPIPE));
  {
    SignalHeld held(SIGPIPE);
    EXPECT_TRUE(Blocked(SIGPIPE));
    pthread_kill(pthread_self(), SIGPIPE);
    EXPECT_TRUE(Pending(SIGPIPE));
  }
  EXPECT_FALSE(Pending(SIGPIPE));
  EXPECT_FALSE(Blocked(SIGPIPE));
}

}  // namespace
}  // namespace vexa
