#include "DryRun.h"

#include "ConnectionParameters.h"
#include "ParseLogLine.h"
#include "RegAccess.h"
#include "SettingsKeys.h"
#include "SpoolFile.h"

namespace vexa {

int RunDryRun(const Env& env, const RecordHooks& hooks, int mode, const std::string& sql_table, std::ostream& out,
              std::ostream& err) {
  CRegAccess reg(*env.settings);
  reg.SetKey(keys::kSnp);
  std::string install_dir;
  if (reg.ReadValue("DIRECTORY", install_dir) != 0) {
    err << "vexaDB: the registry value DIRECTORY cannot be read\n";
    return 1;
  }
  std::string dns_disable;
  reg.SetKey(keys::kSecur);
  if (reg.ReadValue("DNSDISABLE", dns_disable) != 0) dns_disable = "0";

  AppSettings settings;
  settings.sql_table = sql_table;
  StoreRequest request;
  const ConnectionParameters parameters = BuildConnectionParameters(mode, settings, install_dir);
  request.table_value = parameters.table_value;
  request.dns_disable = dns_disable;

  const std::string directory = install_dir + "/TmpLog";
  for (const std::string& name : ListSpoolFiles(*env.files, directory)) {
    const SpoolFile spool = ReadSpoolFile(env, directory, name);
    out << name << '\t';
    switch (spool.state) {
      case SpoolFile::State::kLocked: out << "skipped:open elsewhere\n"; continue;
      case SpoolFile::State::kReadError: out << "skipped:read error\n"; continue;
      case SpoolFile::State::kTooShort: out << "discard:shorter than 50 bytes\n"; continue;
      case SpoolFile::State::kNoText: out << "discard:no text\n"; continue;
      case SpoolFile::State::kRead: break;
    }
    LogRecord record = ParseLogLine(spool.line, spool.identity.modified_seconds, *env.code_page, *env.clock);
    std::string rule;
    if (hooks.is_excluded && hooks.is_excluded(record, &rule) == 1) {
      out << "excluded:" << rule << '\n';
      continue;
    }
    out << PrepareUpdateCall(record, request, hooks, *env.code_page).statement << '\n';
  }
  return 0;
}

}  // namespace vexa
