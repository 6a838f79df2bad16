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

StoreOutcome StoreLogRecord(LogRecord& record, const StoreRequest& request, const RecordHooks& hooks,
                            const CodePage& code_page, Connection* connection) {
  if (hooks.is_excluded && hooks.is_excluded(record, nullptr) == 1) return StoreOutcome::kExcluded;
  const UpdateCall call = PrepareUpdateCall(record, request, hooks, code_page);
  if (connection == nullptr) {
    throw DatabaseError(DatabaseError::Kind::kConnection, "E_POINTER", "no connection object");
  }
  connection->BeginTrans();
  connection->Execute(call);
  if (request.spool) connection->LedgerAdd(*request.spool, request.now_seconds);
  connection->CommitTrans();
  return StoreOutcome::kStored;
}

}  // namespace vexa
