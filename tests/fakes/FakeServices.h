#pragma once
// Fakes of the smaller seams: process launcher, resolver, UUID source.
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "FaultPlan.h"
#include "ProcessLauncher.h"
#include "Resolver.h"
#include "UuidSource.h"

namespace vexa::fakes {

class FakeLauncher : public ProcessLauncher {
 public:
  struct Start {
    std::string program;
    std::string directory;
  };
  bool SetCurrentDirectory(const std::string& path) override {
    current_directory = path;
    return true;
  }
  bool Start(const std::string& program, int* error) override {
    starts.push_back({program, current_directory});
    if (faults.ShouldFail("start")) {
      *error = 2;
      return false;
    }
    return true;
  }
  std::string current_directory;
  std::vector<struct Start> starts;  // "struct": the member function Start hides the type
  FaultPlan faults;  // kind: "start"
};

class FakeResolver : public Resolver {
 public:
  LookupResult LookupPtr(const std::string& name, std::string* host) override {
    queries.push_back(name);
    auto it = answers.find(name);
    if (it == answers.end()) return missing;
    *host = it->second;
    return LookupResult::kFound;
  }
  std::map<std::string, std::string> answers;
  LookupResult missing = LookupResult::kNoRecord;
  std::vector<std::string> queries;
};

class FakeUuidSource : public UuidSource {
 public:
  bool Available() override { return available; }
  int32_t Create(Uuid* out) override {
    ++created;
    if (faults.ShouldFail("create")) return 1722;  // RPC_S_SERVER_UNAVAILABLE
    Uuid u{};
    if (!queue.empty()) {
      u = queue.front();
      queue.pop_front();
    } else {
      for (size_t i = 0; i < u.size(); ++i) u[i] = static_cast<uint8_t>(created * 16 + i);
    }
    *out = u;
    return status;
  }
  bool ToText(const Uuid& u, std::string* text) override {
    if (faults.ShouldFail("text")) return false;
    char buf[37];
    std::snprintf(buf, sizeof buf,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", u[0], u[1],
                  u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14],
                  u[15]);
    *text = buf;
    return true;
  }
  bool available = true;
  int32_t status = 0;
  int created = 0;
  std::deque<Uuid> queue;
  FaultPlan faults;  // kinds: "create", "text"
};

}  // namespace vexa::fakes
