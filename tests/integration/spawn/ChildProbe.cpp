#include "ChildProbe.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vexa::testing {
namespace fs = std::filesystem;

namespace {

void WriteExecutable(const fs::path& path, const std::string& text) {
  std::ofstream(path) << text;
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace

ProbeInstall::ProbeInstall(const std::string& prefix) : saved_cwd_(fs::current_path()) {
  std::string pattern = (fs::temp_directory_path() / (prefix + " dir XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::create_directories(bin());
  fs::create_directories(out());
  setenv("VEXA_PROBE_OUT", out().c_str(), 1);
}

ProbeInstall::~ProbeInstall() {
  std::error_code ignored;
  fs::current_path(saved_cwd_, ignored);
  fs::remove_all(root_, ignored);
}

void InstallProbe(const fs::path& path) {
  fs::copy_file(VEXA_PROBE_PROGRAM, path, fs::copy_options::overwrite_existing);
}

void WriteQuickExit(const fs::path& path) { WriteExecutable(path, "#!/bin/sh\nexit 0\n"); }

std::optional<ProbeReport> WaitForReport(const fs::path& out_dir, const std::string& program,
                                         std::chrono::milliseconds timeout) {
  const fs::path file = out_dir / (program + ".out");
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ProbeReport report;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "cwd") report.cwd = value;
    if (key == "program") report.program = value;
    if (key == "argc") report.argc = std::stoi(value);
    if (key == "fd") {
      const auto second = value.find('=');
      report.fds[std::stoi(value.substr(0, second))] = value.substr(second + 1);
    }
  }
  return report;
}

std::map<pid_t, char> ChildrenOfThisProcess() {
  std::map<pid_t, char> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;  // ended meanwhile
    // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
    std::istringstream rest(stat.substr(stat.rfind(')') + 1));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent == getpid()) children[std::stoi(name)] = state;
  }
  return children;
}

}  // namespace vexa::testing
