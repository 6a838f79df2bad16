#pragma once
// The update routine: one call reads the install directory and switches,
// then runs update cycles while ENABLE is "1": honour LETGO, make sure the
// connection is open, pause, reload the exclusion lists every 152nd cycle,
// take in the spool files, start the companion programs when due.
#include <functional>
#include <memory>

#include "ConnectionParameters.h"
#include "Env.h"
#include "SpoolIntake.h"

namespace vexa {

inline constexpr int64_t kCyclePauseMs = 1000;
inline constexpr int64_t kLetGoPollMs = 5000;
inline constexpr unsigned kRefreshAfterCycles = 150;

struct RoutineHooks {
  RecordHooks record;
  std::function<void()> refresh_exclusions;
  // Called whenever the status changes in a way worth publishing.
  std::function<void(const DaemonStatus&)> publish_status;
};

class UpdateRoutine {
 public:
  UpdateRoutine(const Env& env, const AppSettings& settings, const RoutineHooks& hooks,
                std::unique_ptr<Connection>& connection)
      : env_(env), settings_(settings), hooks_(hooks), connection_(connection) {}

  // 1: ENABLE is not "1" (or a stop was requested), the run has ended;
  // 0: call again after a pause.
  int CDatabaseAppUpdate(int mode);

  const DaemonStatus& status() const { return intake_state_.status; }

 private:
  void Publish();
  bool OpenConnection(int mode, const ConnectionParameters& parameters);

  const Env& env_;
  const AppSettings& settings_;
  const RoutineHooks& hooks_;
  std::unique_ptr<Connection>& connection_;  // the application's m_pConnection
  unsigned cycle_counter_ = 0;              // counted over the process
  IntakeState intake_state_;
};

}  // namespace vexa
