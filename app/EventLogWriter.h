#pragma once
// The daemon's event-log writer: information events under the source
// "databas7", at most 150 in the life of a process. Callers compose their
// fixed message in the process-wide 1024-byte buffer, then write it; the
// text is never used as a format.
#include <string_view>

#include "EventLog.h"

namespace vexa {

class EventLogWriter {
 public:
  static constexpr unsigned kMaxEvents = 150;
  static constexpr size_t kBufferSize = 1024;
  static constexpr size_t kMaxMessage = 255;

  // Copies `text` into the message buffer (cut to what it holds).
  void Compose(std::string_view text);
  // Writes the buffer as one event, cut to 255 characters. Only events the
  // log took count towards the limit.
  void Write(EventLog& log);
  unsigned count() const { return count_; }

 private:
  char buffer_[kBufferSize] = {};
  unsigned count_ = 0;
};

// The process-wide writer.
EventLogWriter& ProcessEventLog();

// Composes `message` and writes it with the process-wide writer.
void WriteEventLog(EventLog& log, std::string_view message);

}  // namespace vexa
