#pragma once
// A record's content file: moved into the database server's cache share in
// server mode, or its last-write time taken into the record in embedded
// mode; an excluded record's content file is deleted.
#include <functional>
#include <string>

#include "Env.h"
#include "LogRecord.h"

namespace vexa {

// Setting under the Command\Config key: where the cache shares are mounted.
inline constexpr const char* kShareRootSetting = "SHAREROOT";
inline constexpr const char* kDefaultShareRoot = "/mnt/vexa";

struct ContentSettings {
  int mode = 0;                                // 1 server mode, 0 embedded mode
  std::string install_dir;                     // no trailing '/'
  std::string sql_server, sql_db, sql_table;   // with their defaults applied
  std::string share_root = kDefaultShareRoot;  // empty: the default
};

enum class ContentOutcome {
  kPlaced,    // go on with the record
  kExcluded,  // the record is dropped; its content file was deleted
  kDeferred,  // the content could not be moved: keep the spool file for a later cycle
};

// Moves no more than this many times in one call; then the call defers.
inline constexpr int kMaxContentMoves = 10;

// `is_excluded` answers the exclusion test for the record's url and category.
ContentOutcome PlaceContentFile(LogRecord& record, const ContentSettings& settings, const Env& env,
                                const std::function<bool()>& is_excluded);

// The event text for a spool file whose record was deferred.
std::string ContentNotMovedMessage(const std::string& content_path);

}  // namespace vexa
