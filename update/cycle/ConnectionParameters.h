#pragma once
// The database settings of the process and the connection parameters an
// update call builds from them for its database mode.
#include <string>

#include "ServerLogin.h"

namespace vexa {

inline constexpr const char* kDefaultSqlDb = "vexadb00000";
inline constexpr const char* kDefaultSqlTable = "vexatab00000";

// Read once at start-up and fixed for the life of the process.
struct AppSettings {
  std::string sql, sql_server, sql_db, sql_table;
  int mode = 0;  // 1: server database, 0: embedded database
  // Server mode only: the ODBC driver name and the login.
  std::string sql_driver = kDefaultServerDriver;
  std::string user = kDefaultServerUser;
  std::string password = kDefaultServerPassword;
  // Where the server's cache shares are mounted.
  std::string share_root = "/mnt/vexa";
  // Records per transaction; 1 keeps one transaction per record.
  size_t batch_size = 1;
};

// "1" in SQL and a server name select the server database; the database and
// table names get their defaults when empty.
void DecideDatabaseMode(AppSettings& settings);

struct ConnectionParameters {
  std::string connection_string;
  std::string user;
  std::string password;
  std::string table_value;  // the first value of every call
};

ConnectionParameters BuildConnectionParameters(int mode, const AppSettings& settings,
                                               const std::string& install_dir);

}  // namespace vexa
