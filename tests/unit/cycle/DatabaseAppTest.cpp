#include "DatabaseApp.h"

#include "CycleFixture.h"

namespace vexa {
namespace {

using ::testing::ElementsAre;

class DatabaseAppTest : public CycleFixture {
 protected:
  RoutineHooks hooks_;
  AppSettings settings_store_;
};

TEST_F(DatabaseAppTest, DatabaseModeRule) {
  struct Case {
    const char* sql;  // nullptr: missing
    const char* server;
    int mode;
  };
  const Case cases[] = {
      {"1", "db1", 1}, {"1", "", 0}, {"yes", "db1", 0}, {nullptr, "db1", 0}, {"0", "db1", 0}, {"1", nullptr, 0},
  };
  for (const Case& c : cases) {
    settings_.DeleteKey(keys::kConfig);
    settings_.AddKey(keys::kConfig);
    if (c.sql) settings_.SetString(keys::kConfig, "SQL", c.sql);
    if (c.server) settings_.SetString(keys::kConfig, "SQLSERVER", c.server);
    settings_.SetString(keys::kSecur, "ENABLE", "0");
    CDatabaseApp app(env_, settings_store_, hooks_);
    app.Run();
    EXPECT_EQ(app.settings().mode, c.mode) << (c.sql ? c.sql : "(missing)");
    EXPECT_EQ(app.settings().sql_db, "vexadb00000");
    EXPECT_EQ(app.settings().sql_table, "vexatab00000");
  }
}

TEST_F(DatabaseAppTest, DriverCallsAgainOneSecondApartWithTheSameMode) {
  settings_.DeleteValue(keys::kSnp, "DIRECTORY");  // each call returns 0
  settings_.SetString(keys::kSecur, "ENABLE", "0");
  clock_.on_sleep = [this] {
    if (clock_.sleeps.size() == 3) settings_.SetString(keys::kSnp, "DIRECTORY", kDir);
  };
  int loads = 0;
  hooks_.refresh_exclusions = [&] { ++loads; };
  CDatabaseApp app(env_, settings_store_, hooks_);
  app.Run();
  EXPECT_THAT(clock_.sleeps, ElementsAre(1000, 1000, 1000));
  EXPECT_EQ(log_.events.size(), 3u);
  EXPECT_EQ(loads, 1);  // the lists are loaded once at start-up
}

TEST_F(DatabaseAppTest, ServerModeConnectionString) {
  settings_.SetString(keys::kConfig, "SQL", "1");
  settings_.SetString(keys::kConfig, "SQLSERVER", "dbhost");
  settings_.SetString(keys::kConfig, "SQLTABLE", "vexatab00042");
  EndAfterCycles(1);
  CDatabaseApp app(env_, settings_store_, hooks_);
  app.Run();
  EXPECT_EQ(db_.opened_with,
            "PROVIDER=MSDASQL;DRIVER=SQL Server;SERVER=dbhost;UID=vexauser;PWD=lumirakasteb;DATABASE=vexadb00000");
  EXPECT_EQ(db_.user, "vexauser");
  EXPECT_EQ(factory_.last_mode, 1);
}

}  // namespace
}  // namespace vexa
