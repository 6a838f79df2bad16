#include "CodePage.h"

#include <iconv.h>

#include <cstring>

namespace vexa {
namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes map to the C1
// control of the same number, as Windows converts them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const char* IconvName(unsigned id) {
  switch (id) {
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    default: return nullptr;
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `pos`; invalid bytes give U+FFFD and one byte.
char32_t DecodeUtf8(std::string_view s, size_t& pos) {
  const auto b = static_cast<unsigned char>(s[pos]);
  int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra == 0) {
    ++pos;
    return b;
  }
  if (extra < 0 || pos + extra >= s.size()) {
    ++pos;
    return 0xFFFD;
  }
  char32_t c = b & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    const auto t = static_cast<unsigned char>(s[pos + i]);
    if ((t & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    c = (c << 6) | (t & 0x3F);
  }
  pos += extra + 1;
  return c;
}

// A double-byte page through iconv, character by character so that one
// bad byte costs one replacement character.
std::string DoubleByteToUtf8(unsigned id, const CodePage& page, std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2);
  iconv_t cd = iconv_open("UTF-8", IconvName(id));
  for (size_t pos = 0; pos < text.size();) {
    const size_t len = page.CharLength(text, pos);
    if (len == 1 && static_cast<unsigned char>(text[pos]) < 0x80) {
      out += text[pos++];
      continue;
    }
    char in[2] = {text[pos], len == 2 ? text[pos + 1] : '\0'};
    char buf[8];
    char* inp = in;
    size_t inleft = len;
    char* outp = buf;
    size_t outleft = sizeof buf;
    if (cd != reinterpret_cast<iconv_t>(-1) && iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1)) {
      out.append(buf, outp);
    } else {
      AppendUtf8(out, 0xFFFD);
    }
    pos += len;
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return out;
}

// The Windows-1252 byte of a Unicode character; '?' when it has none.
char Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

bool CodePage::IsSupported(unsigned id) {
  return id == kWestern || id == kUtf8 || IconvName(id) != nullptr;
}

CodePage::CodePage(unsigned id) : id_(IsSupported(id) ? id : kWestern) {
  for (int b = 0; b < 256; ++b) upper_[b] = static_cast<unsigned char>(b);
  for (int b = 'a'; b <= 'z'; ++b) upper_[b] = static_cast<unsigned char>(b - 0x20);
  if (id_ == kWestern) {
    for (int b = 0xE0; b <= 0xFE; ++b) {
      if (b != 0xF7) upper_[b] = static_cast<unsigned char>(b - 0x20);
    }
    upper_[0x9A] = 0x8A;  // š
    upper_[0x9C] = 0x8C;  // œ
    upper_[0x9E] = 0x8E;  // ž
    upper_[0xFF] = 0x9F;  // ÿ
  }
}

bool CodePage::IsLeadByte(unsigned char b) const {
  switch (id_) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
  }
}

size_t CodePage::CharLength(std::string_view text, size_t pos) const {
  return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

size_t CodePage::Find(std::string_view text, char needle, size_t from) const {
  if (id_ == kWestern || id_ == kUtf8) return text.find(needle, from);
  for (size_t pos = from; pos < text.size(); pos += CharLength(text, pos)) {
    if (text[pos] == needle) return pos;
  }
  return std::string_view::npos;
}

size_t CodePage::Find(std::string_view text, std::string_view needle, size_t from) const {
  if (id_ == kWestern || id_ == kUtf8) return text.find(needle, from);
  for (size_t pos = from; pos + needle.size() <= text.size(); pos += CharLength(text, pos)) {
    if (text.compare(pos, needle.size(), needle) == 0) return pos;
  }
  return std::string_view::npos;
}

void CodePage::ToUpperInPlace(std::string& text) const {
  for (size_t pos = 0; pos < text.size();) {
    const size_t len = CharLength(text, pos);
    if (len == 1) text[pos] = ToUpper(static_cast<unsigned char>(text[pos]));
    pos += len;
  }
}

std::string CodePage::ToUpper(std::string_view text) const {
  std::string out(text);
  ToUpperInPlace(out);
  return out;
}

size_t CodePage::SpaceLength(std::string_view text, size_t pos) const {
  const auto b = static_cast<unsigned char>(text[pos]);
  if (b == ' ' || (b >= 0x09 && b <= 0x0D)) return 1;
  if (pos + 1 >= text.size() || !IsLeadByte(b)) return 0;
  const auto t = static_cast<unsigned char>(text[pos + 1]);
  switch (id_) {
    case 932: return b == 0x81 && t == 0x40 ? 2 : 0;
    case 936:
    case 949: return b == 0xA1 && t == 0xA1 ? 2 : 0;
    case 950: return b == 0xA1 && t == 0x40 ? 2 : 0;
    default: return 0;
  }
}

std::string_view CodePage::TrimLeadingSpace(std::string_view text) const {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t len = SpaceLength(text, pos);
    if (len == 0) break;
    pos += len;
  }
  return text.substr(pos);
}

std::string CodePage::ToUtf8(std::string_view text) const {
  if (IconvName(id_) != nullptr) return DoubleByteToUtf8(id_, *this, text);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t pos = 0; pos < text.size();) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      out += text[pos++];
    } else if (id_ == kUtf8) {
      AppendUtf8(out, DecodeUtf8(text, pos));
    } else {
      AppendUtf8(out, b < 0xA0 ? kCp1252High[b - 0x80] : b);
      ++pos;
    }
  }
  return out;
}

std::u16string CodePage::ToUtf16(std::string_view text) const {
  const std::string utf8 = id_ == kUtf8 ? std::string(text) : ToUtf8(text);
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t c = DecodeUtf8(utf8, pos);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
  if (id_ == kUtf8) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  const char* name = IconvName(id_);
  iconv_t cd = name != nullptr ? iconv_open(name, "UTF-8") : reinterpret_cast<iconv_t>(-1);
  for (size_t pos = 0; pos < utf8.size();) {
    const size_t start = pos;
    const char32_t c = DecodeUtf8(utf8, pos);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (name == nullptr) {
      out += Cp1252Byte(c);
    } else {
      char* inp = const_cast<char*>(utf8.data() + start);
      size_t inleft = pos - start;
      char buf[8];
      char* outp = buf;
      size_t outleft = sizeof buf;
      if (c != 0xFFFD && cd != reinterpret_cast<iconv_t>(-1) &&
          iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1)) {
        out.append(buf, outp);
      } else {
        out += '?';
      }
    }
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return out;
}

std::string CodePage::FromUtf16(std::u16string_view text) const {
  std::string utf8;
  utf8.reserve(text.size() * 3 / 2);
  for (size_t pos = 0; pos < text.size(); ++pos) {
    char32_t c = text[pos];
    if (c >= 0xD800 && c < 0xDC00 && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++pos] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // an unpaired surrogate
    }
    AppendUtf8(utf8, c);
  }
  return FromUtf8(utf8);
}

}  // namespace vexa
