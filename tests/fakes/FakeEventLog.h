#pragma once
#include <string>
#include <vector>

#include "EventLog.h"

namespace vexa::fakes {

class FakeEventLog : public EventLog {
 public:
  bool ReportInformation(std::string_view message) override {
    if (refuse) return false;
    events.emplace_back(message);
    return true;
  }
  void Debug(std::string_view message) override { debug.emplace_back(message); }
  void Error(std::string_view message) override { errors.emplace_back(message); }

  bool refuse = false;  // the log takes nothing (source not registered)
  std::vector<std::string> events;
  std::vector<std::string> debug;
  std::vector<std::string> errors;
};

}  // namespace vexa::fakes
