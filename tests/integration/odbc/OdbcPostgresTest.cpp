// The ODBC backend against a real PostgreSQL through psqlODBC, reached the
// way the daemon reaches it: its connection string with the driver name
// "PostgreSQL Unicode" and the built-in login.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "CodePage.h"
#include "FakeEventLog.h"
#include "OdbcConnection.h"
#include "PgServer.h"
#include "ServerLogin.h"

namespace vexa {
namespace {

using testing::PgServer;
using Kind = DatabaseError::Kind;

constexpr char kDriver[] = "PostgreSQL Unicode";

std::string Hex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char c : bytes) {
    snprintf(digits, sizeof digits, "%02x", c);
    hex += digits;
  }
  return hex;
}

UpdateCall Call(const std::string& category = "news") {
  UpdateCall call;
  call.values = {"vexatab00000",
                 "user1",
                 "http://example.com/",
                 "host1",
                 "2026-12-11 10:00:00",
                 "0",
                 "t6",
                 "t7",
                 "t8",
                 "9",
                 "10",
                 "",
                 "t12",
                 "",
                 "14",
                 category};
  return call;
}

// The drivers of deploy/odbcinst.ini, for the whole run.
class OdbcInstIni : public ::testing::Environment {
 public:
  void SetUp() override { dir_ = testing::UseTestOdbcInstIni(); }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

 private:
  std::string dir_;
};
const auto* const odbc_inst_ini = ::testing::AddGlobalTestEnvironment(new OdbcInstIni);

class OdbcPostgresTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    server_ = PgServer::Start(&error).release();
    ASSERT_NE(server_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(server_, nullptr);
    connection_ = factory_.Create(1);
    ASSERT_NE(connection_, nullptr);
    connection_->Open(ConnectionString(), kDefaultServerUser, kDefaultServerPassword);
  }

  static std::string ConnectionString(const std::string& password = kDefaultServerPassword) {
    return BuildServerConnectionString(kDriver, server_->ServerSetting(), "vexadb00000",
                                       kDefaultServerUser, password);
  }
  void Store(const UpdateCall& call) {
    connection_->BeginTrans();
    connection_->Execute(call);
    connection_->CommitTrans();
  }
  static std::string Count(const std::string& where) {
    return server_->Psql("SELECT count(*) FROM vexa_records WHERE " + where);
  }

  static PgServer* server_;
  CodePage code_page_{1252};
  fakes::FakeEventLog log_;
  OdbcConnectionFactory factory_{code_page_, &log_};
  std::unique_ptr<Connection> connection_;
};
PgServer* OdbcPostgresTest::server_ = nullptr;

TEST_F(OdbcPostgresTest, OnlyTheServerModeHasAConnection) {
  EXPECT_EQ(factory_.Create(0), nullptr);
  auto fresh = factory_.Create(1);
  EXPECT_EQ(fresh->State(), 0);
  EXPECT_NE(connection_->State(), 0);
  connection_->Close();
  EXPECT_EQ(connection_->State(), 0);
  connection_->Close();  // closing twice is harmless
}

TEST_F(OdbcPostgresTest, ValuesLandExactlyAsBound) {
  UpdateCall call = Call(std::string(300, 'c'));
  call.values[1] = "O'Brien's 'quoted' text";
  call.values[2] = "C:\\Monitor\\TmpLog\\a.lok \\\\server\\share\\ \\'";
  call.values[3] = "caf\xe9 \x80 5";  // Windows-1252: é and €
  call.values[6] = "  blanks at both ends  ";
  call.values[7] = "'); DROP TABLE vexa_records; --";
  call.values[13] = std::string(5000, 'u');  // goes out as a long value
  Store(call);

  const char* columns[] = {"table_name", "text1", "url",      "text3",   "log_time", "filter_mark",
                           "text6",      "text7", "text8",    "number9", "number10", "content_name",
                           "text12",     "spare", "number14", "category"};
  for (size_t i = 0; i < 16; ++i) {
    std::string hex = server_->Psql(std::string("SELECT coalesce(encode(convert_to(") + columns[i] +
                                    ", 'UTF8'), 'hex'), 'null') FROM vexa_records ORDER BY id "
                                    "DESC LIMIT 1");
    EXPECT_EQ(hex, Hex(code_page_.ToUtf8(call.values[i]))) << columns[i];
  }
  EXPECT_EQ(server_->Psql("SELECT text3 FROM vexa_records ORDER BY id DESC LIMIT 1"),
            "caf\xc3\xa9 \xe2\x82\xac 5");

  // The parameters stay bound: a longer long value, a short one, a longer
  // short one.
  for (size_t size : {7000, 3, 900}) {
    std::string category = "size-" + std::to_string(size);
    UpdateCall next = Call(category);
    next.values[13] = std::string(size, 'v');
    next.values[2] = std::string(size, 'w');
    Store(next);
    EXPECT_EQ(
        server_->Psql("SELECT length(spare), length(url) FROM vexa_records WHERE category = '" +
                      category + "'"),
        std::to_string(size) + "|" + std::to_string(size));
  }
}

TEST_F(OdbcPostgresTest, RollbackLeavesNothingAndTheConnectionGoesOn) {
  connection_->BeginTrans();
  connection_->Execute(Call("rolled-back"));
  connection_->RollbackTrans();
  EXPECT_EQ(Count("category = 'rolled-back'"), "0");
  Store(Call("after-rollback"));
  EXPECT_EQ(Count("category = 'after-rollback'"), "1");
}

TEST_F(OdbcPostgresTest, RejectedRecordsAreRecordErrorsWithTheirState) {
  ASSERT_EQ(server_->Psql(R"(
    CREATE FUNCTION reject_marker() RETURNS trigger LANGUAGE plpgsql AS $$
    BEGIN
      IF NEW.category = 'REJECT-ME' THEN RAISE EXCEPTION 'record refused: %', NEW.category; END IF;
      RETURN NEW;
    END $$;
    CREATE TRIGGER reject_marker BEFORE INSERT ON vexa_records
      FOR EACH ROW EXECUTE FUNCTION reject_marker();
    ALTER TABLE vexa_records ADD CONSTRAINT no_bad_number CHECK (number9 <> 'bad');)"),
            "");
  struct Case {
    std::string category, number9, sqlstate;
  } cases[] = {{"REJECT-ME", "9", "P0001"}, {"ok", "bad", "23514"}};
  for (const Case& c : cases) {
    UpdateCall call = Call(c.category);
    call.values[9] = c.number9;
    connection_->BeginTrans();
    try {
      connection_->Execute(call);
      ADD_FAILURE() << c.sqlstate << ": no error";
    } catch (const DatabaseError& error) {
      EXPECT_EQ(error.kind(), Kind::kRecord) << error.what();
      EXPECT_EQ(error.sqlstate(), c.sqlstate) << error.what();
    }
    connection_->RollbackTrans();
  }
  // The refused records took nothing with them; the next one is stored.
  Store(Call("after-refusals"));
  EXPECT_EQ(Count("category = 'after-refusals'"), "1");
  server_->Psql(
      "DROP TRIGGER reject_marker ON vexa_records; DROP FUNCTION reject_marker();"
      "ALTER TABLE vexa_records DROP CONSTRAINT no_bad_number;");
}

TEST_F(OdbcPostgresTest, RefusedOpensAreConnectionErrors) {
  struct Case {
    std::string connection_string, in_message;
  } cases[] = {
      {ConnectionString("wrong-password"), "password authentication failed"},
      {BuildServerConnectionString("No Such Driver", server_->ServerSetting(), "vexadb00000",
                                   kDefaultServerUser, kDefaultServerPassword),
       "No Such Driver"},
      {BuildServerConnectionString(kDriver, "127.0.0.1;Port=1", "vexadb00000", kDefaultServerUser,
                                   kDefaultServerPassword),
       "Connection refused"},
  };
  for (const Case& c : cases) {
    auto connection = factory_.Create(1);
    try {
      connection->Open(c.connection_string, kDefaultServerUser, "wrong-password");
      ADD_FAILURE() << c.connection_string << ": opened";
    } catch (const DatabaseError& error) {
      EXPECT_EQ(error.kind(), Kind::kConnection) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.in_message), std::string::npos) << error.what();
      EXPECT_FALSE(error.sqlstate().empty());
    }
    EXPECT_EQ(connection->State(), 0);
  }
}

TEST_F(OdbcPostgresTest, LedgerIsWrittenInTheRecordsTransaction) {
  SpoolIdentity spool{"A1B2.lok", 123, 1765440000, 0xfedcba9876543210ull};
  EXPECT_FALSE(connection_->LedgerContains(spool));

  connection_->BeginTrans();
  connection_->Execute(Call("ledger-rolled-back"));
  connection_->LedgerAdd(spool, 1000);
  connection_->RollbackTrans();
  EXPECT_FALSE(connection_->LedgerContains(spool));
  // The look-ups before it ran in autocommit; the record's transaction did not.
  EXPECT_EQ(Count("category = 'ledger-rolled-back'"), "0");

  connection_->BeginTrans();
  connection_->Execute(Call("ledger-committed"));
  connection_->LedgerAdd(spool, 1000);
  connection_->CommitTrans();
  EXPECT_TRUE(connection_->LedgerContains(spool));
  SpoolIdentity other = spool;
  other.line_hash ^= 1;
  EXPECT_FALSE(connection_->LedgerContains(other));
  // A look-up outside a record leaves no transaction open on the server.
  EXPECT_EQ(server_->Psql("SELECT count(*) FROM pg_stat_activity WHERE usename = 'vexauser' "
                          "AND state = 'idle in transaction'"),
            "0");

  connection_->LedgerPrune(1000);  // only older entries go
  EXPECT_TRUE(connection_->LedgerContains(spool));
  connection_->LedgerPrune(1001);
  EXPECT_FALSE(connection_->LedgerContains(spool));
  EXPECT_TRUE(log_.events.empty());
}

TEST(OdbcPostgresNoLedgerTest, WorksWithoutTheLedgerAndSaysSoOnce) {
  std::string error;
  auto server = PgServer::Start({.ledger = false}, &error);
  ASSERT_NE(server, nullptr) << error;
  CodePage code_page;
  fakes::FakeEventLog log;
  OdbcConnectionFactory factory(code_page, &log);
  std::string text = BuildServerConnectionString(kDriver, server->ServerSetting(), "vexadb00000",
                                                 kDefaultServerUser, kDefaultServerPassword);
  for (int round = 0; round < 2; ++round) {
    auto connection = factory.Create(1);
    connection->Open(text, kDefaultServerUser, kDefaultServerPassword);
    SpoolIdentity spool{"x.lok", 1, 2, 3};
    connection->BeginTrans();
    connection->Execute(Call());
    connection->LedgerAdd(spool, 5);
    connection->CommitTrans();
    EXPECT_FALSE(connection->LedgerContains(spool));
    connection->LedgerPrune(10);
  }
  ASSERT_EQ(log.events.size(), 1u);
  EXPECT_NE(log.events[0].find("vexa_ledger"), std::string::npos);
  EXPECT_EQ(server->Psql("SELECT count(*) FROM vexa_records"), "2");
}

// The server goes away under an open connection and comes back.
class OdbcPostgresRestartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = PgServer::Start(&error);
    ASSERT_NE(server_, nullptr) << error;
    text_ = BuildServerConnectionString(kDriver, server_->ServerSetting(), "vexadb00000",
                                        kDefaultServerUser, kDefaultServerPassword);
    connection_ = factory_.Create(1);
    connection_->Open(text_, kDefaultServerUser, kDefaultServerPassword);
  }
  void ExpectConnectionError(const std::function<void()>& operation, const char* what) {
    try {
      operation();
      ADD_FAILURE() << what << ": no error";
    } catch (const DatabaseError& error) {
      EXPECT_EQ(error.kind(), Kind::kConnection)
          << what << ": " << error.sqlstate() << " " << error.what();
    }
  }
  void Reopen() {
    connection_->Close();
    std::string error;
    ASSERT_TRUE(server_->Restart(&error)) << error;
    connection_->Open(text_, kDefaultServerUser, kDefaultServerPassword);
    connection_->BeginTrans();
    connection_->Execute(Call("after-restart"));
    connection_->CommitTrans();
  }

  CodePage code_page_;
  OdbcConnectionFactory factory_{code_page_};
  std::unique_ptr<PgServer> server_;
  std::string text_;
  std::unique_ptr<Connection> connection_;
};

TEST_F(OdbcPostgresRestartTest, StoppedServerFailsTheNextRecordAndANewOpenWorksLater) {
  connection_->BeginTrans();
  connection_->Execute(Call("before-stop"));
  connection_->CommitTrans();
  server_->Stop("immediate");

  ExpectConnectionError(
      [&] {
        connection_->BeginTrans();
        connection_->Execute(Call("while-down"));
        connection_->CommitTrans();
      },
      "record while down");
  try {
    connection_->RollbackTrans();  // the driver may know there is nothing to undo
  } catch (const DatabaseError& error) {
    EXPECT_EQ(error.kind(), Kind::kConnection) << error.what();
  }
  connection_->Close();
  ExpectConnectionError(
      [&] { connection_->Open(text_, kDefaultServerUser, kDefaultServerPassword); },
      "open while down");
  EXPECT_EQ(connection_->State(), 0);

  Reopen();
  EXPECT_EQ(server_->Psql("SELECT string_agg(category, ',' ORDER BY id) FROM vexa_records"),
            "before-stop,after-restart");
}

TEST_F(OdbcPostgresRestartTest, ServerKilledInsideATransactionLosesOnlyThatTransaction) {
  connection_->BeginTrans();
  connection_->Execute(Call("uncommitted"));
  connection_->LedgerAdd({"k.lok", 1, 2, 3}, 4);
  server_->Stop("immediate");
  ExpectConnectionError([&] { connection_->CommitTrans(); }, "commit after the kill");

  Reopen();
  EXPECT_EQ(server_->Psql("SELECT string_agg(category, ',' ORDER BY id) FROM vexa_records"),
            "after-restart");
  EXPECT_FALSE(connection_->LedgerContains({"k.lok", 1, 2, 3}));
}

}  // namespace
}  // namespace vexa
