#pragma once
// Clock seam: calendar time, sleeping, and local time.
#include <cstdint>
#include <ctime>

namespace vexa {

class Clock {
 public:
  virtual ~Clock() = default;
  // Calendar time in milliseconds since the epoch.
  virtual int64_t NowMs() = 0;
  int64_t NowSeconds() { return NowMs() / 1000; }
  // Sleeps; may return early once a stop was requested.
  virtual void SleepMs(int64_t ms) = 0;
  // Local broken-down time of a calendar time; false when it cannot be had.
  virtual bool LocalTime(int64_t epoch_seconds, std::tm* out) = 0;
};

}  // namespace vexa
