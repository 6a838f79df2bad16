#include "LogTime.h"

#include <ctime>

namespace vexa {

std::string FormatLogTime(Clock& clock, int64_t epoch_seconds) {
  std::tm local{};
  if (!clock.LocalTime(epoch_seconds, &local)) return {};
  char text[64];
  const size_t n = std::strftime(text, sizeof text, "%m/%d/%Y %I:%M:%S %p", &local);
  return std::string(text, n);
}

}  // namespace vexa
