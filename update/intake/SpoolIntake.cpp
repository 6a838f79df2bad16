#include "SpoolIntake.h"

#include "EventLogWriter.h"
#include "ParseLogLine.h"
#include "SpoolFile.h"

namespace vexa {

void RollBack(std::unique_ptr<Connection>& connection) {
  if (!connection) return;
  try {
    connection->RollbackTrans();
  } catch (const DatabaseError&) {
    // A connection that cannot roll back is dropped by the caller.
  }
}

void DropConnection(std::unique_ptr<Connection>& connection) {
  if (!connection) return;
  try {
    connection->Close();
  } catch (const DatabaseError&) {
    // The object is released all the same.
  }
  connection.reset();
}

IntakeResult SpoolIntake::ProcessSpoolFiles(const IntakeSettings& settings,
                                            std::unique_ptr<Connection>& connection) {
  const std::vector<std::string> names = ListSpoolFiles(*env_.files, settings.spool_directory);
  state_.status.waiting = names.size();
  const int64_t started_ms = env_.clock->NowMs();
  int64_t last_report_ms = started_ms;
  std::vector<PreparedRecord> batch;
  for (size_t i = 0; i < names.size(); ++i) {
    if (env_.StopRequested()) break;
    if (TakeSpoolFile(settings, names[i], connection, batch) == FileResult::kDatabaseFailed ||
        (batch.size() >= settings.batch_size &&
         CommitBatch(settings, batch, connection) == FileResult::kDatabaseFailed)) {
      return IntakeResult::kDatabaseFailed;
    }
    state_.status.waiting = names.size() - i - 1;
    ReportProgress(i + 1, names.size(), started_ms, last_report_ms);
  }
  // The records in hand are committed, also when a stop was requested.
  if (CommitBatch(settings, batch, connection) == FileResult::kDatabaseFailed) {
    return IntakeResult::kDatabaseFailed;
  }
  return env_.StopRequested() ? IntakeResult::kStopped : IntakeResult::kDone;
}

SpoolIntake::FileResult SpoolIntake::TakeSpoolFile(const IntakeSettings& settings, const std::string& name,
                                                   std::unique_ptr<Connection>& connection,
                                                   std::vector<PreparedRecord>& batch) {
  SpoolFile spool = ReadSpoolFile(env_, settings.spool_directory, name);
  switch (spool.state) {
    case SpoolFile::State::kLocked:
    case SpoolFile::State::kReadError:
      return FileResult::kNext;  // stays in the folder for a later cycle
    case SpoolFile::State::kTooShort:
    case SpoolFile::State::kNoText:
      DiscardSpoolFile(settings, name);
      return FileResult::kNext;
    case SpoolFile::State::kRead:
      break;
  }

  try {
    // A spool file whose record was committed before (a crash, or a failed
    // deletion, came between) is deleted without being stored again.
    if (connection && connection->LedgerContains(spool.identity)) {
      DiscardSpoolFile(settings, name);
      return FileResult::kNext;
    }
  } catch (const DatabaseError& error) {
    return OnDatabaseError(error, settings, name, connection);
  }
  LogRecord record = ParseLogLine(spool.line, spool.identity.modified_seconds, *env_.code_page, *env_.clock);
  std::string reason;
  if (hooks_.place_content && !hooks_.place_content(record, settings.mode, settings.install_dir, &reason)) {
    if (state_.content_reported.insert(name).second) WriteEventLog(*env_.log, reason);
    return FileResult::kNext;
  }
  state_.content_reported.erase(name);

  StoreRequest request;
  request.table_value = settings.table_value;
  request.dns_disable = settings.dns_disable;
  request.spool = &spool.identity;
  if (StoreLogRecord(record, request, hooks_, *env_.code_page, batch) == StoreOutcome::kExcluded) {
    ++state_.status.excluded;
    DiscardSpoolFile(settings, name);
  }
  return FileResult::kNext;
}

SpoolIntake::FileResult SpoolIntake::CommitBatch(const IntakeSettings& settings,
                                                 std::vector<PreparedRecord>& batch,
                                                 std::unique_ptr<Connection>& connection) {
  if (batch.empty()) return FileResult::kNext;
  std::vector<PreparedRecord> records;
  records.swap(batch);
  try {
    CommitRecords(records, env_.clock->NowSeconds(), connection.get());
  } catch (const DatabaseError& error) {
    if (error.kind() == DatabaseError::Kind::kRecord && records.size() > 1) {
      RollBack(connection);
      for (PreparedRecord& record : records) {
        std::vector<PreparedRecord> one{std::move(record)};
        if (CommitBatch(settings, one, connection) == FileResult::kDatabaseFailed) return FileResult::kDatabaseFailed;
      }
      return FileResult::kNext;
    }
    return OnDatabaseError(error, settings, records.front().spool.name, connection);
  }
  for (const PreparedRecord& record : records) {
    ++state_.status.stored;
    state_.rejections.erase(record.spool.name);
    DiscardSpoolFile(settings, record.spool.name);
  }
  return FileResult::kNext;
}

SpoolIntake::FileResult SpoolIntake::OnDatabaseError(const DatabaseError& error, const IntakeSettings& settings,
                                                     const std::string& name,
                                                     std::unique_ptr<Connection>& connection) {
  state_.status.last_database_error = error.sqlstate() + ": " + error.what();
  RollBack(connection);
  // A record the database refuses by itself again and again is set aside,
  // so the records behind it flow.
  if (error.kind() == DatabaseError::Kind::kRecord &&
      ++state_.rejections[name] >= kRejectionsBeforeQuarantine) {
    state_.rejections.erase(name);
    Quarantine(settings, name, error);
    return FileResult::kNext;
  }
  DropConnection(connection);
  state_.status.connected = false;
  env_.clock->SleepMs(kDatabaseFailureSleepMs);
  return FileResult::kDatabaseFailed;
}

void SpoolIntake::DiscardSpoolFile(const IntakeSettings& settings, const std::string& name) {
  // A deletion that fails leaves the file for a later cycle; the ledger
  // keeps its record from being stored twice.
  env_.files->Remove(settings.spool_directory + "/" + name);
}

void SpoolIntake::Quarantine(const IntakeSettings& settings, const std::string& name, const DatabaseError& error) {
  const std::string directory = settings.spool_directory + "/rejected";
  env_.files->MakeDirectory(directory);
  std::string target = name;
  for (int n = 1; env_.files->Move(settings.spool_directory + "/" + name, directory + "/" + target) ==
                  MoveResult::kTargetExists;
       ++n) {
    target = name + "." + std::to_string(n);
  }
  env_.files->WriteNewFile(directory + "/" + target + ".reason",
                           error.sqlstate() + ": " + error.what() + "\n");
  ++state_.status.rejected;
  WriteEventLog(*env_.log, "ProcessSpoolFiles(): record rejected by the database " +
                               std::to_string(kRejectionsBeforeQuarantine) + " times, moved to TmpLog/rejected/" +
                               target);
}

void SpoolIntake::ReportProgress(size_t done, size_t total, int64_t started_ms, int64_t& last_report_ms) {
  const int64_t now = env_.clock->NowMs();
  if (now - last_report_ms < kProgressIntervalMs) return;
  last_report_ms = now;
  if (publish_) publish_();
  if (total <= kProgressThreshold) return;
  const double seconds = static_cast<double>(now - started_ms) / 1000.0;
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  env_.log->Debug("intake: " + std::to_string(done) + " done, " + std::to_string(total - done) + " left, " +
                  std::to_string(static_cast<long>(rate)) + " files/s");
}

}  // namespace vexa
