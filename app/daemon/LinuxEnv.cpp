#include "LinuxEnv.h"

#include <cstdlib>

#include "OdbcConnection.h"
#include "RegAccess.h"
#include "ResolverSettings.h"
#include "SettingsKeys.h"

namespace vexa {

DatabaseBackends::DatabaseBackends(const CodePage& code_page, EventLog& log)
    : embedded_(code_page), server_(std::make_unique<OdbcConnectionFactory>(code_page, &log)) {}

DatabaseBackends::~DatabaseBackends() = default;

std::unique_ptr<Connection> DatabaseBackends::Create(int database_mode) {
  return database_mode == 1 ? server_->Create(database_mode) : embedded_.Create(database_mode);
}

unsigned ReadAnsiCodePage(Settings& settings) {
  CRegAccess reg(settings);
  reg.SetKey(keys::kCodePage);
  std::string acp;
  if (reg.ReadValue("ACP", acp) != 0) return CodePage::kWestern;
  const unsigned id = static_cast<unsigned>(std::strtoul(acp.c_str(), nullptr, 10));
  return CodePage::IsSupported(id) ? id : CodePage::kWestern;
}

LinuxEnv::LinuxEnv(const std::string& registry_root, const std::atomic<bool>* stop)
    : settings(registry_root), code_page(ReadAnsiCodePage(settings)), clock_(stop) {
  resolver_ = MakeResolverFromSettings(settings);
  connections_ = std::make_unique<DatabaseBackends>(code_page, log_);
  env.settings = &settings;
  env.log = &log_;
  env.files = &files_;
  env.clock = &clock_;
  env.launcher = &launcher_;
  env.resolver = resolver_.get();
  env.connections = connections_.get();
  env.code_page = &code_page;
  env.stop_requested = stop;
}

void LinuxEnv::LoadUuidGenerator() {
  uuid_ = std::make_unique<LibUuidSource>(&log_);
  env.uuid = uuid_.get();
}

}  // namespace vexa
