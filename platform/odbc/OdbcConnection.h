#pragma once
// The server database backend: the connection seam over unixODBC. The
// record goes out as "{call vexa_updateTable(?, ...)}" with sixteen UTF-16
// parameters, prepared once per connection; transactions are explicit
// (autocommit off, SQLEndTran). Every failure raises DatabaseError with the
// first diagnostic's SQLSTATE and the driver's messages. The ledger lives in
// the table "vexa_ledger" when the database has one.
#include <memory>

#include "CodePage.h"
#include "Connection.h"
#include "EventLog.h"

namespace vexa {

class OdbcConnectionFactory : public ConnectionFactory {
 public:
  // `log`, when given, is told once when a database has no ledger table.
  explicit OdbcConnectionFactory(const CodePage& code_page, EventLog* log = nullptr);
  // A new closed connection for the server mode (1); null for other modes.
  std::unique_ptr<Connection> Create(int database_mode) override;

  // Shared by the connections of this factory.
  struct LedgerNotice {
    EventLog* log = nullptr;
    bool given = false;
  };

 private:
  const CodePage& code_page_;
  LedgerNotice notice_;
};

}  // namespace vexa
