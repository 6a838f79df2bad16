// The daemon is killed with SIGKILL at random moments while it takes in a
// backlog, and started again each time: afterwards every record is in the
// database exactly once and no spool file is left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <map>
#include <random>
#include <thread>

#include "DaemonProcess.h"

namespace vexa {
namespace {

using namespace std::chrono_literals;

TEST(CrashTest, KilledFiftyTimesStoresEveryRecordExactlyOnce) {
  testing::DaemonInstall install;
  constexpr int kRecords = 6000;
  for (int i = 0; i < kRecords; ++i) install.AddSpool(std::to_string(i) + ".lok", "http://r" + std::to_string(i) + "/");

  std::mt19937 random(20261211);
  // Each start pauses one second before its first cycle; the kills fall in the work.
  std::uniform_int_distribution<int> delay_ms(1000, 1800);
  for (int kill_count = 0; kill_count < 50; ++kill_count) {
    const pid_t daemon = install.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms(random)));
    kill(daemon, SIGKILL);
    waitpid(daemon, nullptr, 0);
  }
  const pid_t daemon = install.Start();
  ASSERT_TRUE(install.WaitUntilRunning(60s));
  ASSERT_TRUE(install.WaitUntilSpoolEmpty(600s)) << install.SpoolNames().size() << " spool files left";
  EXPECT_EQ(testing::DaemonInstall::Stop(daemon), 0);

  std::map<std::string, int> stored;
  for (const std::string& url : install.StoredUrls()) ++stored[url];
  EXPECT_EQ(stored.size(), static_cast<size_t>(kRecords));
  for (const auto& [url, count] : stored) EXPECT_EQ(count, 1) << url;
}

}  // namespace
}  // namespace vexa
