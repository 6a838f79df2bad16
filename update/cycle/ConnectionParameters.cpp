#include "ConnectionParameters.h"

namespace vexa {

void DecideDatabaseMode(AppSettings& s) {
  s.mode = s.sql == "1" ? 1 : 0;
  if (s.sql_server.empty()) s.mode = 0;
  if (s.sql_db.empty()) s.sql_db = kDefaultSqlDb;
  if (s.sql_table.empty()) s.sql_table = kDefaultSqlTable;
}

ConnectionParameters BuildConnectionParameters(int mode, const AppSettings& s, const std::string& install_dir) {
  ConnectionParameters p;
  if (mode == 1) {
    p.connection_string = BuildServerConnectionString(s.sql_driver, s.sql_server, s.sql_db, s.user, s.password);
    p.user = s.user;
    p.password = s.password;
    p.table_value = s.sql_table;
  } else {
    p.connection_string = "PROVIDER=vfpoledb;Data Source =" + install_dir + "/storedprocdbc.dbc";
    p.table_value = install_dir + "/vexa.log";
  }
  return p;
}

}  // namespace vexa
