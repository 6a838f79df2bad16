#pragma once
// Text helpers of the extractor's tests.
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa::extract {

// LF line ends made CR LF, as mail travels.
inline std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Base64 of `data` on one line, with padding.
inline std::string Base64Encode(std::string_view data) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < data.size(); i += 3) {
    const size_t n = std::min<size_t>(3, data.size() - i);
    uint32_t v = 0;
    for (size_t k = 0; k < 3; ++k) v = (v << 8) | (k < n ? uint8_t(data[i + k]) : 0);
    out += abc[v >> 18];
    out += abc[(v >> 12) & 63];
    out += n > 1 ? abc[(v >> 6) & 63] : '=';
    out += n > 2 ? abc[v & 63] : '=';
  }
  return out;
}

}  // namespace vexa::extract
