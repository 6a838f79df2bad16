#pragma once
// In-memory database: records every operation, keeps committed calls and
// the ledger, and fails operations on request. Fault kinds: "create",
// "open", "begin", "execute", "commit", "rollback", "close" (connection
// errors), and `reject` for records the database refuses by itself.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "Connection.h"
#include "FaultPlan.h"

namespace vexa::fakes {

struct FakeDatabase {
  std::vector<std::string> operations;    // "Open", "BeginTrans", ... in order
  std::vector<UpdateCall> committed;      // calls of committed transactions
  std::set<std::tuple<std::string, uint64_t, int64_t, uint64_t>> ledger;
  std::string opened_with;                // connection string of the last Open
  std::string user, password;
  FaultPlan faults;
  std::function<bool(const UpdateCall&)> reject;  // true: a record error
  int open_connections = 0;
};

class FakeConnection : public Connection {
 public:
  explicit FakeConnection(FakeDatabase* db) : db_(db) {}
  ~FakeConnection() override;
  int State() override { return open_ ? 1 : 0; }
  void Open(const std::string& connection_string, const std::string& user,
            const std::string& password) override;
  void BeginTrans() override;
  void Execute(const UpdateCall& call) override;
  void CommitTrans() override;
  void RollbackTrans() override;
  void Close() override;
  bool LedgerContains(const SpoolIdentity& spool) override;
  void LedgerAdd(const SpoolIdentity& spool, int64_t now_seconds) override;
  void LedgerPrune(int64_t) override { db_->operations.push_back("LedgerPrune"); }

 private:
  void Step(const char* name, const char* fault);
  static auto Key(const SpoolIdentity& s) { return std::make_tuple(s.name, s.size, s.modified_seconds, s.line_hash); }
  FakeDatabase* db_;
  bool open_ = false;
  std::vector<UpdateCall> pending_;
  std::vector<SpoolIdentity> pending_ledger_;
};

class FakeConnectionFactory : public ConnectionFactory {
 public:
  explicit FakeConnectionFactory(FakeDatabase* db) : db_(db) {}
  std::unique_ptr<Connection> Create(int mode) override {
    last_mode = mode;
    db_->operations.push_back("Create");
    if (db_->faults.ShouldFail("create")) return nullptr;
    return std::make_unique<FakeConnection>(db_);
  }
  int last_mode = -1;

 private:
  FakeDatabase* db_;
};

}  // namespace vexa::fakes
