#pragma once
// One cycle's intake: every waiting spool file is read, parsed, has its
// content file placed, and is stored or dropped; a spool file leaves the
// folder only once its record is committed or excluded, or when it holds
// nothing to store.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "Connection.h"
#include "Env.h"
#include "StoreLogRecord.h"

namespace vexa {

// What the daemon keeps of its run, for `vexaDB status`.
struct DaemonStatus {
  int mode = 0;
  bool connected = false;
  bool letting_go = false;
  uint64_t waiting = 0;
  uint64_t stored = 0;
  uint64_t excluded = 0;
  uint64_t rejected = 0;
  std::string last_database_error;
};

// Process-wide state of the intake, kept across cycles and calls.
struct IntakeState {
  std::map<std::string, int> rejections;      // spool name -> rejections in a row
  std::set<std::string> content_reported;     // spool names whose content could not be moved
  DaemonStatus status;
};

// What one call of the update routine fixes for its cycles.
struct IntakeSettings {
  int mode = 0;
  std::string install_dir;
  std::string spool_directory;  // <install dir>/TmpLog
  std::string table_value;
  std::string dns_disable;
  size_t batch_size = 1;  // records per transaction
};

inline constexpr int kRejectionsBeforeQuarantine = 3;
inline constexpr int64_t kDatabaseFailureSleepMs = 5000;
inline constexpr size_t kProgressThreshold = 1000;
inline constexpr int64_t kProgressIntervalMs = 5000;
inline constexpr int64_t kLedgerKeepSeconds = 30 * 24 * 3600;

enum class IntakeResult {
  kDone,            // every listed spool file was dealt with
  kDatabaseFailed,  // the connection was dropped after 5 s: the update routine returns 0
  kStopped,         // a stop was requested; the record in hand was finished
};

class SpoolIntake {
 public:
  // `publish` is called every 5 s of a long intake, so the published
  // status follows it.
  SpoolIntake(const Env& env, const RecordHooks& hooks, IntakeState& state, std::function<void()> publish = {})
      : env_(env), hooks_(hooks), state_(state), publish_(std::move(publish)) {}

  IntakeResult ProcessSpoolFiles(const IntakeSettings& settings, std::unique_ptr<Connection>& connection);

 private:
  enum class FileResult { kNext, kDatabaseFailed };
  FileResult TakeSpoolFile(const IntakeSettings& settings, const std::string& name,
                           std::unique_ptr<Connection>& connection, std::vector<PreparedRecord>& batch);
  // Commits the queued records in one transaction; a batch the database
  // refuses is tried again record by record.
  FileResult CommitBatch(const IntakeSettings& settings, std::vector<PreparedRecord>& batch,
                         std::unique_ptr<Connection>& connection);
  FileResult OnDatabaseError(const DatabaseError& error, const IntakeSettings& settings,
                             const std::string& name, std::unique_ptr<Connection>& connection);
  void DiscardSpoolFile(const IntakeSettings& settings, const std::string& name);
  void Quarantine(const IntakeSettings& settings, const std::string& name, const DatabaseError& error);
  void ReportProgress(size_t done, size_t total, int64_t started_ms, int64_t& last_report_ms);

  const Env& env_;
  const RecordHooks& hooks_;
  IntakeState& state_;
  std::function<void()> publish_;
};

// Rolls back the open transaction; a failure is swallowed.
void RollBack(std::unique_ptr<Connection>& connection);

// Drops the connection: closes it (a failure is swallowed) and releases it.
void DropConnection(std::unique_ptr<Connection>& connection);

}  // namespace vexa
