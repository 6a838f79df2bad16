#pragma once
// A daemon on fakes: registry, files, virtual clock and database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "CodePage.h"
#include "Env.h"
#include "EventLogWriter.h"
#include "FakeClock.h"
#include "FakeConnection.h"
#include "FakeEventLog.h"
#include "FakeFileSystem.h"
#include "FakeServices.h"
#include "FakeSettings.h"
#include "SettingsKeys.h"
#include "UpdateRoutine.h"

namespace vexa {

class CycleFixture : public ::testing::Test {
 protected:
  static constexpr const char* kDir = "/vexa";
  static constexpr const char* kSpool = "/vexa/TmpLog";

  CycleFixture() : factory_(&db_) {
    env_.settings = &settings_;
    env_.log = &log_;
    env_.files = &files_;
    env_.clock = &clock_;
    env_.launcher = &launcher_;
    env_.resolver = &resolver_;
    env_.uuid = &uuid_;
    env_.connections = &factory_;
    env_.code_page = &code_page_;
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

  fakes::FakeSettings settings_;
  fakes::FakeEventLog log_;
  fakes::FakeFileSystem files_;
  fakes::FakeClock clock_;
  fakes::FakeLauncher launcher_;
  fakes::FakeResolver resolver_;
  fakes::FakeUuidSource uuid_;
  fakes::FakeDatabase db_;
  fakes::FakeConnectionFactory factory_;
  CodePage code_page_;
  Env env_;
};

}  // namespace vexa
