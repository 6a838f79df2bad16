#pragma once
// Which kind of database failure an ODBC diagnostic stands for.
#include <string_view>

#include "Connection.h"

namespace vexa {

// kRecord for what the database says about the values of this one call:
// data exceptions (22), constraint violations (23, 27, 44, 40002), errors
// raised by the procedure (P0, and a SQL Server user error: 42000 with a
// native number of 50000 or more). Everything else is kConnection, so the
// caller drops the connection and tries the record again later: a lost or
// refused connection (08, 57, 53, 58, 28, 3D, IM, HYT, and the general
// HY000 under which drivers report "server closed the connection"), a
// transient serialization failure or deadlock (40001, 40P01), and a
// statement the database cannot run at all (42: a missing procedure or
// permission), which would otherwise send every record to quarantine.
DatabaseError::Kind ClassifyOdbcFailure(std::string_view sqlstate, long native_error);

}  // namespace vexa
