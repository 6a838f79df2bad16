#pragma once
// The daemon's own code path in process: CDatabaseApp driving the update
// routine with the daemon's record pipeline (exclusion lists, secure-site
// naming, content placement), the real file system and the real SQLite
// backend. Only the registry and the clock are fakes: the virtual clock
// makes the one-second cycle pause free, so the run measures the work.
#include <functional>
#include <string>
#include <vector>

#include "SpoolBacklog.h"

namespace vexa::bench {

struct DaemonOptions {
  size_t stop_after = 0;    // ends the run after this many records (0: the whole backlog)
  size_t sample_every = 0;  // records between samples (0: none)
  size_t batch_size = 1;    // the BATCHSIZE setting: records per transaction
  // Every `pause_every` records the run stops its clock and calls
  // `on_pause` (another side of the comparison takes its turn).
  size_t pause_every = 0;
  std::function<void()> on_pause;
};

struct Sample {
  size_t records = 0;
  double seconds = 0;  // since the run started, pauses left out
  Memory memory;
};

struct DaemonResult {
  RunResult run;
  double first_record_seconds = 0;  // until the first record's transaction began (listing included)
  std::vector<Sample> samples;
};

DaemonResult RunDaemonPath(const std::string& install_dir, const DaemonOptions& options);

}  // namespace vexa::bench
