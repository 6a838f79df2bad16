#include "FakeClock.h"

#include <ctime>

namespace vexa::fakes {

void FakeClock::SleepMs(int64_t ms) {
  sleeps.push_back(ms);
  Advance(ms);
  if (on_sleep) on_sleep();
}

void FakeClock::Advance(int64_t ms) {
  now_ms_ += ms;
  FireDue();
}

void FakeClock::FireDue() {
  while (!events_.empty() && events_.begin()->first <= now_ms_) {
    auto action = std::move(events_.begin()->second);
    events_.erase(events_.begin());
    action();
  }
}

bool FakeClock::LocalTime(int64_t epoch_seconds, std::tm* out) {
  if (fail_local_time) return false;
  const time_t t = static_cast<time_t>(epoch_seconds + utc_offset_s_);
  return gmtime_r(&t, out) != nullptr;
}

}  // namespace vexa::fakes
