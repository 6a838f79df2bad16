#include "OdbcDiagnostics.h"

#include <sqlext.h>

#include <string>

#include "FailureKind.h"

namespace vexa {
namespace {

// Driver messages span lines and end in blanks; status lines and
// quarantine reasons want one line.
void AppendOneLine(std::string* out, std::string_view text) {
  bool blank = false;
  size_t start = out->size();
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= ' ') {
      blank = out->size() > start;
      continue;
    }
    if (blank) *out += ' ';
    blank = false;
    *out += c;
  }
}

}  // namespace

DatabaseError OdbcError(SQLSMALLINT handle_type, SQLHANDLE handle, std::string_view action,
                        bool connecting) {
  std::string sqlstate;
  SQLINTEGER first_native = 0;
  std::string message;
  for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[1024] = {};
    SQLSMALLINT text_length = 0;
    SQLRETURN rc =
        SQLGetDiagRec(handle_type, handle, record, state, &native, text, sizeof text, &text_length);
    if (!SQL_SUCCEEDED(rc)) break;
    std::string_view this_state = reinterpret_cast<char*>(state);
    // Warnings (01) only explain; a lost connection (08) explains everything.
    bool better = sqlstate.empty() ||
                  (sqlstate.starts_with("01") && !this_state.starts_with("01")) ||
                  (this_state.starts_with("08") && !sqlstate.starts_with("08"));
    if (better) {
      sqlstate = this_state;
      first_native = native;
    }
    if (record > 1) message += " | ";
    AppendOneLine(&message, reinterpret_cast<char*>(text));
  }
  if (sqlstate.empty()) sqlstate = "HY000";
  if (message.empty()) message = std::string(action) + " failed";
  DatabaseError::Kind kind =
      connecting ? DatabaseError::Kind::kConnection : ClassifyOdbcFailure(sqlstate, first_native);
  return DatabaseError(kind, sqlstate, message);
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, std::string_view action,
               bool connecting) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  throw OdbcError(handle_type, handle, action, connecting);
}

}  // namespace vexa
