#include "SqliteConnection.h"

#include <sqlite3.h>

#include <cstring>

namespace vexa {
namespace {

constexpr const char* kSchema =
#include "schema.inc"
    ;

// A constraint or a trigger's RAISE is the database rejecting this record;
// everything else means the connection cannot go on.
DatabaseError ErrorFrom(sqlite3* db, int rc, const char* what) {
  const int primary = rc & 0xFF;
  const auto kind = primary == SQLITE_CONSTRAINT || primary == SQLITE_MISMATCH || primary == SQLITE_TOOBIG
                        ? DatabaseError::Kind::kRecord
                        : DatabaseError::Kind::kConnection;
  std::string message = std::string(what) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  return DatabaseError(kind, "SQLITE_" + std::to_string(rc), message);
}

class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }
  void Prepare(sqlite3* db, const char* sql) {
    const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) throw ErrorFrom(db, rc, "prepare");
  }
  sqlite3_stmt* get() const { return stmt_; }
  void Finalize() {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class SqliteConnection : public Connection {
 public:
  explicit SqliteConnection(const CodePage& code_page) : code_page_(code_page) {}
  ~SqliteConnection() override { Close(); }

  int State() override { return db_ ? 1 : 0; }

  void Open(const std::string& connection_string, const std::string&, const std::string&) override {
    const std::string path = DataSourceOf(connection_string);
    if (path.empty()) throw DatabaseError(DatabaseError::Kind::kConnection, "SQLITE_CANTOPEN", "no Data Source");
    const int rc = sqlite3_open_v2(path.c_str(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      DatabaseError error = ErrorFrom(db_, rc, "open");
      Close();
      throw error;
    }
    sqlite3_busy_timeout(db_, 5000);
    try {
      Exec("PRAGMA journal_mode=WAL");
      Exec("PRAGMA synchronous=FULL");
      Exec(kSchema);
      insert_.Prepare(db_, "INSERT INTO vexa_updateTable VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
      ledger_find_.Prepare(db_,
                           "SELECT 1 FROM vexa_spool_ledger WHERE name=? AND size=? AND modified=? AND line_hash=?");
      ledger_add_.Prepare(db_, "INSERT OR IGNORE INTO vexa_spool_ledger VALUES (?,?,?,?,?)");
      begin_.Prepare(db_, "BEGIN IMMEDIATE");
      commit_.Prepare(db_, "COMMIT");
    } catch (...) {
      Close();
      throw;
    }
  }

  // Prepared once: every record runs both.
  void BeginTrans() override {
    Require();
    Step(begin_, "begin");
  }
  void CommitTrans() override {
    Require();
    Step(commit_, "commit");
  }
  void RollbackTrans() override {
    if (db_ && !sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  }

  void Execute(const UpdateCall& call) override {
    Require();
    for (size_t i = 0; i < call.values.size(); ++i) {
      BindText(insert_, static_cast<int>(i + 1), code_page_.ToUtf8(call.values[i]));
    }
    Step(insert_, "execute");
  }

  void Close() override {
    insert_.Finalize();
    ledger_find_.Finalize();
    ledger_add_.Finalize();
    begin_.Finalize();
    commit_.Finalize();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
  }

  bool LedgerContains(const SpoolIdentity& spool) override {
    Require();
    BindIdentity(ledger_find_, spool);
    const int rc = sqlite3_step(ledger_find_.get());
    ledger_find_.Reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw ErrorFrom(db_, rc, "ledger");
    return rc == SQLITE_ROW;
  }

  void LedgerAdd(const SpoolIdentity& spool, int64_t now_seconds) override {
    Require();
    BindIdentity(ledger_add_, spool);
    sqlite3_bind_int64(ledger_add_.get(), 5, now_seconds);
    Step(ledger_add_, "ledger");
  }

  void LedgerPrune(int64_t older_than_seconds) override {
    Require();
    Statement prune;
    prune.Prepare(db_, "DELETE FROM vexa_spool_ledger WHERE stored_at < ?");
    sqlite3_bind_int64(prune.get(), 1, older_than_seconds);
    Step(prune, "ledger prune");
  }

 private:
  void Require() {
    if (!db_) throw DatabaseError(DatabaseError::Kind::kConnection, "SQLITE_MISUSE", "connection not open");
  }
  void Exec(const char* sql) {
    Require();
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
      std::string text = message ? message : sqlite3_errstr(rc);
      sqlite3_free(message);
      throw DatabaseError((rc & 0xFF) == SQLITE_CONSTRAINT ? DatabaseError::Kind::kRecord
                                                           : DatabaseError::Kind::kConnection,
                          "SQLITE_" + std::to_string(rc), text);
    }
  }
  void Step(Statement& stmt, const char* what) {
    const int rc = sqlite3_step(stmt.get());
    stmt.Reset();
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) throw ErrorFrom(db_, sqlite3_extended_errcode(db_), what);
  }
  static void BindText(Statement& stmt, int index, const std::string& text) {
    sqlite3_bind_text(stmt.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  static void BindIdentity(Statement& stmt, const SpoolIdentity& spool) {
    BindText(stmt, 1, spool.name);
    sqlite3_bind_int64(stmt.get(), 2, static_cast<sqlite3_int64>(spool.size));
    sqlite3_bind_int64(stmt.get(), 3, spool.modified_seconds);
    sqlite3_bind_int64(stmt.get(), 4, static_cast<sqlite3_int64>(spool.line_hash));
  }

  const CodePage& code_page_;
  sqlite3* db_ = nullptr;
  Statement insert_, ledger_find_, ledger_add_, begin_, commit_;
};

}  // namespace

std::string DataSourceOf(const std::string& connection_string) {
  size_t pos = 0;
  while (pos < connection_string.size()) {
    size_t end = connection_string.find(';', pos);
    if (end == std::string::npos) end = connection_string.size();
    const std::string part = connection_string.substr(pos, end - pos);
    const size_t eq = part.find('=');
    if (eq != std::string::npos) {
      std::string key = part.substr(0, eq);
      while (!key.empty() && key.back() == ' ') key.pop_back();
      if (strcasecmp(key.c_str(), "Data Source") == 0) return part.substr(eq + 1);
    }
    pos = end + 1;
  }
  return {};
}

std::unique_ptr<Connection> SqliteConnectionFactory::Create(int) {
  return std::make_unique<SqliteConnection>(code_page_);
}

}  // namespace vexa
