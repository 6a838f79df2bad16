#include "DatabaseApp.h"

#include <algorithm>
#include <cstdlib>

#include "RegAccess.h"
#include "SettingsKeys.h"

namespace vexa {

constexpr long kMaxBatchSize = 10000;

void CDatabaseApp::Run() {
  if (hooks_.refresh_exclusions) hooks_.refresh_exclusions();
  settings_ = ReadAppSettings(env_);
  // The mode is fixed for the life of the process.
  const int mode = settings_.mode;
  while (CDatabaseAppUpdate(mode) == 0 && !env_.StopRequested()) {
    env_.clock->SleepMs(kDriverPauseMs);
    if (env_.StopRequested()) break;
  }
  if (m_pConnection) m_pConnection.reset();
}

AppSettings ReadAppSettings(const Env& env) {
  AppSettings settings;
  CRegAccess reg(*env.settings);
  reg.SetKey(keys::kConfig);
  reg.ReadValue("SQL", settings.sql);
  reg.ReadValue("SQLSERVER", settings.sql_server);
  reg.ReadValue("SQLDB", settings.sql_db);
  reg.ReadValue("SQLTABLE", settings.sql_table);
  std::string driver;
  if (reg.ReadValue("SQLDRIVER", driver) == 0 && !driver.empty()) settings.sql_driver = driver;
  std::string share_root;
  if (reg.ReadValue("SHAREROOT", share_root) == 0 && !share_root.empty()) settings.share_root = share_root;
  std::string batch;
  if (reg.ReadValue("BATCHSIZE", batch) == 0) {
    const long size = std::strtol(batch.c_str(), nullptr, 10);
    settings.batch_size = size > 1 ? static_cast<size_t>(std::min(size, kMaxBatchSize)) : 1;
  }
  std::string credentials;
  if (reg.ReadValue("SQLCREDENTIALS", credentials) == 0 && !credentials.empty()) {
    std::string error;
    if (!ReadCredentialsFile(credentials, &settings.user, &settings.password, &error)) {
      env.log->Error("vexaDB: the credentials file " + credentials + " is not used: " + error);
    }
  }
  DecideDatabaseMode(settings);
  return settings;
}

}  // namespace vexa
