#include "DatabaseApp.h"

#include "RegAccess.h"
#include "SettingsKeys.h"

namespace vexa {

void CDatabaseApp::Run() {
  if (hooks_.refresh_exclusions) hooks_.refresh_exclusions();
  settings_ = ReadAppSettings(*env_.settings);
  // The mode is fixed for the life of the process.
  const int mode = settings_.mode;
  while (CDatabaseAppUpdate(mode) == 0 && !env_.StopRequested()) {
    env_.clock->SleepMs(kDriverPauseMs);
    if (env_.StopRequested()) break;
  }
  if (m_pConnection) m_pConnection.reset();
}

AppSettings ReadAppSettings(Settings& store) {
  AppSettings settings;
  CRegAccess reg(store);
  reg.SetKey(keys::kConfig);
  reg.ReadValue("SQL", settings.sql);
  reg.ReadValue("SQLSERVER", settings.sql_server);
  reg.ReadValue("SQLDB", settings.sql_db);
  reg.ReadValue("SQLTABLE", settings.sql_table);
  std::string driver;
  if (reg.ReadValue("SQLDRIVER", driver) == 0 && !driver.empty()) settings.sql_driver = driver;
  std::string share_root;
  if (reg.ReadValue("SHAREROOT", share_root) == 0 && !share_root.empty()) settings.share_root = share_root;
  DecideDatabaseMode(settings);
  return settings;
}

}  // namespace vexa
