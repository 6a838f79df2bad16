#pragma once
// A PostgreSQL server of its own for a test or benchmark: a new cluster in
// a temporary directory, listening on 127.0.0.1 at a free port (and on a
// Unix socket in the same directory), with the role vexauser, the database
// vexadb00000 and the schema from deploy/sql. Run as the "postgres" user
// when started by root. Stopped by its PID and removed at the end.
#include <sys/types.h>

#include <memory>
#include <string>

namespace vexa::testing {

class PgServer {
 public:
  struct Options {
    bool ledger = true;    // load deploy/sql/postgresql/ledger.sql
    bool durable = false;  // fsync on (benchmarks); tests run without
  };
  // Null with a reason in `error` when PostgreSQL is missing or fails.
  static std::unique_ptr<PgServer> Start(const Options& options, std::string* error);
  static std::unique_ptr<PgServer> Start(std::string* error) { return Start(Options{}, error); }
  ~PgServer();

  // pg_ctl stop with the given mode ("immediate": as if the server died).
  void Stop(const char* mode = "immediate");
  // Starts the stopped cluster again on the same port.
  bool Restart(std::string* error);
  bool running() const { return pid_ > 0; }

  int port() const { return port_; }
  const std::string& socket_dir() const { return dir_; }
  // Runs SQL as the superuser in `database` and returns psql's unaligned
  // output (-At), or "ERROR: ..." when psql fails.
  std::string Psql(const std::string& sql, const std::string& database = "vexadb00000") const;
  // What the daemon puts after "SERVER=" to reach this server.
  std::string ServerSetting() const { return "127.0.0.1;Port=" + std::to_string(port_); }

 private:
  PgServer() = default;
  bool Launch(std::string* error);
  // A shell command run as the cluster's owner.
  std::string AsOwner(const std::string& command) const;

  std::string bin_;  // PostgreSQL's bin directory
  std::string dir_;  // temporary directory: data/, log, socket
  bool as_postgres_ = false;
  bool durable_ = false;
  int port_ = 0;
  pid_t pid_ = 0;
};

// A TCP port on 127.0.0.1 that was free a moment ago (nobody listens on it).
int FreeLocalPort();

// Points unixODBC at a private odbcinst.ini (ODBCSYSINI), a copy of
// deploy/odbcinst.ini; call before the first ODBC call of the process.
// Returns the directory, which the caller removes.
std::string UseTestOdbcInstIni();

}  // namespace vexa::testing
