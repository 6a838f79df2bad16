// Records per second through vexaDB (embedded mode, SQLite) when every
// record qualifies for secure-site naming: against a local dnsmasq, with the
// naming turned off for comparison, and against a server that never answers.
// Usage: securesite_pipeline_bench [records]
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "LocalDnsServer.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace vexa {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

NamedValue Sz(const std::string& name, const std::string& text) {
  return {name, {RegType::kSz, text + '\0'}};
}

size_t CountEntries(const std::string& directory) {
  size_t count = 0;
  if (DIR* dir = opendir(directory.c_str())) {
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count;
}

struct Scenario {
  const char* name;
  std::string dns_server;
  const char* dns_timeout;
  const char* dns_disable;
  int records;
};

// Runs the daemon over `records` spool files; returns records per second
// from the first stored record to the last.
double Run(const Scenario& s) {
  char pattern[] = "/tmp/vexa pipeline bench XXXXXX";
  const fs::path root = mkdtemp(pattern);
  const fs::path spool = root / "TmpLog";
  fs::create_directories(spool);
  fs::create_directories(root / "run");
  SettingsStore store((root / "registry").string());
  store.SetValues(keys::kSnp, {Sz("DIRECTORY", root.string())});
  store.SetValues(keys::kSecur, {Sz("ENABLE", "1"), Sz("DNSSERVER", s.dns_server),
                                 Sz("DNSTIMEOUT", s.dns_timeout), Sz("DNSDISABLE", s.dns_disable)});
  for (int i = 0; i < s.records; ++i) {
    std::ofstream(spool / ("r" + std::to_string(i) + ".lok"))
        << "user1\x01https://"
           "10.1.2.3\x01workstation-17.example.test\x01\x01t6\x01t8\x01\x01skip\x01"
        << "12\n";
  }

  const pid_t daemon = fork();
  if (daemon == 0) {
    setenv("VEXA_RUNTIME_DIR", (root / "run").c_str(), 1);
    setenv("VEXA_SYSLOG_SOCKET", (root / "run/log").c_str(), 1);
    execl(VEXA_DAEMON, VEXA_DAEMON, "--registry", (root / "registry").c_str(), nullptr);
    _exit(127);
  }
  const size_t total = static_cast<size_t>(s.records);
  Clock::time_point first{};
  size_t left = total;
  const auto give_up = Clock::now() + std::chrono::minutes(5);
  while (left > 0 && Clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    left = CountEntries(spool.string());
    if (left < total && first == Clock::time_point{}) first = Clock::now();
  }
  const auto last = Clock::now();
  kill(daemon, SIGTERM);
  waitpid(daemon, nullptr, 0);
  fs::remove_all(root);
  if (left > 0) return -1;
  const double seconds = std::chrono::duration<double>(last - first).count();
  return static_cast<double>(total - 1) / seconds;
}

}  // namespace
}  // namespace vexa

int main(int argc, char** argv) {
  using vexa::Scenario;
  const int records = argc > 1 ? std::atoi(argv[1]) : 2000;
  vexa::testing::LocalDnsServer dns(
      vexa::testing::LocalDnsServer::PtrRecords{{"3.2.1.10.in-addr.arpa", "host.example.test"}});
  vexa::testing::SilentDnsServer silent;
  const Scenario scenarios[] = {
      {"naming on, PTR answered by local dnsmasq", dns.address(), "2000", "0", records},
      {"naming off (DNSDISABLE 1)", dns.address(), "2000", "1", records},
      {"naming on, server never answers, DNSTIMEOUT 2000", silent.address(), "2000", "0", 6},
      {"naming on, server never answers, DNSTIMEOUT 250", silent.address(), "250", "0", 21},
  };
  std::printf("| Case | Records | Records per second |\n|---|---|---|\n");
  for (const auto& s : scenarios) {
    std::printf("| %s | %d | %.1f |\n", s.name, s.records, vexa::Run(s));
    std::fflush(stdout);
  }
  return 0;
}
