#include "UpdateRoutine.h"

#include "Companions.h"
#include "EventLogWriter.h"
#include "RegAccess.h"
#include "SettingsKeys.h"

namespace vexa {

int UpdateRoutine::CDatabaseAppUpdate(int mode) {
  CRegAccess reg(*env_.settings);
  std::string install_dir;
  reg.SetKey("Software\\Dovra Software, Inc.\\Dovra Vexa\\Snp");
  if (reg.ReadValue("DIRECTORY", install_dir) != 0) {
    env_.log->Error("Dovra Vexa [vexaDB::CDatabaseAppUpdate()]: Registry Read of DIRECTORY unsuccessful");
    WriteEventLog(*env_.log, "CDatabaseAppFox(): Registry Read of DIRECTORY unsuccessful");
    return 0;
  }
  IntakeSettings intake;
  intake.mode = mode;
  intake.install_dir = install_dir;
  intake.spool_directory = install_dir + "/TmpLog";
  const ConnectionParameters parameters = BuildConnectionParameters(mode, settings_, install_dir);
  intake.table_value = parameters.table_value;
  intake.batch_size = settings_.batch_size;

  std::string enable;
  reg.SetKey(keys::kSecur);
  if (reg.ReadValue("ENABLE", enable) != 0) {
    WriteEventLog(*env_.log, "CDatabaseAppUpdate(): Registry Read of ENABLE unsuccessful");
    return 0;
  }
  if (reg.ReadValue("DNSDISABLE", intake.dns_disable) != 0) intake.dns_disable = "0";

  intake_state_.status.mode = mode;
  CompanionTimers timers;
  SpoolIntake spool_intake(env_, hooks_.record, intake_state_, [this] { Publish(); });
  while (enable == "1" && !env_.StopRequested()) {
    // Let go of the database while the product asks for it.
    reg.SetKey(keys::kSnp);
    std::string letgo;
    for (reg.ReadValue("LETGO", letgo); letgo == "1" && !env_.StopRequested(); reg.ReadValue("LETGO", letgo)) {
      DropConnection(connection_);
      intake_state_.status.connected = false;
      intake_state_.status.letting_go = true;
      Publish();
      env_.clock->SleepMs(kLetGoPollMs);
    }
    intake_state_.status.letting_go = false;
    if (env_.StopRequested()) break;

    if (!OpenConnection(mode, parameters)) return 0;
    env_.clock->SleepMs(kCyclePauseMs);
    if (cycle_counter_++ > kRefreshAfterCycles) {
      cycle_counter_ = 0;
      if (hooks_.refresh_exclusions) hooks_.refresh_exclusions();
    }

    const IntakeResult result = spool_intake.ProcessSpoolFiles(intake, connection_);
    Publish();
    if (result == IntakeResult::kDatabaseFailed) return 0;
    if (result == IntakeResult::kStopped) break;

    LaunchCompanions(env_, mode, timers, reg, install_dir, [this] { DropConnection(connection_); });

    reg.SetKey(keys::kSecur);
    if (reg.ReadValue("ENABLE", enable) != 0) {
      WriteEventLog(*env_.log, "CDatabaseAppUpdate(): Registry Read of ENABLE flag not successful");
    }
  }
  DropConnection(connection_);
  intake_state_.status.connected = false;
  Publish();
  return 1;
}

bool UpdateRoutine::OpenConnection(int mode, const ConnectionParameters& p) {
  try {
    if (!connection_) connection_ = env_.connections->Create(mode);
    if (!connection_) throw DatabaseError(DatabaseError::Kind::kConnection, "E_POINTER", "no connection object");
    if (connection_->State() == 0) {
      connection_->Open(p.connection_string, p.user, p.password);
      connection_->LedgerPrune(env_.clock->NowSeconds() - kLedgerKeepSeconds);
    }
    intake_state_.status.connected = true;
    return true;
  } catch (const DatabaseError& error) {
    intake_state_.status.last_database_error = error.sqlstate() + ": " + error.what();
    DropConnection(connection_);
    intake_state_.status.connected = false;
    Publish();
    env_.clock->SleepMs(kDatabaseFailureSleepMs);
    return false;
  }
}

void UpdateRoutine::Publish() {
  if (hooks_.publish_status) hooks_.publish_status(intake_state_.status);
}

}  // namespace vexa
