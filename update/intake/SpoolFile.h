#pragma once
// Finding and reading spool files: the "*.lok" files of the spool folder,
// each opened without sharing (with retries while its writer holds it),
// its size, last-write time and first text line.
#include <cstdint>
#include <string>
#include <vector>

#include "Connection.h"
#include "Env.h"

namespace vexa {

inline constexpr uint64_t kMinimumSpoolSize = 50;
inline constexpr int kOpenAttempts = 100;
inline constexpr int64_t kOpenRetryMs = 10;

// Names of the "*.lok" entries of `directory` (matched without regard to
// case, directories skipped) in listing order.
std::vector<std::string> ListSpoolFiles(FileSystem& files, const std::string& directory);

struct SpoolFile {
  enum class State {
    kRead,      // `line` holds the first line
    kLocked,    // could not be opened (or its size read): leave it for later
    kTooShort,  // under the minimum size: discard unread
    kNoText,    // no text at all: discard
    kReadError,
  };
  State state = State::kLocked;
  SpoolIdentity identity;  // name, size, last-write time, hash of the line
  std::string line;
};

// Opens, reads and closes one spool file. The file is open only here.
SpoolFile ReadSpoolFile(const Env& env, const std::string& directory, const std::string& name);

// A stable 64-bit hash (FNV-1a) of a spool line, kept in the ledger.
uint64_t HashSpoolLine(std::string_view line);

}  // namespace vexa
