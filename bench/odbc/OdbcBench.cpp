// Records per second into PostgreSQL: the ODBC backend (BeginTrans,
// Execute, CommitTrans per record, through psqlODBC) against a plain libpq
// loop that calls the same function in a transaction of its own, in the
// same run on the same server. Short rounds alternate between the two (and
// which goes first) so that both see the same load of a shared machine.
//   odbc_bench [records] [round size]   (default 20000 records, 500)
#include <libpq-fe.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CodePage.h"
#include "OdbcConnection.h"
#include "StoreLogRecord.h"
#include "PgServer.h"
#include "ServerLogin.h"

namespace vexa {
namespace {

using Clock = std::chrono::steady_clock;

// Wall time and this process's CPU time (the client's share: the server
// runs in processes of its own).
struct Cost {
  double wall = 0, cpu = 0;
  Cost& operator+=(const Cost& other) {
    wall += other.wall;
    cpu += other.cpu;
    return *this;
  }
};

double CpuSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Work>
Cost Measure(Work work) {
  auto start = Clock::now();
  double cpu = CpuSeconds();
  work();
  return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

UpdateCall Record(int i) {
  UpdateCall call;
  call.values = {"vexatab00000",
                 "DOMAIN\\user" + std::to_string(i % 50),
                 "http://www.example.com/path/page" + std::to_string(i) + ".html?q=caf\xe9",
                 "host" + std::to_string(i % 20),
                 "2026-12-11 10:00:00",
                 "0",
                 "GET",
                 "text/html",
                 "",
                 std::to_string(i),
                 "1234",
                 "",
                 "",
                 "",
                 "0",
                 "News and Media \x80"};
  return call;
}

Cost OdbcRound(Connection& connection, int first, int count) {
  return Measure([&] {
    for (int i = first; i < first + count; ++i) {
      connection.BeginTrans();
      connection.Execute(Record(i));
      connection.CommitTrans();
    }
  });
}

// A server of its own, with the ledger table; null (and why on stderr) when
// it cannot start.
auto StartServer(bool durable) {
  std::string error;
  auto server = testing::PgServer::Start({.ledger = true, .durable = durable}, &error);
  if (!server) fprintf(stderr, "%s\n", error.c_str());
  return server;
}

std::unique_ptr<Connection> OpenOdbc(OdbcConnectionFactory& factory, testing::PgServer& server) {
  auto connection = factory.Create(1);
  connection->Open(
      BuildServerConnectionString("PostgreSQL Unicode", server.ServerSetting(), "vexadb00000",
                                  kDefaultServerUser, kDefaultServerPassword),
      kDefaultServerUser, kDefaultServerPassword);
  return connection;
}

// The daemon's own store step: each record and its ledger row, `batch`
// records to a transaction.
Cost BatchRound(Connection& connection, int first, int count, int batch) {
  return Measure([&] {
    std::vector<PreparedRecord> records;
    for (int i = first; i < first + count; ++i) {
      PreparedRecord record;
      record.call = Record(i);
      record.spool.name = "batch" + std::to_string(i) + ".lok";
      records.push_back(std::move(record));
      if (static_cast<int>(records.size()) == batch || i + 1 == first + count) {
        CommitRecords(records, i, &connection);
        records.clear();
      }
    }
  });
}

// BATCHSIZE 1 against BATCHSIZE 100 with durable commits, rounds alternating.
int RunBatches(int records, int round_size) {
  auto server = StartServer(true);
  if (!server) return 1;
  CodePage code_page;
  OdbcConnectionFactory factory(code_page);
  auto connection = OpenOdbc(factory, *server);
  BatchRound(*connection, 0, 200, 1);
  Cost one, hundred;
  for (int r = 0; r < records / round_size; ++r) {
    const int first = 1000 + 2 * r * round_size;
    one += BatchRound(*connection, first, round_size, 1);
    hundred += BatchRound(*connection, first + round_size, round_size, 100);
  }
  const int measured = round_size * (records / round_size);
  printf("| BATCHSIZE 1 | %d | %.0f |\n| BATCHSIZE 100 | %d | %.0f |\nspeed-up: %.1f\n", measured,
         measured / one.wall, measured, measured / hundred.wall, one.wall / hundred.wall);
  connection->Close();
  return 0;
}

bool Ok(PGresult* result, ExecStatusType want) {
  bool ok = PQresultStatus(result) == want;
  if (!ok) fprintf(stderr, "libpq: %s", PQresultErrorMessage(result));
  PQclear(result);
  return ok;
}

Cost LibpqRound(PGconn* conn, const CodePage& code_page, int first, int count) {
  return Measure([&] {
    for (int i = first; i < first + count; ++i) {
      UpdateCall call = Record(i);
      std::string utf8[16];
      const char* values[16];
      for (int v = 0; v < 16; ++v) {
        utf8[v] = code_page.ToUtf8(call.values[v]);
        values[v] = utf8[v].c_str();
      }
      if (!Ok(PQexec(conn, "BEGIN"), PGRES_COMMAND_OK) ||
          !Ok(PQexecPrepared(conn, "update", 16, values, nullptr, nullptr, 0), PGRES_TUPLES_OK) ||
          !Ok(PQexec(conn, "COMMIT"), PGRES_COMMAND_OK)) {
        exit(1);
      }
    }
  });
}

int Run(int records, int round_size, bool durable) {
  auto server = StartServer(durable);
  if (!server) return 1;
  CodePage code_page;
  OdbcConnectionFactory factory(code_page);
  auto connection = OpenOdbc(factory, *server);
  std::string conninfo = "host=127.0.0.1 port=" + std::to_string(server->port()) +
                         " dbname=vexadb00000 user=vexauser password=lumirakasteb";
  PGconn* conn = PQconnectdb(conninfo.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    fprintf(stderr, "libpq: %s", PQerrorMessage(conn));
    return 1;
  }
  std::string call = "SELECT vexa_updateTable($1";
  for (int v = 2; v <= 16; ++v) call += ", $" + std::to_string(v);
  call += ")";
  if (!Ok(PQprepare(conn, "update", call.c_str(), 16, nullptr), PGRES_COMMAND_OK)) return 1;

  // Warm both paths up before measuring.
  OdbcRound(*connection, 0, 200);
  LibpqRound(conn, code_page, 0, 200);
  int rounds = records / round_size;
  Cost odbc, libpq;
  std::vector<double> ratios;  // per round: how the two fared under the same load
  for (int r = 0; r < rounds; ++r) {
    int first = r * round_size;
    Cost odbc_round, libpq_round;
    if (r % 2 == 0) odbc_round = OdbcRound(*connection, first, round_size);
    libpq_round = LibpqRound(conn, code_page, first, round_size);
    if (r % 2 == 1) odbc_round = OdbcRound(*connection, first, round_size);
    odbc += odbc_round;
    libpq += libpq_round;
    ratios.push_back(libpq_round.wall / odbc_round.wall);
  }
  std::sort(ratios.begin(), ratios.end());
  int measured = round_size * rounds;
  std::string stored = server->Psql("SELECT count(*) FROM vexa_records");
  double odbc_rate = measured / odbc.wall, libpq_rate = measured / libpq.wall;
  printf("| %s | %d | %.0f | %.0f | %.2f | %.2f | %.1f | %.1f |\n",
         durable ? "fsync on" : "fsync off", measured, odbc_rate, libpq_rate,
         odbc_rate / libpq_rate, ratios[ratios.size() / 2], odbc.cpu * 1e6 / measured,
         libpq.cpu * 1e6 / measured);
  if (stored != std::to_string(2 * measured + 400)) {
    fprintf(stderr, "stored %s rows, expected %d\n", stored.c_str(), 2 * measured + 400);
    return 1;
  }
  PQfinish(conn);
  connection->Close();
  return 0;
}

}  // namespace
}  // namespace vexa

int main(int argc, char** argv) {
  int records = argc > 1 ? atoi(argv[1]) : 20000;
  int round_size = argc > 2 ? atoi(argv[2]) : 500;
  vexa::testing::UseTestOdbcInstIni();
  printf(
      "| server | records each | ODBC records/s | libpq records/s | ODBC / libpq | median "
      "of round ratios | ODBC client CPU us/record | libpq client CPU us/record |\n");
  printf("|---|---|---|---|---|---|---|---|\n");
  fflush(stdout);
  int status = vexa::Run(records, round_size, false);
  fflush(stdout);
  if (status == 0) status = vexa::Run(records, round_size, true);
  fflush(stdout);
  if (status != 0) return status;
  printf("\n| store step, durable | records | records/s |\n|---|---|---|\n");
  return vexa::RunBatches(records / 2, round_size);
}
