#include "OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <functional>
#include <string>

#include "ConnectionString.h"
#include "OdbcDiagnostics.h"

namespace vexa {
namespace {

constexpr char kUpdateCall[] =
    "{call vexa_updateTable(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)}";
constexpr char kLedgerTable[] = "vexa_ledger";
constexpr char kLedgerContains[] =
    "SELECT 1 FROM vexa_ledger WHERE spool_name = ? AND spool_size = ? AND modified = ? "
    "AND line_hash = ?";
constexpr char kLedgerAdd[] =
    "INSERT INTO vexa_ledger (spool_name, spool_size, modified, line_hash, committed) "
    "VALUES (?, ?, ?, ?, ?)";
constexpr char kLedgerPrune[] = "DELETE FROM vexa_ledger WHERE committed < ?";

// The login timeout ADO gives a connection.
constexpr SQLULEN kLoginTimeoutSeconds = 15;
// Longer texts go out as long (max) values, which SQL Server requires above
// 4000 characters.
constexpr size_t kLongTextChars = 4000;
// Room that parameter buffers start with, so that most values fit the
// buffer that is already bound.
constexpr size_t kTypicalTextChars = 512;

SQLCHAR* Sql(const char* text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)); }

// A text parameter whose buffer stays bound from one execution to the next;
// it is bound again only when the buffer moves or the value becomes long.
struct TextParameter {
  std::u16string text;
  SQLLEN length = 0;
  const char16_t* bound_data = nullptr;
  SQLULEN bound_column_size = 0;
};

void BindText(SQLHSTMT stmt, SQLUSMALLINT index, TextParameter* p, std::u16string_view value) {
  p->text.reserve(kTypicalTextChars);
  p->text.assign(value);  // keeps the buffer when it is large enough
  p->length = static_cast<SQLLEN>(p->text.size() * sizeof(char16_t));
  bool is_long = p->text.size() > kLongTextChars;
  SQLULEN column_size = is_long ? p->text.size() : kLongTextChars;
  if (p->text.data() == p->bound_data && column_size <= p->bound_column_size &&
      (column_size > kLongTextChars) == (p->bound_column_size > kLongTextChars)) {
    return;
  }
  SQLSMALLINT type = is_long ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
  CheckOdbc(
      SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_WCHAR, type, column_size, 0,
                       p->text.data(), static_cast<SQLLEN>(p->text.capacity() * 2), &p->length),
      SQL_HANDLE_STMT, stmt, "SQLBindParameter");
  p->bound_data = p->text.data();
  p->bound_column_size = column_size;
}

void BindInt64(SQLHSTMT stmt, SQLUSMALLINT index, SQLBIGINT* value) {
  CheckOdbc(SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, value,
                             0, nullptr),
            SQL_HANDLE_STMT, stmt, "SQLBindParameter");
}

// Reads past every result the statement produced, so that an error a
// procedure raises after its first result is not lost, then closes the
// cursor for the next execution.
void FinishResults(SQLHSTMT stmt, const char* action) {
  SQLRETURN rc;
  while ((rc = SQLMoreResults(stmt)) != SQL_NO_DATA) {
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt, action);
  }
  SQLFreeStmt(stmt, SQL_CLOSE);
}

class OdbcConnection : public Connection {
 public:
  OdbcConnection(const CodePage& code_page, OdbcConnectionFactory::LedgerNotice* notice)
      : code_page_(code_page), notice_(notice) {}
  ~OdbcConnection() override { Close(); }
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  int State() override { return connected_ ? 1 : 0; }
  void Open(const std::string& connection_string, const std::string& user,
            const std::string& password) override;
  void BeginTrans() override;
  void Execute(const UpdateCall& call) override;
  void CommitTrans() override;
  void RollbackTrans() override;
  void Close() override;
  bool LedgerContains(const SpoolIdentity& spool) override;
  void LedgerAdd(const SpoolIdentity& spool, int64_t now_seconds) override;
  void LedgerPrune(int64_t older_than_seconds) override;

 private:
  void RequireOpen(const char* action) const;
  SQLHSTMT Prepared(SQLHSTMT* slot, const char* sql);
  void EndTransaction(SQLSMALLINT completion, const char* action);
  void SetAutocommit(bool on, const char* action);
  // Runs a ledger statement. Outside a record's transaction it runs in
  // autocommit: it leaves no transaction open between records and costs no
  // BEGIN and COMMIT of its own.
  bool RunLedgerStatement(const char* action, const std::function<bool()>& statement);
  bool FindLedgerTable();
  void BindSpool(SQLHSTMT stmt, TextParameter* name, const SpoolIdentity& spool);

  const CodePage& code_page_;
  OdbcConnectionFactory::LedgerNotice* notice_;
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLHSTMT update_ = SQL_NULL_HSTMT;
  SQLHSTMT ledger_contains_ = SQL_NULL_HSTMT;
  SQLHSTMT ledger_add_ = SQL_NULL_HSTMT;
  SQLHSTMT ledger_prune_ = SQL_NULL_HSTMT;
  bool connected_ = false;
  bool in_transaction_ = false;
  bool has_ledger_ = false;

  // Parameter buffers: bound by address, so they live with the statements.
  std::array<TextParameter, 16> values_;
  TextParameter contains_name_, add_name_;
  std::array<SQLBIGINT, 4> spool_numbers_{};  // size, modified, line hash, commit time
};

void OdbcConnection::Open(const std::string& connection_string, const std::string& user,
                          const std::string& password) {
  if (env_ != SQL_NULL_HENV) {
    throw DatabaseError(DatabaseError::Kind::kConnection, "08002", "the connection is open");
  }
  try {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
      env_ = SQL_NULL_HENV;
      throw DatabaseError(DatabaseError::Kind::kConnection, "HY001",
                          "no ODBC environment (unixODBC)");
    }
    CheckOdbc(
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, env_, "SQLSetEnvAttr", true);
    CheckOdbc(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_HANDLE_ENV, env_, "SQLAllocHandle",
              true);
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
    std::u16string text =
        code_page_.ToUtf16(PrepareOdbcConnectionString(connection_string, user, password));
    CheckOdbc(SQLDriverConnectW(dbc_, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, dbc_, "SQLDriverConnect", true);
    connected_ = true;
    SetAutocommit(false, "SQLSetConnectAttr(AUTOCOMMIT)");
    has_ledger_ = FindLedgerTable();
  } catch (const DatabaseError& error) {
    Close();
    throw DatabaseError(DatabaseError::Kind::kConnection, error.sqlstate(), error.what());
  }
  if (!has_ledger_ && notice_ && !notice_->given && notice_->log) {
    notice_->given = true;
    notice_->log->ReportInformation(
        "The database has no table vexa_ledger: records are stored without the ledger of "
        "committed spool files");
  }
}

bool OdbcConnection::FindLedgerTable() {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  CheckOdbc(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_HANDLE_DBC, dbc_, "SQLAllocHandle",
            true);
  SQLRETURN rc =
      SQLTables(stmt, nullptr, 0, nullptr, 0, Sql(kLedgerTable), SQL_NTS, Sql("TABLE"), SQL_NTS);
  bool found = false;
  if (SQL_SUCCEEDED(rc)) {
    found = SQL_SUCCEEDED(SQLFetch(stmt));
  } else {
    DatabaseError error = OdbcError(SQL_HANDLE_STMT, stmt, "SQLTables", true);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw error;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  // The catalog query began a transaction of its own.
  EndTransaction(SQL_ROLLBACK, "SQLEndTran");
  return found;
}

void OdbcConnection::RequireOpen(const char* action) const {
  if (!connected_) {
    throw DatabaseError(DatabaseError::Kind::kConnection, "08003",
                        std::string(action) + ": the connection is not open");
  }
}

SQLHSTMT OdbcConnection::Prepared(SQLHSTMT* slot, const char* sql) {
  if (*slot != SQL_NULL_HSTMT) return *slot;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  CheckOdbc(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_HANDLE_DBC, dbc_, "SQLAllocHandle");
  SQLRETURN rc = SQLPrepare(stmt, Sql(sql), SQL_NTS);
  if (!SQL_SUCCEEDED(rc)) {
    DatabaseError error = OdbcError(SQL_HANDLE_STMT, stmt, "SQLPrepare");
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw error;
  }
  *slot = stmt;
  return stmt;
}

void OdbcConnection::EndTransaction(SQLSMALLINT completion, const char* action) {
  in_transaction_ = false;
  CheckOdbc(SQLEndTran(SQL_HANDLE_DBC, dbc_, completion), SQL_HANDLE_DBC, dbc_, action);
}

void OdbcConnection::BeginTrans() {
  RequireOpen("BeginTrans");
  // With autocommit off the driver begins the transaction with the first
  // statement; nothing needs to go to the server now.
  in_transaction_ = true;
}

void OdbcConnection::Execute(const UpdateCall& call) {
  RequireOpen("Execute");
  SQLHSTMT stmt = Prepared(&update_, kUpdateCall);
  for (size_t i = 0; i < values_.size(); ++i) {
    BindText(stmt, static_cast<SQLUSMALLINT>(i + 1), &values_[i],
             code_page_.ToUtf16(call.values[i]));
  }
  CheckOdbc(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "Execute");
  FinishResults(stmt, "Execute");
}

void OdbcConnection::CommitTrans() {
  RequireOpen("CommitTrans");
  EndTransaction(SQL_COMMIT, "CommitTrans");
}

void OdbcConnection::RollbackTrans() {
  RequireOpen("RollbackTrans");
  EndTransaction(SQL_ROLLBACK, "RollbackTrans");
}

void OdbcConnection::Close() {
  for (SQLHSTMT* stmt : {&update_, &ledger_contains_, &ledger_add_, &ledger_prune_}) {
    if (*stmt != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, *stmt);
    *stmt = SQL_NULL_HSTMT;
  }
  if (connected_) {
    // Disconnecting inside a transaction is refused; what is not committed
    // is undone.
    SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
    connected_ = false;
  }
  if (dbc_ != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  dbc_ = SQL_NULL_HDBC;
  if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  env_ = SQL_NULL_HENV;
  in_transaction_ = false;
  has_ledger_ = false;
  // New statements start unbound.
  for (TextParameter& p : values_) p.bound_data = nullptr;
  contains_name_.bound_data = add_name_.bound_data = nullptr;
}

void OdbcConnection::BindSpool(SQLHSTMT stmt, TextParameter* name, const SpoolIdentity& spool) {
  BindText(stmt, 1, name, code_page_.ToUtf16(spool.name));
  spool_numbers_[0] = static_cast<SQLBIGINT>(spool.size);
  spool_numbers_[1] = spool.modified_seconds;
  // The hash keeps its 64 bits in a signed column.
  spool_numbers_[2] = static_cast<SQLBIGINT>(spool.line_hash);
  for (SQLUSMALLINT i = 0; i < 3; ++i) BindInt64(stmt, i + 2, &spool_numbers_[i]);
}

void OdbcConnection::SetAutocommit(bool on, const char* action) {
  SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
  CheckOdbc(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0),
            SQL_HANDLE_DBC, dbc_, action);
}

bool OdbcConnection::RunLedgerStatement(const char* action,
                                        const std::function<bool()>& statement) {
  if (in_transaction_) return statement();
  SetAutocommit(true, action);
  bool result;
  try {
    result = statement();
  } catch (const DatabaseError&) {
    // A connection left in autocommit would store records and their ledger
    // rows apart: when it cannot go back, it is closed.
    if (!SQL_SUCCEEDED(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0))) {
      Close();
    }
    throw;
  }
  try {
    SetAutocommit(false, action);
  } catch (const DatabaseError& error) {
    Close();
    throw DatabaseError(DatabaseError::Kind::kConnection, error.sqlstate(), error.what());
  }
  return result;
}

bool OdbcConnection::LedgerContains(const SpoolIdentity& spool) {
  RequireOpen("LedgerContains");
  if (!has_ledger_) return false;
  return RunLedgerStatement("LedgerContains", [&] {
    SQLHSTMT stmt = Prepared(&ledger_contains_, kLedgerContains);
    BindSpool(stmt, &contains_name_, spool);
    CheckOdbc(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "LedgerContains");
    SQLRETURN rc = SQLFetch(stmt);
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "LedgerContains");
    FinishResults(stmt, "LedgerContains");
    return SQL_SUCCEEDED(rc);
  });
}

void OdbcConnection::LedgerAdd(const SpoolIdentity& spool, int64_t now_seconds) {
  RequireOpen("LedgerAdd");
  if (!has_ledger_) return;
  RunLedgerStatement("LedgerAdd", [&] {
    SQLHSTMT stmt = Prepared(&ledger_add_, kLedgerAdd);
    BindSpool(stmt, &add_name_, spool);
    spool_numbers_[3] = now_seconds;
    BindInt64(stmt, 5, &spool_numbers_[3]);
    CheckOdbc(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "LedgerAdd");
    FinishResults(stmt, "LedgerAdd");
    return true;
  });
}

void OdbcConnection::LedgerPrune(int64_t older_than_seconds) {
  RequireOpen("LedgerPrune");
  if (!has_ledger_) return;
  RunLedgerStatement("LedgerPrune", [&] {
    SQLHSTMT stmt = Prepared(&ledger_prune_, kLedgerPrune);
    spool_numbers_[3] = older_than_seconds;
    BindInt64(stmt, 1, &spool_numbers_[3]);
    CheckOdbc(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "LedgerPrune");
    FinishResults(stmt, "LedgerPrune");
    return true;
  });
}

}  // namespace

OdbcConnectionFactory::OdbcConnectionFactory(const CodePage& code_page, EventLog* log)
    : code_page_(code_page) {
  notice_.log = log;
}

std::unique_ptr<Connection> OdbcConnectionFactory::Create(int database_mode) {
  if (database_mode != 1) return nullptr;
  return std::make_unique<OdbcConnection>(code_page_, &notice_);
}

}  // namespace vexa
