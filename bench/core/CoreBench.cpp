// Records per second from a backlog of spool files into the embedded
// database, through the daemon's code and through a plain loop of the same
// file and SQLite work, taking turns in one run; and the memory the daemon
// needs for a backlog of a million files.
//
// Usage:
//   core_bench [--dir DIR] [--files N] [--rounds R] [--slice K]
//       throughput: R rounds (default 3) of N files (default 20000) per side;
//       in a round the sides take turns every K records (default 1000;
//       0: each side runs its whole backlog, the first side changing by
//       round). Medians at the end. --batch B sets the daemon's BATCHSIZE
//       (default 1: one transaction per record, as the plain loop).
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
#include <memory>
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
  size_t slice = 1000;
  size_t batch = 1;
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

RunResult RunSide(const Options& options, const std::string& side, const std::string& install) {
  if (side == "daemon") {
    DaemonOptions daemon;
    daemon.batch_size = options.batch;
    return RunDaemonPath(install, daemon).run;
  }
  return RunPlainLoop(install, side == "plain+ledger");
}

// One round with the sides taking turns every `slice` records, each on a
// backlog of its own, so that all of them meet the same state of a shared
// disk. The daemon's clock stops while the plain loops run.
std::vector<RunResult> InterleavedRound(const Options& options,
                                        const std::vector<std::string>& sides, size_t files) {
  std::vector<std::string> installs;
  for (size_t i = 0; i < sides.size(); ++i) installs.push_back(MakeInstall(options, files));
  std::vector<std::unique_ptr<PlainLoop>> plains;
  for (size_t i = 1; i < sides.size(); ++i) {
    plains.push_back(std::make_unique<PlainLoop>(installs[i], sides[i] == "plain+ledger"));
  }
  DaemonOptions daemon;
  daemon.batch_size = options.batch;
  daemon.pause_every = options.slice;
  daemon.on_pause = [&] {
    for (auto& plain : plains) plain->Step(options.slice);
  };
  std::vector<RunResult> results = {RunDaemonPath(installs[0], daemon).run};
  for (auto& plain : plains) {
    while (plain->Step(options.slice)) {
    }
    results.push_back(plain->Finish());
  }
  for (const std::string& install : installs) RemoveTree(install);
  return results;
}

// One round with each side running its whole backlog in turn, each round
// starting with another side.
std::vector<RunResult> AlternateRound(const Options& options, const std::vector<std::string>& sides,
                                      size_t files, int round) {
  std::vector<RunResult> results(sides.size());
  for (size_t turn = 0; turn < sides.size(); ++turn) {
    const size_t side = (turn + static_cast<size_t>(round) - 1) % sides.size();
    const std::string install = MakeInstall(options, files);
    results[side] = RunSide(options, sides[side], install);
    RemoveTree(install);
  }
  return results;
}

int Throughput(const Options& options) {
  const size_t files = options.files ? options.files : 20000;
  std::vector<std::string> sides = {"daemon", "plain"};
  if (options.with_ledger) sides.push_back("plain+ledger");
  if (!options.only.empty()) sides = {options.only};
  std::printf("backlog %zu spool files per side, %d rounds, %s, in %s; load average at start %s\n",
              files, options.rounds,
              options.slice
                  ? ("sides take turns every " + std::to_string(options.slice) + " records").c_str()
                  : "sides run one after the other",
              options.dir.c_str(), LoadAverage().c_str());
  std::printf("round  side          records   seconds  records/s  db ms/rec  other ms/rec\n");
  // Records per second of each side, by round.
  std::vector<std::vector<double>> rates(sides.size());
  for (int round = 1; round <= options.rounds; ++round) {
    const std::vector<RunResult> results = options.slice && options.only.empty()
                                               ? InterleavedRound(options, sides, files)
                                               : AlternateRound(options, sides, files, round);
    for (size_t side = 0; side < sides.size(); ++side) {
      PrintRun(round, sides[side], results[side]);
      rates[side].push_back(static_cast<double>(results[side].records) / results[side].seconds);
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
  // VmHWM follows the counters the kernel syncs now and then, so a sample
  // can read a little above it.
  long peak_kib = std::max(after.peak_kib, usage.ru_maxrss);
  for (const Sample& s : result.samples) {
    peak_kib = std::max(peak_kib, s.memory.rss_kib);
    std::printf("%7zu  %7.2f  %23.3f  %9ld\n", s.records, s.seconds,
                1e3 * (s.seconds - last_seconds) / double(s.records - last_records),
                s.memory.rss_kib);
    last_records = s.records;
    last_seconds = s.seconds;
  }
  std::printf(
      "records %zu in %.2f s; peak RSS %ld KiB (VmHWM %ld KiB, ru_maxrss %ld KiB); VmRSS at end "
      "%ld KiB\n",
      result.run.records, result.run.seconds, peak_kib, after.peak_kib, usage.ru_maxrss,
      after.rss_kib);
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
    } else if (arg == "--batch" && has_value) {
      options.batch = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--slice" && has_value) {
      options.slice = std::strtoull(argv[++i], nullptr, 10);
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
