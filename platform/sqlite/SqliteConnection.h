#pragma once
// The embedded database: one SQLite file, created with its schema on first
// use. vexa_updateTable is a view whose INSTEAD OF INSERT trigger writes the
// records table, so the procedure's body lives in the database where an
// admin can change it. WAL with synchronous=FULL: a commit is on disk
// before the caller goes on.
#include <memory>
#include <string>

#include "CodePage.h"
#include "Connection.h"

namespace vexa {

// The file named by "Data Source =" (or "Data Source=") in a connection
// string; empty when there is none.
std::string DataSourceOf(const std::string& connection_string);

class SqliteConnectionFactory : public ConnectionFactory {
 public:
  explicit SqliteConnectionFactory(const CodePage& code_page) : code_page_(code_page) {}
  std::unique_ptr<Connection> Create(int database_mode) override;

 private:
  const CodePage& code_page_;
};

}  // namespace vexa
