#include <gtest/gtest.h>

#include <ctime>

#include "Companions.h"
#include "FakeClock.h"
#include "FakeEventLog.h"
#include "FakeServices.h"
#include "FakeSettings.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

constexpr int kEmbedded = 0;
constexpr int kServer = 1;
constexpr const char* kScheduler = "/opt/vexa/bin/vexaSch.exe";
constexpr const char* kArchiver = "/opt/vexa/bin/vexaArc.exe";

// Milliseconds since the epoch of a local time in March 2026 (the fake
// clock's local time is UTC).
int64_t LocalMs(int day, int hour, int minute, int second = 0) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<int64_t>(timegm(&tm)) * 1000;
}

class CompanionsTest : public ::testing::Test {
 protected:
  CompanionsTest() {
    settings_.SetString(keys::kSnp, "DIRECTORY", "/opt/vexa");
    settings_.SetString(keys::kSnp, "ARCHIVEON", "1");
    env_.settings = &settings_;
    env_.log = &log_;
    env_.clock = &clock_;
    env_.launcher = &launcher_;
  }

  void StartAt(int64_t ms) { clock_ = fakes::FakeClock(ms); }

  // One cycle's call, as the update routine makes it.
  void Cycle(int mode = kEmbedded) {
    LaunchCompanions(env_, mode, timers_, reg_, install_dir_,
                     [this] { drops_at_start_.push_back(launcher_.starts.size()); });
  }

  // Cycles every `step_s` seconds until `until_ms`; returns the local
  // "day hh:mm:ss" of each start of `program`.
  std::vector<std::string> RunUntil(int64_t until_ms, int step_s, const std::string& program,
                                    int mode = kEmbedded) {
    std::vector<std::string> times;
    while (clock_.NowMs() <= until_ms) {
      const size_t before = launcher_.starts.size();
      Cycle(mode);
      for (size_t i = before; i < launcher_.starts.size(); ++i) {
        if (launcher_.starts[i].program == program) times.push_back(Now());
      }
      clock_.Advance(step_s * 1000);
    }
    return times;
  }

  std::string Now() {
    std::tm tm{};
    clock_.LocalTime(clock_.NowSeconds(), &tm);
    char text[32];
    std::strftime(text, sizeof text, "%d %H:%M:%S", &tm);
    return text;
  }

  fakes::FakeSettings settings_;
  fakes::FakeEventLog log_;
  fakes::FakeClock clock_{LocalMs(10, 12, 0)};
  fakes::FakeLauncher launcher_;
  Env env_;
  CRegAccess reg_{settings_};
  CompanionTimers timers_;
  std::string install_dir_;
  std::vector<size_t> drops_at_start_;  // launcher starts made before each drop
};

TEST_F(CompanionsTest, FirstCycleStartsTheSchedulerInItsBinFolder) {
  Cycle();
  ASSERT_EQ(launcher_.starts.size(), 1u);
  EXPECT_EQ(launcher_.starts[0].program, kScheduler);
  EXPECT_EQ(launcher_.starts[0].directory, "/opt/vexa/bin");
  EXPECT_EQ(install_dir_, "/opt/vexa");
  EXPECT_EQ(timers_.last_scheduler_start, clock_.NowSeconds());
  EXPECT_TRUE(log_.events.empty());
  EXPECT_TRUE(drops_at_start_.empty());  // the scheduler keeps the connection
}

TEST_F(CompanionsTest, SchedulerStartsAgainOnlyWhenMoreThan300sHavePassed) {
  EXPECT_EQ(RunUntil(LocalMs(10, 12, 11), 1, kScheduler),
            (std::vector<std::string>{"10 12:00:00", "10 12:05:01", "10 12:10:02"}));
}

TEST_F(CompanionsTest, FailedSchedulerStartIsReportedAndAlsoWaits300s) {
  launcher_.faults.FailNth("start", 1, /*persistent=*/true);
  EXPECT_EQ(RunUntil(LocalMs(10, 12, 6), 1, kScheduler),
            (std::vector<std::string>{"10 12:00:00", "10 12:05:01"}));
  EXPECT_EQ(log_.events,
            std::vector<std::string>(
                2, "CDataBaseAppUpdate: VexaSch Process NOT Started; Error = [errno]"));
}

TEST_F(CompanionsTest, ArchiverStartsOncePerNightInTheOneOClockHour) {
  StartAt(LocalMs(10, 0, 58));
  EXPECT_EQ(RunUntil(LocalMs(11, 2, 1), 60, kArchiver),
            (std::vector<std::string>{"10 01:00:00", "11 01:00:00"}));
}

TEST_F(CompanionsTest, ArchiverOnlyWithinTheHour) {
  const struct {
    int hour, minute;
    bool starts;
  } cases[] = {{0, 59, false}, {1, 0, true}, {1, 30, true}, {1, 59, true}, {2, 0, false}};
  for (const auto& c : cases) {
    StartAt(LocalMs(10, c.hour, c.minute));
    timers_ = {};
    launcher_.starts.clear();
    Cycle();
    EXPECT_EQ(launcher_.starts.size(), c.starts ? 2u : 1u) << c.hour << ":" << c.minute;
  }
}

TEST_F(CompanionsTest, ArchiverAt0130NotAgainThatNight) {
  StartAt(LocalMs(10, 1, 30));
  EXPECT_EQ(RunUntil(LocalMs(11, 0, 59), 60, kArchiver), std::vector<std::string>{"10 01:30:00"});
}

TEST_F(CompanionsTest, ArchiverNeedsTheEmbeddedModeAndArchiveOnExactlyOne) {
  StartAt(LocalMs(10, 1, 30));
  EXPECT_TRUE(RunUntil(LocalMs(10, 1, 35), 60, kArchiver, kServer).empty());
  for (const char* value : {"0", "", " 1", "1 ", "yes", "01"}) {
    timers_ = {};
    settings_.SetString(keys::kSnp, "ARCHIVEON", value);
    Cycle();
  }
  EXPECT_TRUE(log_.events.empty());
  settings_.DeleteValue(keys::kSnp, "ARCHIVEON");
  timers_ = {};
  Cycle();
  for (const auto& start : launcher_.starts) EXPECT_EQ(start.program, kScheduler);
  EXPECT_TRUE(drops_at_start_.empty());
  EXPECT_EQ(log_.events, std::vector<std::string>{
                             "CDataBaseAppUpdate(): Registry Read of ARCHIVEON unsuccessful"});
}

TEST_F(CompanionsTest, ConnectionIsDroppedBeforeTheArchiverStarts) {
  StartAt(LocalMs(10, 1, 30));
  Cycle();
  ASSERT_EQ(launcher_.starts.size(), 2u);
  EXPECT_EQ(launcher_.starts[1].program, kArchiver);
  EXPECT_EQ(launcher_.starts[1].directory, "/opt/vexa/bin");
  EXPECT_EQ(drops_at_start_, std::vector<size_t>{1});  // after the scheduler, before the archiver
  EXPECT_EQ(timers_.last_archive_day, 10);
}

TEST_F(CompanionsTest, FailedArchiverStartIsReportedAndWaitsForTheNextNight) {
  StartAt(LocalMs(10, 1, 30));
  launcher_.faults.FailNth("start", 2);  // the archiver of the first cycle
  EXPECT_EQ(RunUntil(LocalMs(11, 1, 0), 60, kArchiver),
            (std::vector<std::string>{"10 01:30:00", "11 01:00:00"}));
  EXPECT_EQ(log_.events, std::vector<std::string>{
                             "CDataBaseAppUpdate: Archive Process NOT Started; Error = [errno]"});
}

TEST_F(CompanionsTest, FreshTimersOfANewCallStartBothAgainAtOnce) {
  StartAt(LocalMs(10, 1, 30));
  Cycle();
  clock_.Advance(10'000);
  Cycle();
  EXPECT_EQ(launcher_.starts.size(), 2u);
  timers_ = {};  // the update routine returned and was called again
  Cycle();
  ASSERT_EQ(launcher_.starts.size(), 4u);
  EXPECT_EQ(launcher_.starts[2].program, kScheduler);
  EXPECT_EQ(launcher_.starts[3].program, kArchiver);
  EXPECT_EQ(drops_at_start_, (std::vector<size_t>{1, 3}));
}

TEST_F(CompanionsTest, NoLocalTimeStartsNoArchiver) {
  StartAt(LocalMs(10, 1, 30));
  clock_.fail_local_time = true;
  Cycle();
  ASSERT_EQ(launcher_.starts.size(), 1u);
  EXPECT_TRUE(drops_at_start_.empty());
}

TEST_F(CompanionsTest, DirectoryIsReadAgainBeforeEachStart) {
  Cycle();
  settings_.SetString(keys::kSnp, "DIRECTORY", "/srv/other vexa");
  clock_.Advance(301'000);
  Cycle();
  ASSERT_EQ(launcher_.starts.size(), 2u);
  EXPECT_EQ(launcher_.starts[1].program, "/srv/other vexa/bin/vexaSch.exe");
  EXPECT_EQ(launcher_.starts[1].directory, "/srv/other vexa/bin");
  EXPECT_EQ(install_dir_, "/srv/other vexa");

  settings_.DeleteValue(keys::kSnp, "DIRECTORY");  // not reported; the paths lose their root
  clock_.Advance(301'000);
  Cycle();
  EXPECT_EQ(launcher_.starts[2].program, "/bin/vexaSch.exe");
  EXPECT_EQ(launcher_.starts[2].directory, "/bin");
  EXPECT_EQ(install_dir_, "");
  EXPECT_TRUE(log_.events.empty());
}

}  // namespace
}  // namespace vexa
