#include "FailureKind.h"

namespace vexa {

DatabaseError::Kind ClassifyOdbcFailure(std::string_view sqlstate, long native_error) {
  using Kind = DatabaseError::Kind;
  std::string_view cls = sqlstate.substr(0, 2);
  if (cls == "22" || cls == "23" || cls == "27" || cls == "44" || cls == "P0") {
    return Kind::kRecord;
  }
  if (sqlstate == "40002") return Kind::kRecord;
  if (sqlstate == "42000" && native_error >= 50000) return Kind::kRecord;
  return Kind::kConnection;
}

}  // namespace vexa
