#include "PlainLoop.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "SpoolFile.h"

namespace vexa::bench {
namespace {

void Check(sqlite3* db, int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  Check(db, sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
  return stmt;
}

void Run(sqlite3* db, sqlite3_stmt* stmt) {
  Check(db, sqlite3_step(stmt));
  sqlite3_reset(stmt);
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

PlainLoop::PlainLoop(const std::string& install_dir, bool with_ledger)
    : spool_(install_dir + "/TmpLog"),
      table_value_(install_dir + "/vexa.log"),
      with_ledger_(with_ledger) {
  const double start = Now();
  Check(db_,
        sqlite3_open_v2((install_dir + "/storedprocdbc.dbc").c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr));
  sqlite3_busy_timeout(db_, 5000);
  Check(db_, sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr));
  Check(db_, sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr));
  Check(db_, sqlite3_exec(db_, ReadSchema().c_str(), nullptr, nullptr, nullptr));
  insert_ = Prepare(db_, "INSERT INTO vexa_updateTable VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  begin_ = Prepare(db_, "BEGIN IMMEDIATE");
  commit_ = Prepare(db_, "COMMIT");
  if (with_ledger_) {
    ledger_find_ = Prepare(
        db_,
        "SELECT 1 FROM vexa_spool_ledger WHERE name=? AND size=? AND modified=? AND line_hash=?");
    ledger_add_ = Prepare(db_, "INSERT OR IGNORE INTO vexa_spool_ledger VALUES (?,?,?,?,?)");
  }
  result_.database_seconds = Now() - start;
  result_.seconds = result_.database_seconds;
}

PlainLoop::~PlainLoop() { Finish(); }

bool PlainLoop::Step(size_t limit) {
  const double start = Now();
  if (!listed_) {
    names_ = ListSpool(spool_);
    listed_ = true;
  }
  std::string line;
  for (size_t done = 0; done < limit && next_ < names_.size(); ++done) {
    const std::string& name = names_[next_++];
    const std::string path = spool_ + "/" + name;
    struct stat st;
    if (!ReadFirstLine(path, &line, &st)) continue;
    Store(name, line, st);
    ::unlink(path.c_str());
    ++result_.records;
  }
  result_.seconds += Now() - start;
  return next_ < names_.size();
}

void PlainLoop::Store(const std::string& name, const std::string& line, const struct stat& st) {
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
  const auto bind_identity = [&](sqlite3_stmt* stmt) {
    sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 2, st.st_size);
    sqlite3_bind_int64(stmt, 3, st.st_mtime);
    sqlite3_bind_int64(stmt, 4, static_cast<sqlite3_int64>(HashSpoolLine(line)));
  };

  const double start = Now();
  if (with_ledger_) {
    bind_identity(ledger_find_);
    Run(db_, ledger_find_);
  }
  Run(db_, begin_);
  sqlite3_bind_text(insert_, 1, table_value_.data(), static_cast<int>(table_value_.size()),
                    SQLITE_TRANSIENT);
  for (size_t i = 0; i < fields.size(); ++i) {
    sqlite3_bind_text(insert_, static_cast<int>(i + 2), fields[i].data(),
                      static_cast<int>(fields[i].size()), SQLITE_TRANSIENT);
  }
  Run(db_, insert_);
  if (with_ledger_) {
    bind_identity(ledger_add_);
    sqlite3_bind_int64(ledger_add_, 5, static_cast<sqlite3_int64>(::time(nullptr)));
    Run(db_, ledger_add_);
  }
  Run(db_, commit_);
  result_.database_seconds += Now() - start;
}

RunResult PlainLoop::Finish() {
  if (db_) {
    const double start = Now();
    for (sqlite3_stmt* stmt : {insert_, begin_, commit_, ledger_find_, ledger_add_})
      sqlite3_finalize(stmt);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    const double closing = Now() - start;
    result_.seconds += closing;
    result_.database_seconds += closing;
  }
  return result_;
}

RunResult RunPlainLoop(const std::string& install_dir, bool with_ledger) {
  PlainLoop loop(install_dir, with_ledger);
  while (loop.Step(SIZE_MAX)) {
  }
  return loop.Finish();
}

}  // namespace vexa::bench
