#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SystemClock.h"

namespace vexa {
namespace {

int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

TEST(SystemClockTest, TellsCalendarAndLocalTime) {
  SystemClock clock;
  const int64_t now = clock.NowMs();
  EXPECT_NEAR(now / 1000, ::time(nullptr), 2);
  EXPECT_EQ(clock.NowSeconds(), now / 1000);

  std::tm mine{}, expected{};
  const time_t t = 1'700'000'000;
  ASSERT_TRUE(clock.LocalTime(t, &mine));
  ::localtime_r(&t, &expected);
  EXPECT_EQ(std::mktime(&mine), t);
  EXPECT_EQ(mine.tm_hour, expected.tm_hour);
}

TEST(SystemClockTest, SleepsTheWholeTimeWithoutAStop) {
  std::atomic<bool> stop{false};
  SystemClock clock(&stop);
  const auto start = std::chrono::steady_clock::now();
  clock.SleepMs(250);
  EXPECT_GE(ElapsedMs(start), 250);
}

TEST(SystemClockTest, StopEndsASleepEarly) {
  std::atomic<bool> stop{false};
  SystemClock clock(&stop);
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop = true;
  });
  const auto start = std::chrono::steady_clock::now();
  clock.SleepMs(60'000);
  stopper.join();
  EXPECT_LT(ElapsedMs(start), 30'000);

  const auto again = std::chrono::steady_clock::now();
  clock.SleepMs(60'000);  // already stopped: returns at once
  EXPECT_LT(ElapsedMs(again), 30'000);
}

}  // namespace
}  // namespace vexa
