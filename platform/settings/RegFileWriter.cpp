#include <cstdint>

#include "CodePage.h"
#include "RegFile.h"

namespace vexa {
namespace {

// regedit ends a line of hex bytes with ",\" once it reaches this column
// and goes on, indented by two blanks, on the next one.
constexpr size_t kHexWrapColumn = 77;

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

void AppendHex(std::u16string& out, uint32_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) out += kHexDigits[value >> (4 * i) & 15];
}

std::u16string Quoted(std::u16string_view text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  out += u'"';
  return out;
}

// A REG_SZ value that "text" gives back exactly: one terminating NUL and
// no line break inside.
bool IsPlainText(std::string_view data) {
  return !data.empty() && data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

bool IsTextType(RegType type) {
  return type == RegType::kSz || type == RegType::kExpandSz || type == RegType::kMultiSz;
}

class Writer {
 public:
  explicit Writer(RegDialect dialect) : dialect_(dialect) {}

  std::string Write(const std::vector<RegFileKey>& keys) {
    Line(dialect_ == RegDialect::kRegedit5 ? u"Windows Registry Editor Version 5.00" : u"REGEDIT4");
    Line(u"");
    for (const RegFileKey& key : keys) {
      std::u16string path = u"HKEY_LOCAL_MACHINE";
      if (!key.path.empty()) path += u"\\" + ansi_.ToUtf16(key.path);
      Line(u"[" + path + u"]");
      for (const NamedValue& v : key.values) Value(v);
      Line(u"");
    }
    return dialect_ == RegDialect::kRegedit5 ? Utf16Bytes(u"\xFEFF" + text_)
                                             : ansi_.FromUtf16(text_);
  }

 private:
  void Line(std::u16string_view line) {
    text_ += line;
    text_ += u"\r\n";
  }

  static std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    return bytes;
  }

  void Value(const NamedValue& v) {
    std::u16string line = v.name.empty() ? u"@" : Quoted(ansi_.ToUtf16(v.name));
    line += u'=';
    const std::string& data = v.value.data;
    if (v.value.type == RegType::kSz && IsPlainText(data)) {
      line += Quoted(ansi_.ToUtf16(std::string_view(data).substr(0, data.size() - 1)));
    } else if (v.value.type == RegType::kDword && data.size() == 4) {
      uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(data[i]);
      line += u"dword:";
      AppendHex(line, number, 8);
    } else {
      HexData(v.value, line);
    }
    Line(line);
  }

  void HexData(const RegValue& value, std::u16string& line) const {
    if (value.type == RegType::kBinary) {
      line += u"hex:";
    } else {
      line += u"hex(";
      const auto type = static_cast<uint32_t>(value.type);
      int digits = 1;
      while (digits < 8 && type >> (4 * digits) != 0) ++digits;
      AppendHex(line, type, digits);
      line += u"):";
    }
    const std::string bytes = dialect_ == RegDialect::kRegedit5 && IsTextType(value.type)
                                  ? Utf16Bytes(ansi_.ToUtf16(value.data))
                                  : value.data;
    size_t column = line.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
      AppendHex(line, static_cast<unsigned char>(bytes[i]), 2);
      if (i + 1 == bytes.size()) break;
      line += u',';
      column += 3;
      if (column >= kHexWrapColumn) {
        line += u"\\\r\n  ";
        column = 2;
      }
    }
  }

  RegDialect dialect_;
  CodePage ansi_;
  std::u16string text_;
};

}  // namespace

std::string WriteRegFile(const std::vector<RegFileKey>& keys, RegDialect dialect) {
  return Writer(dialect).Write(keys);
}

}  // namespace vexa
