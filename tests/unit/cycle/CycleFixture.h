#pragma once
// A daemon on fakes: registry, files, virtual clock and database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "EventLogWriter.h"
#include "FakeEnv.h"
#include "SettingsKeys.h"
#include "UpdateRoutine.h"

namespace vexa {

class CycleFixture : public ::testing::Test {
 protected:
  static constexpr const char* kDir = "/vexa";
  static constexpr const char* kSpool = "/vexa/TmpLog";

  CycleFixture() {
    settings_.SetString(keys::kSnp, "DIRECTORY", kDir);
    settings_.SetString(keys::kSecur, "ENABLE", "1");
    settings_.SetString(keys::kSnp, "ARCHIVEON", "0");
    files_.AddDirectory(kSpool);
    ProcessEventLog() = EventLogWriter();  // each test is a fresh process
  }

  // A spool file whose line makes a record with `url`, padded past 50 bytes.
  void AddSpool(const std::string& name, const std::string& url) {
    files_.AddFile(std::string(kSpool) + "/" + name, "T1\x01" + url + "\x01" + std::string(60, 'x') + "\r\n");
  }
  std::vector<std::string> Spools() const { return files_.List(kSpool); }
  std::vector<std::string> StoredUrls() const {
    std::vector<std::string> urls;
    for (const auto& call : db_.committed) urls.push_back(call.values[2]);
    return urls;
  }
  // Ends the run (ENABLE "0") once `n` cycle pauses have been slept.
  void EndAfterCycles(int n) {
    clock_.on_sleep = [this, n] {
      if (std::count(clock_.sleeps.begin(), clock_.sleeps.end(), kCyclePauseMs) >= n) {
        settings_.SetString(keys::kSecur, "ENABLE", "0");
      }
    };
  }
  int Count(const std::string& operation) const {
    return static_cast<int>(std::count(db_.operations.begin(), db_.operations.end(), operation));
  }

  fakes::FakeEnv fake_;
  fakes::FakeSettings& settings_ = fake_.settings;
  fakes::FakeEventLog& log_ = fake_.log;
  fakes::FakeFileSystem& files_ = fake_.files;
  fakes::FakeClock& clock_ = fake_.clock;
  fakes::FakeDatabase& db_ = fake_.db;
  fakes::FakeConnectionFactory& factory_ = fake_.connections;
  Env& env_ = fake_.env;
};

}  // namespace vexa
