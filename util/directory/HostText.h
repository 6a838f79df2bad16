#pragma once
// Conversion between the directory's UTF-8 and the multibyte encoding of
// the host process's locale (LC_CTYPE, as the host has set it).
#include <cstddef>
#include <string>
#include <string_view>

namespace vexa::directory {

// The longest value a query hands back, in bytes.
constexpr size_t kMaxValueBytes = 255;

// UTF-8 to the locale's encoding, cut to `max_bytes` on a character
// boundary. Characters the locale cannot represent, and malformed UTF-8,
// become '?'.
std::string ToHostText(std::string_view utf8, size_t max_bytes = kMaxValueBytes);

// The locale's encoding to UTF-8; bytes that do not decode become U+FFFD.
std::string FromHostText(std::string_view text);

}  // namespace vexa::directory
