#include "EventLogWriter.h"

#include <algorithm>
#include <cstring>

namespace vexa {

void EventLogWriter::Compose(std::string_view text) {
  const size_t n = std::min(text.size(), kBufferSize - 1);
  std::memcpy(buffer_, text.data(), n);
  buffer_[n] = '\0';
}

void EventLogWriter::Write(EventLog& log) {
  if (count_ >= kMaxEvents) return;
  const std::string_view message(buffer_, std::min(std::strlen(buffer_), kMaxMessage));
  if (log.ReportInformation(message)) ++count_;
}

EventLogWriter& ProcessEventLog() {
  static EventLogWriter writer;
  return writer;
}

void WriteEventLog(EventLog& log, std::string_view message) {
  EventLogWriter& writer = ProcessEventLog();
  writer.Compose(message);
  writer.Write(log);
}

}  // namespace vexa
