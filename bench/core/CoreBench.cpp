// Records per second from a backlog of spool files into the embedded
// database, through the daemon's code and through a plain loop of the same
// file and SQLite work, alternately in one run; and the memory the daemon
// needs for a backlog of a million files.
//
// Usage:
//   core_bench [--dir DIR] [--files N] [--rounds R]
//       throughput: R rounds (default 3) of N files (default 20000) per side,
//       the order of the sides swapped every round; medians at the end.
//       --with-ledger adds a third side, the plain loop with the daemon's
//       ledger statements; --only daemon|plain|plain+ledger runs one side
//       (for profiling).
//   core_bench memory [--dir DIR] [--files N] [--ingest K] [--sample S]
//       lists N files (default 1000000), takes in K records (default 5000),
//       a sample of time and memory every S records (default 500).
// DIR (default /var/tmp) holds the install directories; it should be on
// the disk the daemon would use.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "DaemonPath.h"
#include "PlainLoop.h"
#include "SpoolBacklog.h"

namespace vexa::bench {
namespace {

struct Options {
  bool memory = false;
  std::string dir = "/var/tmp";
  size_t files = 0;
  int rounds = 3;
  size_t ingest = 5000;
  size_t sample = 500;
  std::string only;
  bool with_ledger = false;
};

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// A fresh install directory with a spool folder of `files` spool files.
std::string MakeInstall(const Options& options, size_t files) {
  std::string pattern = options.dir + "/vexa-core-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror(pattern.c_str());
    std::exit(1);
  }
  const std::string spool = pattern + "/TmpLog";
  ::mkdir(spool.c_str(), 0755);
  WriteBacklog(spool, files);
  return pattern;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintRun(int round, const std::string& side, const RunResult& run) {
  std::printf("%5d  %-12s  %7zu  %8.2f  %9.1f  %9.3f  %12.3f\n", round, side.c_str(), run.records,
              run.seconds, static_cast<double>(run.records) / run.seconds,
              1e3 * run.database_seconds / double(run.records),
              1e3 * (run.seconds - run.database_seconds) / double(run.records));
  std::fflush(stdout);
}

RunResult RunSide(const std::string& side, const std::string& install) {
  if (side == "daemon") return RunDaemonPath(install, {}).run;
  return RunPlainLoop(install, side == "plain+ledger");
}

int Throughput(const Options& options) {
  const size_t files = options.files ? options.files : 20000;
  std::vector<std::string> sides = {"daemon", "plain"};
  if (options.with_ledger) sides.push_back("plain+ledger");
  if (!options.only.empty()) sides = {options.only};
  std::printf("backlog %zu spool files per run, %d rounds, in %s; load average at start %s\n",
              files, options.rounds, options.dir.c_str(), LoadAverage().c_str());
  std::printf("round  side          records   seconds  records/s  db ms/rec  other ms/rec\n");
  // Records per second of each side, by round.
  std::vector<std::vector<double>> rates(sides.size());
  for (int round = 1; round <= options.rounds; ++round) {
    // Each round starts with another side, so that none always runs first.
    for (size_t turn = 0; turn < sides.size(); ++turn) {
      const size_t side = (turn + static_cast<size_t>(round) - 1) % sides.size();
      const std::string install = MakeInstall(options, files);
      const RunResult run = RunSide(sides[side], install);
      PrintRun(round, sides[side], run);
      rates[side].push_back(static_cast<double>(run.records) / run.seconds);
      RemoveTree(install);
    }
  }
  for (size_t side = 0; side < sides.size(); ++side) {
    std::printf("median records/s %-12s %9.1f", sides[side].c_str(), Median(rates[side]));
    if (side > 0) {
      std::vector<double> ratios;
      for (size_t r = 0; r < rates[0].size(); ++r) ratios.push_back(rates[0][r] / rates[side][r]);
      std::printf("   daemon / %s: ratio of medians %.3f, median of round ratios %.3f",
                  sides[side].c_str(), Median(rates[0]) / Median(rates[side]), Median(ratios));
    }
    std::printf("\n");
  }
  std::printf("load average at end %s\n", LoadAverage().c_str());
  return 0;
}

int MemoryRun(const Options& options) {
  const size_t files = options.files ? options.files : 1000000;
  std::printf("backlog %zu spool files in %s; load average at start %s\n", files,
              options.dir.c_str(), LoadAverage().c_str());
  double mark = Now();
  const std::string install = MakeInstall(options, files);
  std::printf("backlog written and synced in %.1f s\n", Now() - mark);
  const Memory before = ProcessMemory();

  DaemonOptions daemon;
  daemon.stop_after = options.ingest;
  daemon.sample_every = options.sample;
  const DaemonResult result = RunDaemonPath(install, daemon);
  const Memory after = ProcessMemory();
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);

  std::printf("before the run: VmRSS %ld KiB, VmHWM %ld KiB\n", before.rss_kib, before.peak_kib);
  std::printf("start to first record (open, list %zu files, first file): %.3f s\n", files,
              result.first_record_seconds);
  std::printf("records  seconds  ms/record (last window)  VmRSS KiB\n");
  size_t last_records = 0;
  double last_seconds = result.first_record_seconds;
  for (const Sample& s : result.samples) {
    std::printf("%7zu  %7.2f  %23.3f  %9ld\n", s.records, s.seconds,
                1e3 * (s.seconds - last_seconds) / double(s.records - last_records),
                s.memory.rss_kib);
    last_records = s.records;
    last_seconds = s.seconds;
  }
  std::printf(
      "records %zu in %.2f s; peak VmHWM %ld KiB (ru_maxrss %ld KiB); VmRSS at end %ld KiB\n",
      result.run.records, result.run.seconds, after.peak_kib, usage.ru_maxrss, after.rss_kib);
  std::printf("load average at end %s\n", LoadAverage().c_str());
  mark = Now();
  RemoveTree(install);
  std::printf("backlog removed in %.1f s\n", Now() - mark);
  return 0;
}

}  // namespace
}  // namespace vexa::bench

int main(int argc, char** argv) {
  vexa::bench::Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "memory") {
      options.memory = true;
    } else if (arg == "--dir" && has_value) {
      options.dir = argv[++i];
    } else if (arg == "--files" && has_value) {
      options.files = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--rounds" && has_value) {
      options.rounds = std::atoi(argv[++i]);
    } else if (arg == "--with-ledger") {
      options.with_ledger = true;
    } else if (arg == "--only" && has_value) {
      options.only = argv[++i];
    } else if (arg == "--ingest" && has_value) {
      options.ingest = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--sample" && has_value) {
      options.sample = std::strtoull(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr,
                   "usage: core_bench [memory] [--dir DIR] [--files N] [--rounds R] "
                   "[--with-ledger] [--only SIDE] "
                   "[--ingest K] "
                   "[--sample S]\n");
      return 2;
    }
  }
  return options.memory ? vexa::bench::MemoryRun(options) : vexa::bench::Throughput(options);
}
