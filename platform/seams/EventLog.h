#pragma once
// Reporting seam: information events (the product's event log), debug
// output, and the error lines that stand in for the original's message boxes.
#include <string_view>

namespace vexa {

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Hands one information event to the log; false when the log could not
  // take it (the caller then does not count it).
  virtual bool ReportInformation(std::string_view message) = 0;
  virtual void Debug(std::string_view message) = 0;
  // Never blocks: one line on stderr and in the log at error severity.
  virtual void Error(std::string_view message) = 0;
};

}  // namespace vexa
