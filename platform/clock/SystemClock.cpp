#include "SystemClock.h"

#include <time.h>

#include <algorithm>

namespace vexa {
namespace {

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kSliceNs = 100 * kNsPerMs;

int64_t Nanoseconds(clockid_t clock) {
  struct timespec now;
  ::clock_gettime(clock, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int64_t SystemClock::NowMs() { return Nanoseconds(CLOCK_REALTIME) / kNsPerMs; }

void SystemClock::SleepMs(int64_t ms) {
  // Measured on the monotonic clock, so a change of the calendar time
  // neither lengthens nor shortens a sleep. A signal only ends a slice early.
  const int64_t deadline = Nanoseconds(CLOCK_MONOTONIC) + ms * kNsPerMs;
  for (;;) {
    if (StopRequested()) return;
    const int64_t left = deadline - Nanoseconds(CLOCK_MONOTONIC);
    if (left <= 0) return;
    const int64_t slice = std::min(left, kSliceNs);
    const struct timespec pause = {static_cast<time_t>(slice / 1'000'000'000),
                                   static_cast<long>(slice % 1'000'000'000)};
    ::nanosleep(&pause, nullptr);
  }
}

bool SystemClock::LocalTime(int64_t epoch_seconds, std::tm* out) {
  const time_t time = static_cast<time_t>(epoch_seconds);
  return ::localtime_r(&time, out) != nullptr;
}

}  // namespace vexa
