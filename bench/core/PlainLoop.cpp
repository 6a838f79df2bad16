#include "PlainLoop.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "SpoolFile.h"

namespace vexa::bench {
namespace {

void Check(sqlite3* db, int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

std::string ReadSchema() {
  std::ifstream in(VEXA_SQLITE_SCHEMA);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> ListSpool(const std::string& spool) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(spool.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const size_t length = std::strlen(entry->d_name);
    if (entry->d_type != DT_DIR && length >= 4 &&
        strcasecmp(entry->d_name + length - 4, ".lok") == 0) {
      names.emplace_back(entry->d_name, length);
    }
  }
  ::closedir(dir);
  return names;
}

// The first line of the file, CR LF taken as LF; false when the file is
// too short or cannot be read.
bool ReadFirstLine(const std::string& path, std::string* line, struct stat* st) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  char buffer[4096];
  long n = -1;
  if (::fstat(fd, st) == 0 && st->st_size >= 50) n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (n < 0) return false;
  const char* end = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<size_t>(n)));
  size_t length = end ? static_cast<size_t>(end - buffer) : static_cast<size_t>(n);
  if (length > 0 && buffer[length - 1] == '\r') --length;
  line->assign(buffer, length);
  return true;
}

}  // namespace

RunResult RunPlainLoop(const std::string& install_dir, bool with_ledger) {
  RunResult result;
  const double start = Now();
  double database = 0;
  const std::string table_value = install_dir + "/vexa.log";

  double mark = Now();
  sqlite3* db = nullptr;
  Check(db,
        sqlite3_open_v2((install_dir + "/storedprocdbc.dbc").c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr));
  sqlite3_busy_timeout(db, 5000);
  Check(db, sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr));
  Check(db, sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr));
  Check(db, sqlite3_exec(db, ReadSchema().c_str(), nullptr, nullptr, nullptr));
  sqlite3_stmt* insert = nullptr;
  Check(db, sqlite3_prepare_v3(
                db, "INSERT INTO vexa_updateTable VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                SQLITE_PREPARE_PERSISTENT, &insert, nullptr));
  sqlite3_stmt* ledger_find = nullptr;
  sqlite3_stmt* ledger_add = nullptr;
  if (with_ledger) {
    Check(db, sqlite3_prepare_v3(
                  db,
                  "SELECT 1 FROM vexa_spool_ledger WHERE name=? AND size=? AND modified=? AND "
                  "line_hash=?",
                  -1, SQLITE_PREPARE_PERSISTENT, &ledger_find, nullptr));
    Check(db, sqlite3_prepare_v3(db, "INSERT OR IGNORE INTO vexa_spool_ledger VALUES (?,?,?,?,?)",
                                 -1, SQLITE_PREPARE_PERSISTENT, &ledger_add, nullptr));
  }
  database += Now() - mark;

  const std::string spool = install_dir + "/TmpLog";
  std::string line;
  for (const std::string& name : ListSpool(spool)) {
    const std::string path = spool + "/" + name;
    struct stat st;
    if (!ReadFirstLine(path, &line, &st)) continue;
    // The line's fields, in the order the trigger takes them.
    std::array<std::string_view, 15> fields;
    fields.fill(" ");
    size_t from = 0;
    for (size_t i = 0; i < fields.size() && from <= line.size(); ++i) {
      size_t to = line.find('\x01', from);
      if (to == std::string::npos) to = line.size();
      fields[i] = std::string_view(line).substr(from, to - from);
      from = to + 1;
    }

    mark = Now();
    const auto bind_identity = [&](sqlite3_stmt* stmt) {
      sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int64(stmt, 2, st.st_size);
      sqlite3_bind_int64(stmt, 3, st.st_mtime);
      sqlite3_bind_int64(stmt, 4, static_cast<sqlite3_int64>(HashSpoolLine(line)));
    };
    if (with_ledger) {
      bind_identity(ledger_find);
      Check(db, sqlite3_step(ledger_find));
      sqlite3_reset(ledger_find);
    }
    Check(db, sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    sqlite3_bind_text(insert, 1, table_value.data(), static_cast<int>(table_value.size()),
                      SQLITE_TRANSIENT);
    for (size_t i = 0; i < fields.size(); ++i) {
      sqlite3_bind_text(insert, static_cast<int>(i + 2), fields[i].data(),
                        static_cast<int>(fields[i].size()), SQLITE_TRANSIENT);
    }
    Check(db, sqlite3_step(insert));
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
    if (with_ledger) {
      bind_identity(ledger_add);
      sqlite3_bind_int64(ledger_add, 5, static_cast<sqlite3_int64>(::time(nullptr)));
      Check(db, sqlite3_step(ledger_add));
      sqlite3_reset(ledger_add);
    }
    Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    database += Now() - mark;

    ::unlink(path.c_str());
    ++result.records;
  }
  sqlite3_finalize(insert);
  sqlite3_finalize(ledger_find);
  sqlite3_finalize(ledger_add);
  sqlite3_close_v2(db);
  result.seconds = Now() - start;
  result.database_seconds = database;
  return result;
}

}  // namespace vexa::bench
