#pragma once
// Database seam: the one connection the update routine holds, as wide as
// the operations it calls, and the factory that creates it.
#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace vexa {

// Every failing database operation raises this one error type.
class DatabaseError : public std::runtime_error {
 public:
  enum class Kind {
    kConnection,  // lost or refused connection: drop it and start over
    kRecord,      // the database rejected this record (constraint, trigger, data)
  };
  DatabaseError(Kind kind, std::string sqlstate, const std::string& message)
      : std::runtime_error(message), kind_(kind), sqlstate_(std::move(sqlstate)) {}
  Kind kind() const { return kind_; }
  const std::string& sqlstate() const { return sqlstate_; }

 private:
  Kind kind_;
  std::string sqlstate_;
};

// One call of vexa_updateTable: the statement text as the system builds it
// (for logs and dry runs) and the sixteen values that are bound to it.
struct UpdateCall {
  std::string statement;
  std::array<std::string, 16> values;
};

// The identity of a spool file whose record was committed.
struct SpoolIdentity {
  std::string name;
  uint64_t size = 0;
  int64_t modified_seconds = 0;
  uint64_t line_hash = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;
  virtual int State() = 0;  // 0: closed
  virtual void Open(const std::string& connection_string, const std::string& user,
                    const std::string& password) = 0;
  virtual void BeginTrans() = 0;
  virtual void Execute(const UpdateCall& call) = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  virtual void Close() = 0;

  // The ledger of committed spool files, written in the record's own
  // transaction. A backend without a ledger answers false and records nothing.
  virtual bool LedgerContains(const SpoolIdentity& spool) = 0;
  virtual void LedgerAdd(const SpoolIdentity& spool, int64_t now_seconds) = 0;
  virtual void LedgerPrune(int64_t older_than_seconds) = 0;
};

class ConnectionFactory {
 public:
  virtual ~ConnectionFactory() = default;
  // Null when no connection object can be created.
  virtual std::unique_ptr<Connection> Create(int database_mode) = 0;
};

}  // namespace vexa
