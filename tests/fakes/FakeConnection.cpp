#include "FakeConnection.h"

namespace vexa::fakes {

FakeConnection::~FakeConnection() {
  if (open_) --db_->open_connections;
}

void FakeConnection::Step(const char* name, const char* fault) {
  db_->operations.push_back(name);
  if (db_->faults.ShouldFail(fault)) {
    throw DatabaseError(DatabaseError::Kind::kConnection, "08S01", std::string(name) + " failed");
  }
}

void FakeConnection::Open(const std::string& connection_string, const std::string& user,
                          const std::string& password) {
  Step("Open", "open");
  db_->opened_with = connection_string;
  db_->user = user;
  db_->password = password;
  open_ = true;
  ++db_->open_connections;
}

void FakeConnection::BeginTrans() {
  Step("BeginTrans", "begin");
  pending_.clear();
  pending_ledger_.clear();
}

void FakeConnection::Execute(const UpdateCall& call) {
  Step("Execute", "execute");
  if (db_->reject && db_->reject(call)) {
    throw DatabaseError(DatabaseError::Kind::kRecord, "23000", "record rejected");
  }
  pending_.push_back(call);
}

void FakeConnection::CommitTrans() {
  Step("CommitTrans", "commit");
  for (auto& call : pending_) db_->committed.push_back(call);
  for (auto& spool : pending_ledger_) db_->ledger.insert(Key(spool));
  pending_.clear();
  pending_ledger_.clear();
}

void FakeConnection::RollbackTrans() {
  pending_.clear();
  pending_ledger_.clear();
  Step("RollbackTrans", "rollback");
}

void FakeConnection::Close() {
  if (open_) --db_->open_connections;
  open_ = false;
  Step("Close", "close");
}

bool FakeConnection::LedgerContains(const SpoolIdentity& spool) {
  return db_->ledger.count(Key(spool)) != 0;
}

void FakeConnection::LedgerAdd(const SpoolIdentity& spool, int64_t) { pending_ledger_.push_back(spool); }

}  // namespace vexa::fakes
