// End to end through vexaDB in the embedded mode (SQLite), with an install
// directory whose path has blanks: spool records with secure-site addresses
// land in the database named by a real DNS server, and the scheduler stand-in
// starts in the bin folder without any descriptor of the daemon.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ChildProbe.h"
#include "LocalDnsServer.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace vexa {
namespace {
namespace fs = std::filesystem;
using std::chrono::seconds;

NamedValue Sz(const std::string& name, const std::string& text) {
  return {name, {RegType::kSz, text + '\0'}};
}

class DaemonSecureSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(install_.root() / "TmpLog");
    fs::create_directories(install_.root() / "run");
    testing::InstallProbe(install_.bin() / "vexaSch.exe");
    ASSERT_TRUE(store_.SetValues(keys::kSnp, {Sz("DIRECTORY", install_.root().string())}).ok());
    ASSERT_TRUE(store_
                    .SetValues(keys::kSecur, {Sz("ENABLE", "1"), Sz("DNSSERVER", dns_.address()),
                                              Sz("DNSTIMEOUT", "500")})
                    .ok());
  }
  void TearDown() override { StopDaemon(); }

  // A line long enough to be taken (shorter ones are discarded).
  void AddSpool(const std::string& name, const std::string& url) {
    std::ofstream(install_.root() / "TmpLog" / (name + ".lok"))
        << "user1\x01" << url << "\x01workstation-17.example.test\x01\x01t6\x01t8\x01\x01skip\x01"
        << "12\n";
  }

  void StartDaemon() {
    const std::string run = (install_.root() / "run").string();
    const std::string registry = store_.root();
    daemon_ = fork();
    if (daemon_ == 0) {
      setenv("VEXA_RUNTIME_DIR", run.c_str(), 1);
      setenv("VEXA_SYSLOG_SOCKET", (run + "/log").c_str(), 1);
      execl(VEXA_DAEMON, VEXA_DAEMON, "--registry", registry.c_str(), nullptr);
      _exit(127);
    }
    ASSERT_GT(daemon_, 0);
  }
  void StopDaemon() {
    if (daemon_ <= 0) return;
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
    daemon_ = 0;
  }

  // Waits (at most 30 s) until the daemon has taken every spool file.
  bool SpoolTaken() {
    for (int i = 0; i < 300; ++i) {
      if (fs::is_empty(install_.root() / "TmpLog")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  std::vector<std::string> StoredUrls() {
    const std::string path = (install_.root() / "storedprocdbc.dbc").string();
    sqlite3* db = nullptr;
    std::vector<std::string> urls;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* select = nullptr;
      sqlite3_prepare_v2(db, "SELECT url FROM vexa_records ORDER BY url", -1, &select, nullptr);
      while (select && sqlite3_step(select) == SQLITE_ROW) {
        urls.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
      }
      sqlite3_finalize(select);
    }
    sqlite3_close(db);
    return urls;
  }

  testing::LocalDnsServer dns_{
      testing::LocalDnsServer::PtrRecords{{"3.2.1.10.in-addr.arpa", "host.example.test"}}};
  testing::ProbeInstall install_{"Vexa E2E"};
  SettingsStore store_{(install_.root() / "registry").string()};
  pid_t daemon_ = 0;
};

// DNSDISABLE is missing: the naming applies.
TEST_F(DaemonSecureSiteTest, SecureSitesAreNamedAndTheSchedulerStarts) {
  AddSpool("a", "https://10.1.2.3");
  AddSpool("b", "HTTPS://10.1.2.4");
  AddSpool("c", "https://10.1.2.3/index.html");
  StartDaemon();
  ASSERT_TRUE(SpoolTaken());
  const auto scheduler = testing::WaitForReport(install_.out(), "vexaSch.exe", seconds(10));
  StopDaemon();

  EXPECT_EQ(StoredUrls(), (std::vector<std::string>{"HTTPS://10.1.2.4 :: Secure Site",
                                                    "https://10.1.2.3 :: host.example.test",
                                                    "https://10.1.2.3/index.html"}));
  ASSERT_TRUE(scheduler) << "the daemon did not start the scheduler";
  EXPECT_EQ(scheduler->cwd, install_.bin().string());
  EXPECT_EQ(scheduler->argc, 0);
  EXPECT_EQ(scheduler->fds.size(), 3u) << "the database, lock or socket of the daemon leaked";
  EXPECT_EQ(scheduler->fds.at(0), "/dev/null");
}

TEST_F(DaemonSecureSiteTest, DnsDisableOneLeavesAddressesAlone) {
  ASSERT_TRUE(store_.SetValues(keys::kSecur, {Sz("DNSDISABLE", "1")}).ok());
  AddSpool("a", "https://10.1.2.3");
  StartDaemon();
  ASSERT_TRUE(SpoolTaken());
  StopDaemon();
  EXPECT_EQ(StoredUrls(), std::vector<std::string>{"https://10.1.2.3"});
}

}  // namespace
}  // namespace vexa
