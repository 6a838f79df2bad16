#pragma once
// The application: reads the database settings, decides the database mode
// and drives the update routine until it reports that it has finished.
#include <memory>

#include "ConnectionParameters.h"
#include "Env.h"
#include "UpdateRoutine.h"

namespace vexa {

inline constexpr int64_t kDriverPauseMs = 1000;

// The database settings under the Command\Config key, with the mode decided.
// A credentials file that cannot be used is reported on the error output.
AppSettings ReadAppSettings(const Env& env);

class CDatabaseApp {
 public:
  // `settings` is filled from the registry when the program starts.
  CDatabaseApp(const Env& env, AppSettings& settings, const RoutineHooks& hooks)
      : env_(env), hooks_(hooks), settings_(settings), routine_(env, settings, hooks, m_pConnection) {}

  // Loads the exclusion lists, reads the settings, then calls the update
  // routine, one second apart, while it asks to be called again.
  void Run();

  int CDatabaseAppUpdate(int mode) { return routine_.CDatabaseAppUpdate(mode); }
  const AppSettings& settings() const { return settings_; }

  std::unique_ptr<Connection> m_pConnection;

 private:
  const Env& env_;
  const RoutineHooks& hooks_;
  AppSettings& settings_;
  UpdateRoutine routine_;
};

}  // namespace vexa
