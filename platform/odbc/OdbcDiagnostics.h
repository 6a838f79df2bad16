#pragma once
// Turns the diagnostics an ODBC handle holds into the seam's error type.
#include <sql.h>

#include <string_view>

#include "Connection.h"

namespace vexa {

// The SQLSTATE of the first record that is not a warning, or of the first
// that tells of a lost connection (08), and every record's message (joined
// by " | ");
// `action` when the handle holds none. While connecting every failure is
// a connection failure; afterwards ClassifyOdbcFailure decides.
DatabaseError OdbcError(SQLSMALLINT handle_type, SQLHANDLE handle, std::string_view action,
                        bool connecting = false);

// Throws OdbcError unless `rc` is a success (or "no data", which a
// statement that touched no rows answers).
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, std::string_view action,
               bool connecting = false);

}  // namespace vexa
