#pragma once
// The last step for one record: the exclusion test, secure-site naming,
// apostrophe cleaning, then one transaction that calls vexa_updateTable and
// records the spool file in the ledger.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Connection.h"
#include "LogRecord.h"

namespace vexa {

// The steps of a record's road that other parts of the system supply.
struct RecordHooks {
  // 1 when the exclusion lists drop the record; `rule` names the deciding rule.
  std::function<int(const LogRecord&, std::string* rule)> is_excluded;
  // Appends the secure site's name to an https address with a numeric host.
  std::function<void(std::string& url)> append_secure_site_name;
  // Deals with the record's content file; false when the file could not be
  // placed now, so the record waits for a later cycle (`reason` says why).
  std::function<bool(LogRecord&, int mode, const std::string& install_dir, std::string* reason)> place_content;
};

struct StoreRequest {
  std::string_view table_value;
  std::string_view dns_disable;  // "0" or empty: secure-site naming on
  const SpoolIdentity* spool = nullptr;
  int64_t now_seconds = 0;
};

enum class StoreOutcome { kExcluded, kQueued };

// A prepared call and the spool file it comes from.
struct PreparedRecord {
  UpdateCall call;
  SpoolIdentity spool;
};

// True when `dns_disable` leaves secure-site naming on.
bool SecureSiteNamingOn(std::string_view dns_disable);

// Drops an excluded record, or prepares its call and queues it in `batch`,
// whose records the caller commits in one transaction (CommitRecords).
StoreOutcome StoreLogRecord(LogRecord& record, const StoreRequest& request, const RecordHooks& hooks,
                            const CodePage& code_page, std::vector<PreparedRecord>& batch);

// The call as it would be made, without the database: secure-site naming,
// cleaning, statement. For dry runs and batches.
UpdateCall PrepareUpdateCall(LogRecord& record, const StoreRequest& request, const RecordHooks& hooks,
                             const CodePage& code_page);

// One transaction: every call, each spool file into the ledger, commit. A
// DatabaseError leaves the transaction open for the caller to roll back; a
// null connection raises one.
void CommitRecords(const std::vector<PreparedRecord>& records, int64_t now_seconds, Connection* connection);

}  // namespace vexa
