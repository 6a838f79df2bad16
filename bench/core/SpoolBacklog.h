#pragma once
// A backlog of spool files as the monitoring components leave them, and
// the measuring helpers both sides of the benchmark share.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexa::bench {

// Writes `count` spool files into `spool_directory`, one long-layout record
// each (about 200 bytes, a CR LF line end), then flushes the file system so
// that neither side of a comparison pays for writing them back.
void WriteBacklog(const std::string& spool_directory, size_t count);

// Removes a directory tree (the install directories of the runs).
void RemoveTree(const std::string& path);

// Seconds on the monotonic clock.
double Now();

// VmRSS and VmHWM of this process, in KiB.
struct Memory {
  long rss_kib = 0;
  long peak_kib = 0;
};
Memory ProcessMemory();

// What one run measured.
struct RunResult {
  size_t records = 0;           // records committed
  double seconds = 0;           // opening the database to the last commit
  double database_seconds = 0;  // inside SQLite calls
};

}  // namespace vexa::bench
