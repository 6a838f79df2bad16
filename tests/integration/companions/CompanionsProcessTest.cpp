// The companion launch with real processes: probes stand in for the
// scheduler and the archiver in an install directory whose path has blanks.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <thread>

#include "ChildProbe.h"
#include "Companions.h"
#include "FakeClock.h"
#include "FakeEventLog.h"
#include "FakeSettings.h"
#include "PosixProcessLauncher.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {
namespace fs = std::filesystem;
using std::chrono::seconds;

// 10 March 2026, 01:30 (the fake clock's local time is UTC).
constexpr int64_t kNightMs = 1'773'106'200'000;

class CompanionsProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.SetString(keys::kSnp, "DIRECTORY", install_.string());
    settings_.SetString(keys::kSnp, "ARCHIVEON", "1");
    env_.settings = &settings_;
    env_.log = &log_;
    env_.clock = &clock_;
    env_.launcher = &launcher_;
  }
  void Cycle(int mode) {
    LaunchCompanions(env_, mode, timers_, reg_, install_dir_, [this] {
      archiver_ran_before_drop_ = fs::exists(install_ / "out" / "vexaArc.exe.out");
      ++drops_;
    });
  }

  void ExpectRanInBin(const std::string& program) {
    const auto report = testing::WaitForReport(install_ / "out", program, seconds(10));
    ASSERT_TRUE(report) << program << " did not run";
    EXPECT_EQ(report->cwd, (install_ / "bin").string());
    EXPECT_EQ(report->program, (install_ / "bin" / program).string());
    EXPECT_EQ(report->argc, 0);
    EXPECT_EQ(report->fds.size(), 3u);
  }

  testing::ProbeInstall probe_install_{"Vexa Install"};
  const fs::path& install_ = probe_install_.root();
  fakes::FakeSettings settings_;
  fakes::FakeEventLog log_;
  fakes::FakeClock clock_{kNightMs};
  PosixProcessLauncher launcher_;
  Env env_;
  CRegAccess reg_{settings_};
  CompanionTimers timers_;
  std::string install_dir_;
  int drops_ = 0;
  bool archiver_ran_before_drop_ = true;
};

TEST_F(CompanionsProcessTest, SchedulerAndArchiverRunInTheBinFolder) {
  testing::InstallProbe(install_ / "bin" / "vexaSch.exe");
  testing::InstallProbe(install_ / "bin" / "vexaArc.exe");
  Cycle(0);
  ExpectRanInBin("vexaSch.exe");
  ExpectRanInBin("vexaArc.exe");
  EXPECT_EQ(drops_, 1);
  EXPECT_FALSE(archiver_ran_before_drop_);
  EXPECT_EQ(fs::current_path(), install_ / "bin");  // the daemon's own directory moved too
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(CompanionsProcessTest, MissingProgramsAreReported) {
  Cycle(0);
  EXPECT_EQ(log_.events, (std::vector<std::string>{
                             "CDataBaseAppUpdate: VexaSch Process NOT Started; Error = [errno]",
                             "CDataBaseAppUpdate: Archive Process NOT Started; Error = [errno]"}));
  EXPECT_EQ(timers_.last_archive_day, 10);
}

}  // namespace
}  // namespace vexa
