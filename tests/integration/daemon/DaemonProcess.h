#pragma once
// A vexaDB process in an install directory of its own, for tests that run
// the real program: its registry, spool folder, runtime directory and
// database are below one temporary directory.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "SettingsStore.h"

namespace vexa::testing {

class DaemonInstall {
 public:
  DaemonInstall();
  ~DaemonInstall();

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path spool() const { return root_ / "TmpLog"; }
  SettingsStore& registry() { return store_; }
  void SetString(const char* key, const std::string& name, const std::string& text);

  // A spool file whose line carries `url`; written under another name and
  // renamed into place, as writers should.
  void AddSpool(const std::string& name, const std::string& url);

  // Starts `vexaDB --registry <store> [args]`; output goes to <root>/out.
  pid_t Start(const std::vector<std::string>& args = {});
  // Runs `vexaDB [args]` to its end and returns its exit status and output.
  int Run(const std::vector<std::string>& args, std::string* out);
  // Waits for `pid` for at most `limit`; -1 when it is still running.
  static int WaitFor(pid_t pid, std::chrono::milliseconds limit);
  // SIGTERM and wait; returns the exit status.
  static int Stop(pid_t pid);

  // True once a daemon started after the last call of Start has published
  // its status (after its first cycle).
  bool WaitUntilRunning(std::chrono::seconds limit) const;
  bool WaitUntilSpoolEmpty(std::chrono::seconds limit) const;
  std::vector<std::string> SpoolNames() const;
  std::vector<std::string> StoredUrls() const;  // in storing order

 private:
  std::filesystem::path root_;
  SettingsStore store_;
};

}  // namespace vexa::testing
