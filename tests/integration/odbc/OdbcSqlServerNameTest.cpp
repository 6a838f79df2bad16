// The SQL Server path up to the network: the daemon's connection string
// with DRIVER=SQL Server reaches the driver manager unchanged, and the name
// resolves through deploy/odbcinst.ini to FreeTDS. No SQL Server runs here,
// so the connection itself is refused (docs/odbc.md tells how to run the
// backend against a real one).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CodePage.h"
#include "OdbcConnection.h"
#include "PgServer.h"
#include "ServerLogin.h"

namespace vexa {
namespace {

TEST(OdbcSqlServerNameTest, ConnectionStringReachesTheDriverManagerUnchanged) {
  std::string dir = testing::UseTestOdbcInstIni();
  ASSERT_FALSE(dir.empty());
  std::string trace = dir + "/trace.log";
  std::ofstream(dir + "/odbcinst.ini", std::ios::app)
      << "\n[ODBC]\nTrace=Yes\nTraceFile=" << trace << "\n";

  std::string server = "127.0.0.1," + std::to_string(testing::FreeLocalPort());
  std::string text = BuildServerConnectionString(kDefaultServerDriver, server, "vexadb00000",
                                                 kDefaultServerUser, kDefaultServerPassword);
  CodePage code_page;
  OdbcConnectionFactory factory(code_page);
  auto connection = factory.Create(1);
  try {
    connection->Open(text, kDefaultServerUser, kDefaultServerPassword);
    FAIL() << "a SQL Server answered at " << server;
  } catch (const DatabaseError& error) {
    EXPECT_EQ(error.kind(), DatabaseError::Kind::kConnection);
    EXPECT_EQ(error.sqlstate(), "08S01") << error.what();
    // The driver that answered is FreeTDS, found under the name "SQL Server".
    EXPECT_NE(std::string(error.what()).find("[FreeTDS][SQL Server]"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(connection->State(), 0);

  std::ifstream in(trace);
  std::stringstream log;
  log << in.rdbuf();
  // The trace hides the password's letters and nothing else.
  EXPECT_NE(log.str().find("[DRIVER=SQL Server;SERVER=" + server +
                           ";UID=vexauser;PWD=" + std::string(strlen(kDefaultServerPassword), '*') +
                           ";DATABASE=vexadb00000]"),
            std::string::npos)
      << log.str().substr(0, 4000);
  EXPECT_EQ(log.str().find("MSDASQL"), std::string::npos);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace vexa
