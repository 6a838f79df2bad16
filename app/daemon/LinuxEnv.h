#pragma once
// The production environment: the Linux implementation of every seam.
#include <atomic>
#include <memory>
#include <string>

#include "CaresResolver.h"
#include "CodePage.h"
#include "Env.h"
#include "LibUuidSource.h"
#include "PosixFileSystem.h"
#include "PosixProcessLauncher.h"
#include "SettingsStore.h"
#include "SqliteConnection.h"
#include "SyslogEventLog.h"
#include "SystemClock.h"

namespace vexa {

// The two database backends, chosen by the database mode.
class DatabaseBackends : public ConnectionFactory {
 public:
  DatabaseBackends(const CodePage& code_page, EventLog& log);
  ~DatabaseBackends() override;
  std::unique_ptr<Connection> Create(int database_mode) override;

 private:
  SqliteConnectionFactory embedded_;
  std::unique_ptr<ConnectionFactory> server_;
};

class LinuxEnv {
 public:
  LinuxEnv(const std::string& registry_root, const std::atomic<bool>* stop);

  // The UUID generator is chosen after the single-instance guard.
  void LoadUuidGenerator();

  Env env;
  SettingsStore settings;
  CodePage code_page;

 private:
  SyslogEventLog log_;
  PosixFileSystem files_;
  SystemClock clock_;
  PosixProcessLauncher launcher_;
  std::unique_ptr<Resolver> resolver_;
  std::unique_ptr<LibUuidSource> uuid_;
  std::unique_ptr<DatabaseBackends> connections_;
};

// The ANSI code page the registry names (ACP), 1252 when unset or unknown.
unsigned ReadAnsiCodePage(Settings& settings);

}  // namespace vexa
