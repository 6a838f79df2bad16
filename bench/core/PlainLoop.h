#pragma once
// The yardstick: a plain loop doing only the intake's file work (list,
// open, stat, read the first line, close, unlink) and the same SQLite
// insert-and-commit through the vexa_updateTable trigger, one transaction
// per record, WAL with synchronous=FULL.
#include <sqlite3.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "SpoolBacklog.h"

namespace vexa::bench {

class PlainLoop {
 public:
  // Opens the database and creates the schema. `with_ledger` adds the
  // daemon's ledger statements: the look-up before the transaction and the
  // insert inside it.
  PlainLoop(const std::string& install_dir, bool with_ledger);
  ~PlainLoop();
  PlainLoop(const PlainLoop&) = delete;
  PlainLoop& operator=(const PlainLoop&) = delete;

  // Takes in up to `limit` more records (the first call lists the spool
  // folder); false once the backlog is done.
  bool Step(size_t limit);
  // Closes the database; the figures of the whole run.
  RunResult Finish();

 private:
  void Store(const std::string& name, const std::string& line, const struct stat& st);

  std::string spool_;
  std::string table_value_;
  bool with_ledger_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  sqlite3_stmt* ledger_find_ = nullptr;
  sqlite3_stmt* ledger_add_ = nullptr;
  bool listed_ = false;
  std::vector<std::string> names_;
  size_t next_ = 0;
  RunResult result_;
};

// The whole backlog in one go.
RunResult RunPlainLoop(const std::string& install_dir, bool with_ledger);

}  // namespace vexa::bench
