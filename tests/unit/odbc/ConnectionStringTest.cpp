#include <gtest/gtest.h>

#include "ConnectionString.h"
#include "ServerLogin.h"

namespace vexa {
namespace {

TEST(ServerLoginTest, BuildsTheOriginalStringWithTheDriverName) {
  EXPECT_EQ(BuildServerConnectionString("SQL Server", "DBHOST", "vexadb00000", kDefaultServerUser,
                                        kDefaultServerPassword),
            "PROVIDER=MSDASQL;DRIVER=SQL Server;SERVER=DBHOST;UID=vexauser;PWD=lumirakasteb;"
            "DATABASE=vexadb00000");
  // Settings are joined as they stand, so a server setting may carry a port.
  EXPECT_EQ(BuildServerConnectionString("PostgreSQL Unicode", "db;Port=5433", "d", "u", "p"),
            "PROVIDER=MSDASQL;DRIVER=PostgreSQL Unicode;SERVER=db;Port=5433;UID=u;PWD=p;"
            "DATABASE=d");
  // A password from a credentials file cannot add elements.
  EXPECT_EQ(BuildServerConnectionString("SQL Server", "h", "d", "u", "a;b}c"),
            "PROVIDER=MSDASQL;DRIVER=SQL Server;SERVER=h;UID=u;PWD={a;b}}c};DATABASE=d");
}

TEST(ConnectionStringTest, QuotesOnlyWhatWouldBreakTheString) {
  struct Case {
    const char* value;
    const char* quoted;
  } cases[] = {
      {"lumirakasteb", "lumirakasteb"},
      {"", ""},
      {"a b", "a b"},
      {"a;b", "{a;b}"},
      {"{x", "{{x}"},
      {"x}y", "{x}}y}"},
      {" lead", "{ lead}"},
      {"trail ", "{trail }"},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteOdbcValue(c.value), c.quoted) << c.value;
}

TEST(ConnectionStringTest, DropsTheProviderAndKeepsTheRestAsWritten) {
  struct Case {
    const char* ado;
    const char* user;
    const char* password;
    const char* odbc;
  } cases[] = {
      {"PROVIDER=MSDASQL;DRIVER=SQL Server;SERVER=h;UID=vexauser;PWD=lumirakasteb;DATABASE=d",
       "vexauser", "lumirakasteb",
       "DRIVER=SQL Server;SERVER=h;UID=vexauser;PWD=lumirakasteb;DATABASE=d"},
      // The string's own login stands; the arguments fill in what it lacks.
      {"DRIVER=x;uid=a;pwd=b", "c", "d", "DRIVER=x;uid=a;pwd=b"},
      {"DRIVER=x;SERVER=h", "u", "p;q", "DRIVER=x;SERVER=h;UID=u;PWD={p;q}"},
      {"DRIVER=x", "", "", "DRIVER=x"},
      {" provider = MSDASQL ;DRIVER=x;", "", "", "DRIVER=x"},
      // Braced values keep their ';' and doubled braces.
      {"PROVIDER=MSDASQL;PWD={a;b}}c};DRIVER=x", "u", "p", "PWD={a;b}}c};DRIVER=x;UID=u"},
      {"DRIVER={PostgreSQL Unicode};SERVER=h", "", "", "DRIVER={PostgreSQL Unicode};SERVER=h"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrepareOdbcConnectionString(c.ado, c.user, c.password), c.odbc) << c.ado;
  }
}

}  // namespace
}  // namespace vexa
