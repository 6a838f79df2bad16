#pragma once
// The record's time text: local time as "%m/%d/%Y %I:%M:%S %p"
// (for example 03/07/2012 09:05:01 PM).
#include <cstdint>
#include <string>

#include "Clock.h"

namespace vexa {

// Empty when the time cannot be converted to local time.
std::string FormatLogTime(Clock& clock, int64_t epoch_seconds);

}  // namespace vexa
