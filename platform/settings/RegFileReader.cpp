#include <cstdint>

#include "CodePage.h"
#include "KeyPath.h"
#include "RegFile.h"

namespace vexa {
namespace {

constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";

// UTF-16LE bytes as text; an odd last byte is dropped.
std::u16string FromUtf16Le(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return text;
}

std::u16string DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return FromUtf16Le(bytes.substr(2));
  if (bytes.starts_with("\xEF\xBB\xBF")) return CodePage(CodePage::kUtf8).ToUtf16(bytes.substr(3));
  return CodePage().ToUtf16(bytes);
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(s[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  c = Lower(c);
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// 1 to `max_digits` hex digits and nothing else.
bool ParseHexNumber(std::u16string_view digits, size_t max_digits, uint32_t* value) {
  if (digits.empty() || digits.size() > max_digits) return false;
  *value = 0;
  for (char16_t c : digits) {
    if (HexValue(c) < 0) return false;
    *value = *value << 4 | static_cast<uint32_t>(HexValue(c));
  }
  return true;
}

bool IsTextType(uint32_t type) {
  return type == static_cast<uint32_t>(RegType::kSz) ||
         type == static_cast<uint32_t>(RegType::kExpandSz) ||
         type == static_cast<uint32_t>(RegType::kMultiSz);
}

class Parser {
 public:
  Parser(std::vector<RegFileOp>* ops, RegFileError* error) : ops_(ops), error_(error) {}

  bool Run(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    for (size_t start = 0; start <= text.size();) {
      size_t end = text.find(u'\n', start);
      if (end == std::u16string_view::npos) end = text.size();
      std::u16string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
      lines.push_back(line);
      start = end + 1;
    }
    const std::u16string_view header = TrimRight(lines[0]);
    if (header == kHeader5) {
      dialect_ = RegDialect::kRegedit5;
    } else if (header != kHeader4) {
      return Fail(1,
                  "not a registry file: the first line must be \"REGEDIT4\" or \"Windows Registry "
                  "Editor Version 5.00\"");
    }
    for (size_t i = 1; i < lines.size(); ++i) {
      const int line_number = static_cast<int>(i) + 1;
      const std::u16string_view line = TrimLeft(lines[i]);
      if (line.empty() || line.front() == u';') continue;
      if (line.front() == u'[') {
        if (!KeyLine(line, line_number)) return false;
        continue;
      }
      // Hex data goes on over the following lines while a line ends in '\'.
      std::u16string statement(TrimRight(line));
      while (!statement.empty() && statement.back() == u'\\') {
        statement.pop_back();
        if (++i == lines.size()) return Fail(line_number, "the file ends inside a continued line");
        statement += TrimRight(TrimLeft(lines[i]));
      }
      if (!ValueLine(statement, line_number)) return false;
    }
    return true;
  }

 private:
  bool Fail(int line, std::string message) {
    error_->line = line;
    error_->message = std::move(message);
    return false;
  }
  std::string Ansi(std::u16string_view text) const { return ansi_.FromUtf16(text); }
  std::string Shown(std::u16string_view text) const {
    return CodePage(CodePage::kUtf8).FromUtf16(text);
  }

  bool KeyLine(std::u16string_view line, int line_number) {
    const size_t close = line.rfind(u']');
    if (close == std::u16string_view::npos)
      return Fail(line_number, "missing ']' after the key name");
    std::u16string_view path = line.substr(1, close - 1);
    const bool deleted = !path.empty() && path.front() == u'-';
    if (deleted) path.remove_prefix(1);
    const std::u16string_view hive = path.substr(0, path.find(u'\\'));
    if (!(hive.size() == 18 && StartsWithNoCase(hive, u"HKEY_LOCAL_MACHINE")) &&
        !(hive.size() == 4 && StartsWithNoCase(hive, u"HKLM"))) {
      return Fail(line_number, "only keys of HKEY_LOCAL_MACHINE can be imported: " + Shown(hive));
    }
    std::vector<std::string> parts;
    if (!SplitKeyPath(Ansi(path.substr(hive.size())), &parts)) {
      return Fail(line_number, "empty key name in " + Shown(path));
    }
    if (deleted && parts.empty()) return Fail(line_number, "HKEY_LOCAL_MACHINE cannot be deleted");
    RegFileOp op{deleted ? RegFileOp::kDeleteKey : RegFileOp::kCreateKey, {}, {}, line_number};
    for (const std::string& part : parts) op.key += (op.key.empty() ? "" : "\\") + part;
    key_ = op.key;
    in_key_ = true;
    key_deleted_ = deleted;
    ops_->push_back(std::move(op));
    return true;
  }

  // `rest` starts at an opening quote; afterwards it starts after the
  // closing one. Only \\ and \" are escapes; any other backslash stays.
  static bool Quoted(std::u16string_view& rest, std::u16string* text) {
    for (size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] == u'\\' && i + 1 < rest.size() &&
          (rest[i + 1] == u'\\' || rest[i + 1] == u'"')) {
        *text += rest[++i];
      } else if (rest[i] == u'"') {
        rest.remove_prefix(i + 1);
        return true;
      } else {
        *text += rest[i];
      }
    }
    return false;
  }

  bool ValueLine(std::u16string_view rest, int line_number) {
    if (!in_key_) return Fail(line_number, "a value before the first [key] line");
    std::u16string name;
    if (rest.front() == u'@') {
      rest.remove_prefix(1);
    } else if (rest.front() != u'"' || !Quoted(rest, &name)) {
      return Fail(line_number, "expected \"name\"=, @= or [key]: " + Shown(rest));
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != u'=')
      return Fail(line_number, "missing '=' after the value name");
    rest = TrimLeft(rest.substr(1));
    if (key_deleted_) return true;  // values of a deleted key are ignored, as regedit does

    RegFileOp op{RegFileOp::kSetValue, key_, {Ansi(name), {}}, line_number};
    if (rest == u"-") {
      op.kind = RegFileOp::kDeleteValue;
    } else if (!rest.empty() && rest.front() == u'"') {
      std::u16string text;
      if (!Quoted(rest, &text)) return Fail(line_number, "missing closing quote");
      if (!TrimLeft(rest).empty())
        return Fail(line_number, "text after the closing quote: " + Shown(rest));
      op.value.value = {RegType::kSz, Ansi(text) + '\0'};
    } else if (StartsWithNoCase(rest, u"dword:")) {
      uint32_t number;
      if (!ParseHexNumber(rest.substr(6), 8, &number)) {
        return Fail(line_number, "dword: needs 1 to 8 hex digits: " + Shown(rest));
      }
      op.value.value.type = RegType::kDword;
      for (int i = 0; i < 4; ++i)
        op.value.value.data += static_cast<char>(number >> (8 * i) & 0xFF);
    } else if (StartsWithNoCase(rest, u"hex")) {
      if (!HexData(rest.substr(3), &op.value.value, line_number)) return false;
    } else {
      return Fail(line_number, "unknown value data: " + Shown(rest));
    }
    ops_->push_back(std::move(op));
    return true;
  }

  // "hex:" or "hex(type):" followed by comma-separated bytes.
  bool HexData(std::u16string_view rest, RegValue* value, int line_number) {
    uint32_t type = static_cast<uint32_t>(RegType::kBinary);
    if (!rest.empty() && rest.front() == u'(') {
      const size_t close = rest.find(u')');
      if (close == std::u16string_view::npos ||
          !ParseHexNumber(rest.substr(1, close - 1), 8, &type)) {
        return Fail(line_number, "hex( needs a hex type number and ')'");
      }
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != u':') return Fail(line_number, "missing ':' after hex");
    rest.remove_prefix(1);
    std::string bytes;
    while (!TrimLeft(rest).empty()) {
      const size_t comma = rest.find(u',');
      const std::u16string_view token = TrimRight(TrimLeft(rest.substr(0, comma)));
      uint32_t byte;
      if (!ParseHexNumber(token, 2, &byte))
        return Fail(line_number, "not a hex byte: '" + Shown(token) + "'");
      bytes += static_cast<char>(byte);
      if (comma == std::u16string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
    if (dialect_ == RegDialect::kRegedit5 && IsTextType(type)) {
      if (bytes.size() % 2 != 0)
        return Fail(line_number, "UTF-16 text with an odd number of bytes");
      bytes = Ansi(FromUtf16Le(bytes));
    }
    *value = {static_cast<RegType>(type), std::move(bytes)};
    return true;
  }

  std::vector<RegFileOp>* ops_;
  RegFileError* error_;
  CodePage ansi_;
  RegDialect dialect_ = RegDialect::kRegedit4;
  std::string key_;
  bool in_key_ = false;
  bool key_deleted_ = false;
};

}  // namespace

bool ParseRegFile(std::string_view bytes, std::vector<RegFileOp>* ops, RegFileError* error) {
  ops->clear();
  return Parser(ops, error).Run(DecodeText(bytes));
}

}  // namespace vexa
