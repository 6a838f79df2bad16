// The update routine on real files and a real SQLite database; registry and
// time are fakes, so the cycles run without waiting.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "EventLogWriter.h"
#include "FakeEnv.h"
#include "PosixFileSystem.h"
#include "SettingsKeys.h"
#include "SqliteConnection.h"
#include "UpdateRoutine.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class IntakeSqliteTest : public ::testing::Test {
 protected:
  IntakeSqliteTest() {
    dir_ = fs::temp_directory_path() / ("vexa-core-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "TmpLog");
    env_.files = &files_;  // real files and a real database
    env_.connections = &factory_;
    settings_.SetString(keys::kSnp, "DIRECTORY", dir_.string());
    settings_.SetString(keys::kSnp, "ARCHIVEON", "0");
    ProcessEventLog() = EventLogWriter();
  }
  ~IntakeSqliteTest() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / "TmpLog" / name, std::ios::binary) << bytes;
  }
  // Runs `cycles` cycles of one call of the update routine.
  int RunCycles(int cycles) {
    settings_.SetString(keys::kSecur, "ENABLE", "1");
    int pauses = 0;
    clock_.on_sleep = [&] {
      if (clock_.sleeps.back() == kCyclePauseMs && ++pauses == cycles) {
        settings_.SetString(keys::kSecur, "ENABLE", "0");
      }
    };
    return routine_.CDatabaseAppUpdate(0);
  }
  std::vector<std::string> Query(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open((dir_ / "storedprocdbc.dbc").c_str(), &db);
    std::vector<std::string> rows;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* out, int n, char** values, char**) {
          std::string row;
          for (int i = 0; i < n; ++i) row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
          static_cast<std::vector<std::string>*>(out)->push_back(row);
          return 0;
        },
        &rows, nullptr);
    sqlite3_close(db);
    return rows;
  }
  std::vector<std::string> SpoolNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / "TmpLog")) names.push_back(entry.path().filename());
    return names;
  }

  fs::path dir_;
  fakes::FakeEnv fake_;
  fakes::FakeSettings& settings_ = fake_.settings;
  fakes::FakeEventLog& log_ = fake_.log;
  fakes::FakeClock& clock_ = fake_.clock;
  Env& env_ = fake_.env;
  PosixFileSystem files_;
  SqliteConnectionFactory factory_{fake_.code_page};
  AppSettings app_settings_;
  RoutineHooks hooks_;
  std::unique_ptr<Connection> connection_;
  UpdateRoutine routine_{env_, app_settings_, hooks_, connection_};
};

const std::string kPad(40, '.');

TEST_F(IntakeSqliteTest, SpoolFileRulesOnRealFiles) {
  Write("short.lok", std::string(49, 'x'));
  Write("fifty.lok", "T1\x01http://fifty/\x01" + std::string(33, 'x'));
  Write("three.lok", "T1\x01http://three/\x01" + kPad + "\r\nsecond line\r\nthird line\r\n");
  Write("eof.lok", "\x1A" + std::string(59, 'x'));
  Write("lf.lok", "\n" + std::string(59, 'x'));
  fs::create_directory(dir_ / "TmpLog" / "x.lok");
  EXPECT_EQ(RunCycles(1), 1);
  EXPECT_THAT(SpoolNames(), ElementsAre("x.lok"));
  EXPECT_THAT(Query("SELECT url FROM vexa_records ORDER BY url"),
              UnorderedElementsAre(" ", "http://fifty/", "http://three/"));
  EXPECT_THAT(Query("SELECT count(*) FROM vexa_spool_ledger"), ElementsAre("3"));
  EXPECT_THAT(Query("PRAGMA journal_mode"), ElementsAre("wal"));
}

TEST_F(IntakeSqliteTest, ValuesAreBoundNotPastedAndConvertedToUtf8) {
  Write("a.lok", "T1\x01http://x/\x01" "caf\xE9 \x80\x01Vexa Filters: Kids' Games\x01" + kPad);
  EXPECT_EQ(RunCycles(1), 1);
  EXPECT_THAT(Query("SELECT table_value, text3, category FROM vexa_records"),
              ElementsAre((dir_ / "vexa.log").string() + "|caf\xC3\xA9 \xE2\x82\xAC|Kids' Games"));
}

TEST_F(IntakeSqliteTest, FileHeldOpenByAnotherProcessIsLeftForALaterCycle) {
  if (std::ifstream("/proc/sys/fs/leases-enable").get() == '0') GTEST_SKIP() << "file leases are off";
  Write("held.lok", "T1\x01http://held/\x01" + kPad);
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  if (child == 0) {
    std::ifstream hold(dir_ / "TmpLog" / "held.lok");
    (void)write(ready[1], "r", 1);
    char c;
    (void)read(go[0], &c, 1);  // holds the file until the parent says so
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(RunCycles(1), 1);
  EXPECT_THAT(SpoolNames(), ElementsAre("held.lok"));
  EXPECT_EQ(std::count(clock_.sleeps.begin(), clock_.sleeps.end(), 10), 99);

  (void)write(go[1], "g", 1);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(RunCycles(1), 1);
  EXPECT_TRUE(SpoolNames().empty());
  EXPECT_THAT(Query("SELECT url FROM vexa_records"), ElementsAre("http://held/"));
}

TEST_F(IntakeSqliteTest, RecordTheDatabaseRejectsGoesToQuarantineAndTheRestFlow) {
  Write("good.lok", "T1\x01http://good/\x01" + kPad);
  ASSERT_EQ(RunCycles(1), 1);  // creates the database
  Query("CREATE TRIGGER refuse BEFORE INSERT ON vexa_records WHEN NEW.url = 'http://bad/' "
        "BEGIN SELECT RAISE(ABORT, 'bad record'); END");
  Write("bad.lok", "T1\x01http://bad/\x01" + kPad);
  Write("next.lok", "T1\x01http://next/\x01" + kPad);
  EXPECT_EQ(RunCycles(1), 0);
  EXPECT_EQ(RunCycles(1), 0);
  EXPECT_EQ(RunCycles(1), 1);
  EXPECT_THAT(Query("SELECT url FROM vexa_records ORDER BY id"), ElementsAre("http://good/", "http://next/"));
  EXPECT_TRUE(fs::exists(dir_ / "TmpLog" / "rejected" / "bad.lok"));
  std::ifstream reason(dir_ / "TmpLog" / "rejected" / "bad.lok.reason");
  std::string text((std::istreambuf_iterator<char>(reason)), {});
  EXPECT_THAT(text, ::testing::HasSubstr("bad record"));
  EXPECT_EQ(log_.events.size(), 1u);
}

TEST_F(IntakeSqliteTest, UnopenableDatabaseWaitsAndKeepsTheFiles) {
  Write("a.lok", "T1\x01http://a/\x01" + kPad);
  fs::create_directory(dir_ / "storedprocdbc.dbc");  // not a database file
  EXPECT_EQ(RunCycles(1), 0);
  EXPECT_THAT(clock_.sleeps, ElementsAre(5000));
  EXPECT_THAT(SpoolNames(), ElementsAre("a.lok"));
}

}  // namespace
}  // namespace vexa
