#pragma once
// Programs that stand in for the companion programs. The probe writes what
// it found at start (working directory, arguments, open descriptors) to
// <out dir>/<its file name>.out, which the test reads; it finds the out
// dir in the environment variable VEXA_PROBE_OUT.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexa::testing {

struct ProbeReport {
  std::string cwd;
  std::string program;             // $0
  int argc = -1;                   // arguments after the program
  std::map<int, std::string> fds;  // descriptor -> what it refers to
};

// A fresh install directory under the system's temp folder, its path with
// blanks, holding bin/ and out/; VEXA_PROBE_OUT names out/. Destruction
// restores the process's current directory and removes the directory.
class ProbeInstall {
 public:
  explicit ProbeInstall(const std::string& prefix);
  ~ProbeInstall();
  ProbeInstall(const ProbeInstall&) = delete;
  ProbeInstall& operator=(const ProbeInstall&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path bin() const { return root_ / "bin"; }
  std::filesystem::path out() const { return root_ / "out"; }

 private:
  std::filesystem::path root_;
  std::filesystem::path saved_cwd_;
};

// Copies the probe program to `path`.
void InstallProbe(const std::filesystem::path& path);

// Writes a shell script that ends at once.
void WriteQuickExit(const std::filesystem::path& path);

// Waits up to `timeout` for the report of `program` in `out_dir`.
std::optional<ProbeReport> WaitForReport(const std::filesystem::path& out_dir,
                                         const std::string& program,
                                         std::chrono::milliseconds timeout);

// The pids of the processes whose parent is this process, with their state
// letter ('Z' for a zombie).
std::map<pid_t, char> ChildrenOfThisProcess();

}  // namespace vexa::testing
