#include "DaemonPath.h"

#include <atomic>

#include "DatabaseApp.h"
#include "FakeEnv.h"
#include "PosixFileSystem.h"
#include "RecordPipeline.h"
#include "SettingsKeys.h"
#include "SqliteConnection.h"
#include "StatusFile.h"

namespace vexa::bench {
namespace {

// Counts the time spent in the database and the records committed, takes
// the samples and asks for the stop; one clock reading on either side of
// each database call.
struct Probe {
  DaemonOptions options;
  std::atomic<bool> stop{false};
  double start = 0;
  double database = 0;
  double paused = 0;
  double first_record = 0;
  size_t executed = 0;  // records sent, committed or not yet
  size_t records = 0;   // records committed
  size_t next_sample = 0;
  size_t next_pause = 0;
  std::vector<Sample> samples;

  double Elapsed() const { return Now() - start - paused; }
  // A commit may carry several records (BATCHSIZE).
  void Committed() {
    records = executed;
    if (options.sample_every && records >= next_sample + options.sample_every) {
      next_sample = records;
      samples.push_back({records, Elapsed(), ProcessMemory()});
    }
    if (options.stop_after && records >= options.stop_after) stop = true;
    if (options.pause_every && records >= next_pause + options.pause_every) {
      next_pause = records;
      const double pause_start = Now();
      options.on_pause();
      paused += Now() - pause_start;
    }
  }
};

class Timed {
 public:
  explicit Timed(double& total) : total_(total), start_(Now()) {}
  ~Timed() { total_ += Now() - start_; }

 private:
  double& total_;
  double start_;
};

class ProbedConnection : public Connection {
 public:
  ProbedConnection(std::unique_ptr<Connection> inner, Probe& probe)
      : inner_(std::move(inner)), probe_(probe) {}

  int State() override { return inner_->State(); }
  void Open(const std::string& connection_string, const std::string& user,
            const std::string& password) override {
    Timed timed(probe_.database);
    inner_->Open(connection_string, user, password);
  }
  void BeginTrans() override {
    if (probe_.first_record == 0) probe_.first_record = probe_.Elapsed();
    Timed timed(probe_.database);
    inner_->BeginTrans();
  }
  void Execute(const UpdateCall& call) override {
    Timed timed(probe_.database);
    inner_->Execute(call);
    ++probe_.executed;
  }
  void CommitTrans() override {
    {
      Timed timed(probe_.database);
      inner_->CommitTrans();
    }
    probe_.Committed();
  }
  void RollbackTrans() override {
    inner_->RollbackTrans();
    probe_.executed = probe_.records;
  }
  void Close() override {
    Timed timed(probe_.database);
    inner_->Close();
  }
  bool LedgerContains(const SpoolIdentity& spool) override {
    Timed timed(probe_.database);
    return inner_->LedgerContains(spool);
  }
  void LedgerAdd(const SpoolIdentity& spool, int64_t now_seconds) override {
    Timed timed(probe_.database);
    inner_->LedgerAdd(spool, now_seconds);
  }
  void LedgerPrune(int64_t older_than_seconds) override {
    Timed timed(probe_.database);
    inner_->LedgerPrune(older_than_seconds);
  }

 private:
  std::unique_ptr<Connection> inner_;
  Probe& probe_;
};

class ProbedFactory : public ConnectionFactory {
 public:
  ProbedFactory(ConnectionFactory& inner, Probe& probe) : inner_(inner), probe_(probe) {}
  std::unique_ptr<Connection> Create(int database_mode) override {
    std::unique_ptr<Connection> connection = inner_.Create(database_mode);
    if (!connection) return nullptr;
    return std::make_unique<ProbedConnection>(std::move(connection), probe_);
  }

 private:
  ConnectionFactory& inner_;
  Probe& probe_;
};

}  // namespace

DaemonResult RunDaemonPath(const std::string& install_dir, const DaemonOptions& options) {
  fakes::FakeEnv fake;
  fakes::FakeSettings& registry = fake.settings;
  registry.SetString(keys::kSnp, "DIRECTORY", install_dir);
  registry.SetString(keys::kSecur, "ENABLE", "1");
  if (options.batch_size > 1)
    registry.SetString(keys::kConfig, "BATCHSIZE", std::to_string(options.batch_size));
  fakes::FakeClock& clock = fake.clock;
  // One cycle: ENABLE goes to "0" during its pause, so the routine ends
  // once the cycle has taken in the backlog.
  clock.on_sleep = [&] {
    if (clock.sleeps.back() == kCyclePauseMs) registry.SetString(keys::kSecur, "ENABLE", "0");
  };
  // Real files and the real database; registry, clock and the rest are fakes.
  PosixFileSystem files;
  SqliteConnectionFactory sqlite(fake.code_page);
  Probe probe;
  probe.options = options;
  ProbedFactory connections(sqlite, probe);
  Env& env = fake.env;
  env.files = &files;
  env.connections = &connections;
  env.stop_requested = &probe.stop;

  // As the daemon's main sets it up.
  AppSettings settings;
  RecordPipeline pipeline(env, settings);
  const std::string status_path = StatusFilePath(install_dir);
  pipeline.hooks.publish_status = [&status_path](const DaemonStatus& status) {
    WriteStatusFile(status_path, FormatStatus(status, 1));
  };
  CDatabaseApp app(env, settings, pipeline.hooks);

  probe.start = Now();
  app.Run();
  DaemonResult result;
  result.run.seconds = probe.Elapsed();
  result.run.records = probe.records;
  result.run.database_seconds = probe.database;
  result.first_record_seconds = probe.first_record;
  result.samples = std::move(probe.samples);
  return result;
}

}  // namespace vexa::bench
