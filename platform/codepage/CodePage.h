#pragma once
// The system's ANSI code page: which bytes lead a double-byte character,
// how letters upper-case, and how text becomes Unicode at the database
// boundary. Windows-1252 unless the settings name another page.
#include <cstddef>
#include <string>
#include <string_view>

namespace vexa {

class CodePage {
 public:
  static constexpr unsigned kWestern = 1252;
  static constexpr unsigned kUtf8 = 65001;

  // Pages other than 1252, 65001, 932, 936, 949 and 950 fall back to 1252.
  explicit CodePage(unsigned id = kWestern);
  static bool IsSupported(unsigned id);

  unsigned id() const { return id_; }
  bool IsLeadByte(unsigned char byte) const;
  // Length in bytes of the character that starts at `pos` (1 or 2).
  size_t CharLength(std::string_view text, size_t pos) const;

  // First occurrence of `needle` starting on a character boundary at or
  // after `from`; npos when there is none.
  size_t Find(std::string_view text, char needle, size_t from = 0) const;
  size_t Find(std::string_view text, std::string_view needle, size_t from = 0) const;

  char ToUpper(unsigned char byte) const { return static_cast<char>(upper_[byte]); }
  // Upper-cases single-byte characters; bytes of double-byte characters stay.
  void ToUpperInPlace(std::string& text) const;
  std::string ToUpper(std::string_view text) const;

  // Length of the white-space character at `pos` (blank, 0x09-0x0D or the
  // page's double-byte space); 0 when there is none.
  size_t SpaceLength(std::string_view text, size_t pos) const;
  std::string_view TrimLeadingSpace(std::string_view text) const;

  // Conversions for the database boundary. Bytes the page cannot map become
  // U+FFFD; nothing fails.
  std::string ToUtf8(std::string_view text) const;
  std::u16string ToUtf16(std::string_view text) const;
  // The way back: characters the page cannot hold become '?'.
  std::string FromUtf8(std::string_view utf8) const;
  std::string FromUtf16(std::u16string_view text) const;

 private:
  unsigned id_;
  unsigned char upper_[256];
};

}  // namespace vexa
