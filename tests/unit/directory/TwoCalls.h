#pragma once
// Runs a query export the way its callers do: a size call, then a copy call
// into a zero-filled buffer of the size received.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace vexa::directory::testing {

// `call(buffer, size)` is one call of the export. Returns the text, or
// "status <hex>" when the size call fails (with " (size written)" when it
// wrote the size anyway).
inline std::string TwoCalls(const std::function<int32_t(char*, int32_t*)>& call) {
  int32_t size = 0;
  const int32_t status = call(nullptr, &size);
  if (status != 0) {
    char text[48];
    std::snprintf(text, sizeof text, "status %08x%s", static_cast<uint32_t>(status),
                  size != 0 ? " (size written)" : "");
    return text;
  }
  std::string buffer(static_cast<size_t>(size), '\0');
  if (call(buffer.data(), &size) != 0) return "copy call failed";
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

}  // namespace vexa::directory::testing
