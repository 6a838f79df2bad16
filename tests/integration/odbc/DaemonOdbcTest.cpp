// vexaDB in server mode against a PostgreSQL server of its own, through
// psqlODBC: the connection as the server sees it (pg_stat_activity), the
// server going away and coming back, and records the database refuses.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "PgServer.h"
#include "SettingsStore.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kSnp = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";
constexpr const char* kSecur = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Secur";
constexpr const char* kConfig = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Command\\Config";

NamedValue Sz(const std::string& name, const std::string& text) {
  return {name, {RegType::kSz, text + '\0'}};
}

// Polls `done` every 100 ms for at most `seconds`.
bool Within(double seconds, const std::function<bool()>& done) {
  auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

class DaemonOdbcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_ini_dir_ = testing::UseTestOdbcInstIni();
    std::string error;
    server_ = testing::PgServer::Start(&error);
    ASSERT_NE(server_, nullptr) << error;
    char dir[] = "/tmp/vexa-daemon-odbc-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    root_ = dir;
    spool_ = root_ + "/install/TmpLog";
    fs::create_directories(spool_);
    fs::create_directories(root_ + "/run");
    store_ = std::make_unique<SettingsStore>(root_ + "/registry");
    ASSERT_TRUE(store_->SetValues(kSnp, {Sz("DIRECTORY", root_ + "/install")}).ok());
    ASSERT_TRUE(store_->SetValues(kSecur, {Sz("ENABLE", "1"), Sz("DNSDISABLE", "1")}).ok());
    ASSERT_TRUE(store_
                    ->SetValues(kConfig, {Sz("SQL", "1"), Sz("SQLSERVER", server_->ServerSetting()),
                                          Sz("SQLDRIVER", "PostgreSQL Unicode")})
                    .ok());
  }
  void TearDown() override {
    StopDaemon();
    server_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    fs::remove_all(odbc_ini_dir_, ignored);
  }

  void StartDaemon() {
    daemon_ = fork();
    if (daemon_ == 0) {
      setenv("VEXA_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
      setenv("VEXA_SYSLOG_SOCKET", (root_ + "/run/no-syslog").c_str(), 1);
      execl(VEXA_DAEMON, VEXA_DAEMON, "--registry", (root_ + "/registry").c_str(), nullptr);
      _exit(127);
    }
    ASSERT_GT(daemon_, 0);
  }
  void StopDaemon() {
    if (daemon_ <= 0) return;
    kill(daemon_, SIGTERM);
    int status = 0;
    waitpid(daemon_, &status, 0);
    daemon_ = 0;
  }

  // A spool file whose record carries `url` (a spool file under 50 bytes is
  // discarded unread, so keep urls of 20 characters or more); written under
  // another name and renamed into place, as the product's writers do.
  void AddSpool(const std::string& name, const std::string& url) {
    std::string path = spool_ + "/" + name + ".lok";
    std::ofstream(path + ".new", std::ios::binary) << "user1\x01" << url
                                                   << "\x01host1\x01\x01t6\x01t8\x01\x01skip\x01"
                                                      "12\n";
    fs::rename(path + ".new", path);
  }
  bool Waiting(const std::string& name) { return fs::exists(spool_ + "/" + name + ".lok"); }
  bool Taken(const std::string& name, double seconds = 30) {
    return Within(seconds, [&] { return !Waiting(name); });
  }
  std::string Sessions() {
    return server_->Psql(
        "SELECT count(*) FROM pg_stat_activity WHERE usename = 'vexauser' AND datname = "
        "'vexadb00000'");
  }
  std::string StoredTimes(const std::string& url) {
    return server_->Psql("SELECT count(*) FROM vexa_records WHERE url = '" + url + "'");
  }
  void SetLetGo(const char* value) {
    ASSERT_TRUE(store_->SetValues(kSnp, {Sz("LETGO", value)}).ok());
  }
  void Restart() {
    std::string error;
    ASSERT_TRUE(server_->Restart(&error)) << error;
  }

  std::string odbc_ini_dir_, root_, spool_;
  std::unique_ptr<testing::PgServer> server_;
  std::unique_ptr<SettingsStore> store_;
  pid_t daemon_ = 0;
};

TEST_F(DaemonOdbcTest, LetGoClosesTheServerConnectionAndZeroReconnects) {
  StartDaemon();
  AddSpool("a", "http://example.com/letgo-a");
  ASSERT_TRUE(Taken("a"));
  EXPECT_EQ(Sessions(), "1");

  SetLetGo("1");
  // Within one cycle (1 s, plus the record in hand) the session is gone.
  EXPECT_TRUE(Within(5, [&] { return Sessions() == "0"; })) << Sessions();
  AddSpool("b", "http://example.com/letgo-b");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_TRUE(Waiting("b")) << "no spool file is touched while LETGO is 1";
  EXPECT_EQ(Sessions(), "0");

  SetLetGo("0");
  // The next 5-second poll ends the wait.
  ASSERT_TRUE(Taken("b", 15));
  EXPECT_EQ(Sessions(), "1");
  EXPECT_EQ(StoredTimes("http://example.com/letgo-b"), "1");
}

TEST_F(DaemonOdbcTest, RecordRefusedByTheDatabaseGoesToQuarantineWithItsState) {
  ASSERT_EQ(server_->Psql(R"(
    CREATE FUNCTION refuse_marker() RETURNS trigger LANGUAGE plpgsql AS $$
    BEGIN
      IF NEW.url LIKE '%refuse-me%' THEN RAISE EXCEPTION 'marker refused'; END IF;
      RETURN NEW;
    END $$;
    CREATE TRIGGER refuse_marker BEFORE INSERT ON vexa_records
      FOR EACH ROW EXECUTE FUNCTION refuse_marker();)"),
            "");
  AddSpool("1-bad", "http://example.com/refuse-me");
  AddSpool("2-good", "http://example.com/good");
  AddSpool("3-good", "http://example.com/good3");
  StartDaemon();
  // Three refusals, each followed by 5 s without a connection.
  ASSERT_TRUE(Taken("1-bad", 60));
  ASSERT_TRUE(Taken("2-good"));
  ASSERT_TRUE(Taken("3-good"));
  EXPECT_TRUE(fs::exists(spool_ + "/rejected/1-bad.lok"));
  std::ifstream reason(spool_ + "/rejected/1-bad.lok.reason");
  std::stringstream text;
  text << reason.rdbuf();
  EXPECT_EQ(text.str().rfind("P0001: ", 0), 0u) << text.str();
  EXPECT_NE(text.str().find("marker refused"), std::string::npos) << text.str();
  EXPECT_EQ(StoredTimes("http://example.com/refuse-me"), "0");
  EXPECT_EQ(StoredTimes("http://example.com/good"), "1");
  EXPECT_EQ(StoredTimes("http://example.com/good3"), "1");
}

TEST_F(DaemonOdbcTest, ServerStoppedWhileRunningLosesAndDoublesNothing) {
  StartDaemon();
  for (int i = 0; i < 5; ++i)
    AddSpool("before" + std::to_string(i), "http://example.com/before-" + std::to_string(i));
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Taken("before" + std::to_string(i)));

  server_->Stop("immediate");
  for (int i = 0; i < 5; ++i)
    AddSpool("during" + std::to_string(i), "http://example.com/during-" + std::to_string(i));
  std::this_thread::sleep_for(std::chrono::seconds(8));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(Waiting("during" + std::to_string(i)));

  Restart();
  // Resumes with the next call of the update routine: at most 5 s of
  // waiting after the last failure, 1 s between calls, and one cycle.
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Taken("during" + std::to_string(i), 20));
  EXPECT_EQ(server_->Psql("SELECT count(*), count(DISTINCT url) FROM vexa_records"), "10|10");
  EXPECT_EQ(Sessions(), "1");
}

TEST_F(DaemonOdbcTest, ServerKilledInsideARecordsTransactionStoresItOnce) {
  // The marked record holds its transaction open for two seconds.
  ASSERT_EQ(server_->Psql(R"(
    CREATE FUNCTION slow_marker() RETURNS trigger LANGUAGE plpgsql AS $$
    BEGIN
      IF NEW.url LIKE '%slow%' THEN PERFORM pg_sleep(2); END IF;
      RETURN NEW;
    END $$;
    CREATE TRIGGER slow_marker BEFORE INSERT ON vexa_records
      FOR EACH ROW EXECUTE FUNCTION slow_marker();)"),
            "");
  AddSpool("slow", "http://example.com/slow");
  StartDaemon();
  ASSERT_TRUE(Within(15, [&] {
    return server_->Psql(
               "SELECT count(*) FROM pg_stat_activity WHERE usename = 'vexauser' "
               "AND wait_event = 'PgSleep'") == "1";
  }));
  server_->Stop("immediate");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_TRUE(Waiting("slow"));

  Restart();
  ASSERT_TRUE(Taken("slow", 25));
  EXPECT_EQ(StoredTimes("http://example.com/slow"), "1");
  EXPECT_EQ(server_->Psql("SELECT count(*) FROM vexa_ledger"), "1");
}

}  // namespace
}  // namespace vexa
