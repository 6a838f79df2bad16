#include "HostText.h"

#include <climits>
#include <cstdint>
#include <cwchar>

namespace vexa::directory {
namespace {

// Decodes one UTF-8 character at `pos`; returns its length, or 0 when the
// bytes there are malformed.
size_t DecodeUtf8(std::string_view s, size_t pos, char32_t* out) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  size_t len;
  char32_t cp;
  if (b0 < 0x80) {
    *out = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (pos + len > s.size()) return 0;
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *out = cp;
  return len;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (cp >> 18));
    *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string ToHostText(std::string_view utf8, size_t max_bytes) {
  std::string out;
  out.reserve(utf8.size() < max_bytes ? utf8.size() : max_bytes);
  std::mbstate_t state{};
  char buf[MB_LEN_MAX];
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp;
    size_t len = DecodeUtf8(utf8, pos, &cp);
    size_t n;
    if (len == 0) {
      len = 1;
      buf[0] = '?', n = 1;
    } else if (cp < 0x80) {
      buf[0] = static_cast<char>(cp), n = 1;  // every supported locale is ASCII-compatible
    } else {
      n = std::wcrtomb(buf, static_cast<wchar_t>(cp), &state);
      if (n == static_cast<size_t>(-1)) {
        state = std::mbstate_t{};
        buf[0] = '?', n = 1;
      }
    }
    if (out.size() + n > max_bytes) break;
    out.append(buf, n);
    pos += len;
  }
  return out;
}

std::string FromHostText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::mbstate_t state{};
  size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++pos;
      continue;
    }
    wchar_t wc;
    const size_t n = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2) || n == 0) {
      state = std::mbstate_t{};
      AppendUtf8(0xFFFD, &out);
      ++pos;
      continue;
    }
    AppendUtf8(static_cast<char32_t>(wc), &out);
    pos += n;
  }
  return out;
}

}  // namespace vexa::directory
