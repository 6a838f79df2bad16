#include "StoreLogRecord.h"

#include "UpdateStatement.h"

namespace vexa {

bool SecureSiteNamingOn(std::string_view dns_disable) { return dns_disable.empty() || dns_disable == "0"; }

UpdateCall PrepareUpdateCall(LogRecord& record, const StoreRequest& request, const RecordHooks& hooks,
                             const CodePage& code_page) {
  if (SecureSiteNamingOn(request.dns_disable) && hooks.append_secure_site_name) {
    hooks.append_secure_site_name(record.url);
  }
  CleanApostrophes(record, code_page);
  return BuildUpdateCall(request.table_value, record);
}

void CommitRecords(const std::vector<PreparedRecord>& records, int64_t now_seconds, Connection* connection) {
  if (connection == nullptr) {
    throw DatabaseError(DatabaseError::Kind::kConnection, "E_POINTER", "no connection object");
  }
  connection->BeginTrans();
  for (const PreparedRecord& record : records) {
    connection->Execute(record.call);
    connection->LedgerAdd(record.spool, now_seconds);
  }
  connection->CommitTrans();
}

StoreOutcome StoreLogRecord(LogRecord& record, const StoreRequest& request, const RecordHooks& hooks,
                            const CodePage& code_page, std::vector<PreparedRecord>& batch) {
  if (hooks.is_excluded && hooks.is_excluded(record, nullptr) == 1) return StoreOutcome::kExcluded;
  PreparedRecord prepared;
  prepared.call = PrepareUpdateCall(record, request, hooks, code_page);
  prepared.spool = *request.spool;
  batch.push_back(std::move(prepared));
  return StoreOutcome::kQueued;
}

}  // namespace vexa
