#pragma once
// Virtual clock: SleepMs advances time at once and records the sleep;
// scripted events fire when time reaches them, so no test sleeps for real.
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "Clock.h"

namespace vexa::fakes {

class FakeClock : public Clock {
 public:
  // Starts at `start_ms` since the epoch; local time is UTC plus `utc_offset_s`.
  explicit FakeClock(int64_t start_ms = 1'700'000'000'000, int64_t utc_offset_s = 0)
      : now_ms_(start_ms), utc_offset_s_(utc_offset_s) {}

  int64_t NowMs() override { return now_ms_; }
  void SleepMs(int64_t ms) override;
  bool LocalTime(int64_t epoch_seconds, std::tm* out) override;

  // Runs `action` once virtual time reaches `at_ms` (absolute).
  void At(int64_t at_ms, std::function<void()> action) { events_.emplace(at_ms, std::move(action)); }
  // Same, relative to now.
  void After(int64_t delay_ms, std::function<void()> action) { At(now_ms_ + delay_ms, std::move(action)); }
  void Advance(int64_t ms);

  std::vector<int64_t> sleeps;
  bool fail_local_time = false;
  // Called after every sleep (for example to stop an endless run).
  std::function<void()> on_sleep;

 private:
  void FireDue();
  int64_t now_ms_;
  int64_t utc_offset_s_;
  std::multimap<int64_t, std::function<void()>> events_;
};

}  // namespace vexa::fakes
