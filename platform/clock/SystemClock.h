#pragma once
// The clock seam on Linux: CLOCK_REALTIME, sleeping that ends early once a
// stop is requested, and the local time zone of the process.
#include <atomic>

#include "Clock.h"

namespace vexa {

class SystemClock : public Clock {
 public:
  // `stop` (may be null) is polled while sleeping, at least every 100 ms.
  explicit SystemClock(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}

  int64_t NowMs() override;
  void SleepMs(int64_t ms) override;
  bool LocalTime(int64_t epoch_seconds, std::tm* out) override;

 private:
  bool StopRequested() const { return stop_ != nullptr && stop_->load(); }
  const std::atomic<bool>* stop_;
};

}  // namespace vexa
