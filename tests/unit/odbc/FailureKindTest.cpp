#include <gtest/gtest.h>

#include "FailureKind.h"

namespace vexa {
namespace {

TEST(FailureKindTest, RecordErrorsAreTheValuesFaultEverythingElseTheConnections) {
  using Kind = DatabaseError::Kind;
  struct Case {
    const char* sqlstate;
    long native;
    Kind kind;
  } cases[] = {
      {"22001", 0, Kind::kRecord},         // string data right truncation
      {"22P02", 0, Kind::kRecord},         // invalid text representation
      {"23505", 0, Kind::kRecord},         // unique violation
      {"23000", 2627, Kind::kRecord},      // SQL Server key violation
      {"P0001", 0, Kind::kRecord},         // RAISE EXCEPTION
      {"40002", 0, Kind::kRecord},         // constraint at commit
      {"42000", 50000, Kind::kRecord},     // RAISERROR in the procedure
      {"42000", 2812, Kind::kConnection},  // procedure missing
      {"42883", 0, Kind::kConnection},     // function missing
      {"42501", 0, Kind::kConnection},     // permission denied
      {"08S01", 0, Kind::kConnection},     // communication link failure
      {"08001", 0, Kind::kConnection},
      {"57P01", 0, Kind::kConnection},  // administrator shutdown
      {"40001", 0, Kind::kConnection},  // serialization failure: try again
      {"40P01", 0, Kind::kConnection},  // deadlock: try again
      {"HY000", 0, Kind::kConnection},  // "server closed the connection"
      {"HYT00", 0, Kind::kConnection},
      {"IM002", 0, Kind::kConnection},
      {"", 0, Kind::kConnection},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyOdbcFailure(c.sqlstate, c.native), c.kind) << c.sqlstate << " " << c.native;
  }
}

}  // namespace
}  // namespace vexa
