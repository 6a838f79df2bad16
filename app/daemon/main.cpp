// vexaDB: moves the monitoring product's spool records into its database.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "DatabaseApp.h"
#include "DryRun.h"
#include "InstanceLock.h"
#include "LinuxEnv.h"
#include "RecordPipeline.h"
#include "RegistryRoot.h"
#include "StatusFile.h"

namespace {

constexpr const char* kUsage =
    "Usage: vexaDB [--registry DIR] [COMMAND ...]\n"
    "\n"
    "Without a command, runs the daemon in the foreground: takes the spool files\n"
    "of <DIRECTORY>/TmpLog into the database while ENABLE is \"1\". SIGTERM or\n"
    "SIGINT end it after the record in hand.\n"
    "\n"
    "Commands:\n"
    "  dry-run                 take the spool folder as one cycle would, write and\n"
    "                          delete nothing; print NAME<TAB>STATEMENT per file\n"
    "  status                  print the state the running daemon keeps\n"
    "  check [--explain] ADDRESS [CATEGORY]\n"
    "  check [--explain] -     test addresses against the exclusion lists; '-' reads\n"
    "                          ADDRESS<TAB>CATEGORY lines from standard input\n"
    "  lint-lists              report what weakens the exclusion lists (exit 1)\n"
    "\n"
    "Options:\n"
    "  --registry DIR          the settings store (default $VEXA_REGISTRY, else\n"
    "                          /var/lib/vexa/registry)\n"
    "  --help, --version\n"
    "\n"
    "Environment: VEXA_REGISTRY, VEXA_RUNTIME_DIR (lock and status files; else\n"
    "$XDG_RUNTIME_DIR, else /run/vexa), VEXA_SYSLOG_SOCKET (default /dev/log).\n";

std::atomic<bool> g_stop{false};

void OnStopSignal(int) { g_stop.store(true); }

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a sleep ends at once
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

int RunDaemon(vexa::LinuxEnv& linux_env) {
  const vexa::Env& env = linux_env.env;
  const std::string runtime = vexa::RuntimeDirectory();
  // A second copy ends at once, silently, touching nothing.
  vexa::InstanceLock guard(runtime, "VXDatabas6Mutex.lock");
  if (!guard.held()) return 0;
  linux_env.LoadUuidGenerator();

  vexa::AppSettings settings;
  vexa::RecordPipeline pipeline(env, settings);
  const std::string status_path = vexa::StatusFilePath(runtime);
  pipeline.hooks.publish_status = [&status_path](const vexa::DaemonStatus& status) {
    vexa::WriteStatusFile(status_path, vexa::FormatStatus(status, static_cast<long>(getpid())));
  };
  vexa::CDatabaseApp app(env, settings, pipeline.hooks);
  app.Run();
  return 0;
}

int RunDryRun(vexa::LinuxEnv& linux_env) {
  const vexa::Env& env = linux_env.env;
  vexa::AppSettings settings = vexa::ReadAppSettings(env);
  vexa::RecordPipeline pipeline(env, settings);
  pipeline.hooks.refresh_exclusions();
  return vexa::RunDryRun(env, pipeline.hooks.record, settings.mode, settings.sql_table, std::cout, std::cerr);
}

int PrintStatus() {
  std::ifstream in(vexa::StatusFilePath(vexa::RuntimeDirectory()));
  if (!in) {
    std::cerr << "vexaDB: no status: the daemon has not run in " << vexa::RuntimeDirectory() << "\n";
    return 1;
  }
  std::cout << in.rdbuf();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string registry_option;
  for (size_t i = 0; i < args.size();) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (args[i] == "--version") {
      std::cout << "vexaDB " VEXA_VERSION "\n";
      return 0;
    }
    if (args[i] == "--registry" && i + 1 < args.size()) {
      registry_option = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      continue;
    }
    if (args[i].rfind("--registry=", 0) == 0) {
      registry_option = args[i].substr(11);
      args.erase(args.begin() + static_cast<long>(i));
      continue;
    }
    ++i;
  }
  const std::string command = args.empty() ? "" : args.front();
  if (!args.empty()) args.erase(args.begin());
  if (command == "status") return PrintStatus();

  InstallStopHandlers();
  vexa::LinuxEnv linux_env(vexa::ResolveRegistryRoot(registry_option), &g_stop);
  if (command.empty()) return RunDaemon(linux_env);
  if (command == "dry-run") return RunDryRun(linux_env);
  if (command == "check") return vexa::RunCheckCommand(linux_env.env, args, std::cin, std::cout, std::cerr);
  if (command == "lint-lists") return vexa::RunLintCommand(linux_env.env, args, std::cout, std::cerr);
  std::cerr << "vexaDB: unknown command '" << command << "'\n" << kUsage;
  return 2;
}
