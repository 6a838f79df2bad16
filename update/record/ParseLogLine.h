#pragma once
// The spool line format: fields separated by the byte 0x01, in one of four
// layouts chosen by the first byte and the number of separators.
#include <cstdint>
#include <string_view>

#include "Clock.h"
#include "CodePage.h"
#include "LogRecord.h"

namespace vexa {

enum class LineKind { kShort, kLong, kMarked06, kMarked07 };

LineKind ClassifyLine(std::string_view line);

// Never fails: every byte string yields a complete record. `spool_time` is
// the spool file's last-write time, given to `logTime` in local time.
LogRecord ParseLogLine(std::string_view line, int64_t spool_time, const CodePage& code_page, Clock& clock);

}  // namespace vexa
