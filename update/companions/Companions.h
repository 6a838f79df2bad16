#pragma once
// Starts the product's companion programs from the update cycle: the
// scheduler in the first complete cycle of each call of the update routine
// and then whenever more than 300 s have passed since its last start, and in
// the embedded database mode the archiver once a night in the local 01:00
// hour, after the database connection has been let go.
#include <cstdint>
#include <functional>
#include <string>

#include "Env.h"
#include "RegAccess.h"

namespace vexa {

// Per call of the update routine: both zero when the routine is entered.
struct CompanionTimers {
  int64_t last_scheduler_start = 0;  // seconds; when the scheduler last started (or failed to)
  int last_archive_day = 0;          // local day of month of the last archiver start; 0: none
};

inline constexpr int64_t kSchedulerIntervalSeconds = 300;

// Runs once at the end of every update cycle. `install_dir` receives the
// text of DIRECTORY read before each start. `drop_connection` closes and
// releases the database connection, swallowing its errors; it is called
// just before the archiver starts. `mode` is the database mode (0: the
// embedded database, the only mode with an archiver).
void LaunchCompanions(const Env& env, int mode, CompanionTimers& timers, CRegAccess& reg,
                      std::string& install_dir, const std::function<void()>& drop_connection);

}  // namespace vexa
