#include "PgServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace vexa::testing {
namespace fs = std::filesystem;
namespace {

std::string NewestPostgresBin() {
  std::string best;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    fs::path bin = entry.path() / "bin";
    if (fs::exists(bin / "initdb") && bin.string() > best) best = bin.string();
  }
  return best;
}

}  // namespace

int FreeLocalPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

namespace {

std::string Run(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  chmod(path.c_str(), 0644);
}

std::string SourceFile(const std::string& relative) {
  return std::string(VEXA_SOURCE_DIR) + "/" + relative;
}

}  // namespace

std::string PgServer::AsOwner(const std::string& command) const {
  return as_postgres_ ? "runuser -u postgres -- " + command : command;
}

std::unique_ptr<PgServer> PgServer::Start(const Options& options, std::string* error) {
  std::unique_ptr<PgServer> server(new PgServer);
  server->bin_ = NewestPostgresBin();
  if (server->bin_.empty()) {
    *error = "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb)";
    return nullptr;
  }
  char dir[] = "/tmp/vexa-pg-XXXXXX";
  if (!mkdtemp(dir)) {
    *error = "mkdtemp failed";
    return nullptr;
  }
  server->dir_ = dir;
  server->durable_ = options.durable;
  if (geteuid() == 0) {
    passwd* pw = getpwnam("postgres");
    if (!pw || chown(dir, pw->pw_uid, pw->pw_gid) != 0) {
      *error = "no user postgres to run the server as";
      return nullptr;
    }
    server->as_postgres_ = true;
  }
  int status = 0;
  std::string out = Run(server->AsOwner(server->bin_ + "/initdb -D " + server->dir_ +
                                        "/data -U postgres -A trust -E UTF8 --locale=C "
                                        "--no-sync"),
                        &status);
  if (status != 0) {
    *error = "initdb failed: " + out;
    return nullptr;
  }
  // The superuser comes in without a password; vexauser must log in.
  WriteFile(server->dir_ + "/data/pg_hba.conf",
            "local all all trust\n"
            "host all postgres 127.0.0.1/32 trust\n"
            "host all all 127.0.0.1/32 scram-sha-256\n");
  server->port_ = FreeLocalPort();
  if (!server->Launch(error)) return nullptr;

  std::string setup =
      server->Psql("CREATE ROLE vexauser LOGIN PASSWORD 'lumirakasteb'", "postgres");
  setup += server->Psql("CREATE DATABASE vexadb00000 OWNER vexauser", "postgres");
  std::vector<std::string> scripts = {"deploy/sql/postgresql/records.sql"};
  if (options.ledger) scripts.push_back("deploy/sql/postgresql/ledger.sql");
  for (const std::string& script : scripts) {
    std::ifstream in(SourceFile(script));
    std::stringstream text;
    text << "SET ROLE vexauser;\n" << in.rdbuf();
    setup += server->Psql(text.str());
  }
  if (setup.find("ERROR") != std::string::npos) {
    *error = "schema setup failed: " + setup;
    return nullptr;
  }
  return server;
}

bool PgServer::Launch(std::string* error) {
  std::string options = "-p " + std::to_string(port_) + " -k " + dir_ +
                        " -c listen_addresses=127.0.0.1" + (durable_ ? "" : " -c fsync=off");
  int status = 0;
  std::string out = Run(AsOwner(bin_ + "/pg_ctl -D " + dir_ + "/data -l " + dir_ +
                                "/server.log -w -t 60 -o '" + options + "' start"),
                        &status);
  if (status != 0) {
    *error = "pg_ctl start failed: " + out;
    return false;
  }
  std::ifstream pid_file(dir_ + "/data/postmaster.pid");
  pid_file >> pid_;
  if (pid_ <= 0) {
    *error = "no postmaster.pid";
    return false;
  }
  return true;
}

void PgServer::Stop(const char* mode) {
  if (pid_ <= 0) return;
  int status = 0;
  Run(AsOwner(bin_ + "/pg_ctl -D " + dir_ + "/data -w -t 60 -m " + mode + " stop"), &status);
  if (status != 0) kill(pid_, SIGQUIT);
  pid_ = 0;
}

bool PgServer::Restart(std::string* error) { return Launch(error); }

PgServer::~PgServer() {
  Stop();
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

std::string PgServer::Psql(const std::string& sql, const std::string& database) const {
  char path[] = "/tmp/vexa-pg-sql-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return "ERROR: mkstemp";
  close(fd);
  WriteFile(path, sql);
  int status = 0;
  std::string out = Run("psql -X -q -At -v ON_ERROR_STOP=1 -h " + dir_ + " -p " +
                            std::to_string(port_) + " -U postgres -d " + database + " -f " + path,
                        &status);
  unlink(path);
  if (status != 0) return "ERROR: " + out;
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string UseTestOdbcInstIni() {
  char dir[] = "/tmp/vexa-odbcini-XXXXXX";
  if (!mkdtemp(dir)) return "";
  std::ifstream in(SourceFile("deploy/odbcinst.ini"));
  std::stringstream text;
  text << in.rdbuf();
  WriteFile(std::string(dir) + "/odbcinst.ini", text.str());
  WriteFile(std::string(dir) + "/odbc.ini", "");
  setenv("ODBCSYSINI", dir, 1);
  setenv("ODBCINI", (std::string(dir) + "/odbc.ini").c_str(), 1);
  return dir;
}

}  // namespace vexa::testing
