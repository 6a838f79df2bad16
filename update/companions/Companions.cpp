#include "Companions.h"

#include <ctime>

#include "EventLogWriter.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

constexpr int kEmbeddedMode = 0;
constexpr int kArchiveHour = 1;

// Reads DIRECTORY, makes its bin folder the current directory (which the
// child inherits; a failure is ignored), and starts bin/<program> there.
bool StartCompanion(const Env& env, CRegAccess& reg, std::string& install_dir,
                    const char* program) {
  reg.SetKey(keys::kSnp);
  reg.ReadValue("DIRECTORY", install_dir);
  env.launcher->SetCurrentDirectory(install_dir + "/bin");
  std::string command;
  reg.ReadValue("DIRECTORY", command);
  command.append("/bin/").append(program);
  int error = 0;
  return env.launcher->Start(command, &error);
}

}  // namespace

void LaunchCompanions(const Env& env, int mode, CompanionTimers& timers, CRegAccess& reg,
                      std::string& install_dir, const std::function<void()>& drop_connection) {
  std::string archive_on;
  reg.SetKey(keys::kSnp);
  if (reg.ReadValue("ARCHIVEON", archive_on) != CRegAccess::kOk) {
    WriteEventLog(*env.log, "CDataBaseAppUpdate(): Registry Read of ARCHIVEON unsuccessful");
  }

  const int64_t now = env.clock->NowSeconds();
  if (now > timers.last_scheduler_start + kSchedulerIntervalSeconds) {
    if (!StartCompanion(env, reg, install_dir, "vexaSch.exe")) {
      WriteEventLog(*env.log, "CDataBaseAppUpdate: VexaSch Process NOT Started; Error = [errno]");
    }
    timers.last_scheduler_start = now;
  }

  if (mode != kEmbeddedMode || archive_on != "1") return;
  std::tm local{};
  if (!env.clock->LocalTime(env.clock->NowSeconds(), &local) || local.tm_hour != kArchiveHour) {
    return;
  }
  if (local.tm_mday == timers.last_archive_day) return;
  drop_connection();
  if (!StartCompanion(env, reg, install_dir, "vexaArc.exe")) {
    WriteEventLog(*env.log, "CDataBaseAppUpdate: Archive Process NOT Started; Error = [errno]");
  }
  timers.last_archive_day = local.tm_mday;
}

}  // namespace vexa
