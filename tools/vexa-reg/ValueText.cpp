#include "ValueText.h"

#include <charconv>
#include <cstdint>

#include "CodePage.h"
#include "KeyPath.h"

namespace vexa {
namespace {

constexpr std::string_view kTypeNames[] = {"REG_NONE",
                                           "REG_SZ",
                                           "REG_EXPAND_SZ",
                                           "REG_BINARY",
                                           "REG_DWORD",
                                           "REG_DWORD_BIG_ENDIAN",
                                           "REG_LINK",
                                           "REG_MULTI_SZ",
                                           "REG_RESOURCE_LIST",
                                           "REG_FULL_RESOURCE_DESCRIPTOR",
                                           "REG_RESOURCE_REQUIREMENTS_LIST",
                                           "REG_QWORD"};

// The types reg add accepts.
bool CanAdd(RegType type) {
  switch (type) {
    case RegType::kNone:
    case RegType::kSz:
    case RegType::kExpandSz:
    case RegType::kBinary:
    case RegType::kDword:
    case RegType::kMultiSz:
    case RegType::kQword:
      return true;
  }
  return false;
}

std::string Hex(uint64_t value) {
  char buf[24];
  auto end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
  return "0x" + std::string(buf, end);
}

uint64_t LittleEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

// Decimal, or hex after 0x, no larger than `max`.
std::optional<uint64_t> Number(std::string_view text, uint64_t max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  uint64_t value;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max)
    return std::nullopt;
  return value;
}

}  // namespace

std::string TypeName(RegType type) {
  const auto index = static_cast<uint32_t>(type);
  if (index < std::size(kTypeNames)) return std::string(kTypeNames[index]);
  return "REG_" + Hex(index);
}

std::optional<RegType> TypeFromName(std::string_view name) {
  for (uint32_t i = 0; i < std::size(kTypeNames); ++i) {
    const auto type = static_cast<RegType>(i);
    if (CanAdd(type) && SameName(name, kTypeNames[i])) return type;
  }
  return std::nullopt;
}

std::string ShowData(const RegValue& value) {
  const CodePage ansi;
  std::string_view data = value.data;
  switch (value.type) {
    case RegType::kSz:
    case RegType::kExpandSz:
      return ansi.ToUtf8(data.substr(0, data.find('\0')));
    case RegType::kMultiSz: {
      std::string shown;
      while (!data.empty() && data.front() != '\0') {
        if (!shown.empty()) shown += "\\0";
        const size_t end = std::min(data.find('\0'), data.size());
        shown += ansi.ToUtf8(data.substr(0, end));
        data.remove_prefix(std::min(end + 1, data.size()));
      }
      return shown;
    }
    case RegType::kDword:
    case RegType::kQword:
      if (data.size() == (value.type == RegType::kDword ? 4u : 8u)) return Hex(LittleEndian(data));
      break;
    default:
      break;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (unsigned char b : data) {
    shown += kDigits[b >> 4];
    shown += kDigits[b & 15];
  }
  return shown;
}

std::optional<std::string> DataFromText(RegType type, std::string_view text,
                                        std::string_view separator) {
  const CodePage ansi;
  switch (type) {
    case RegType::kSz:
    case RegType::kExpandSz:
      return ansi.FromUtf8(text) + '\0';
    case RegType::kMultiSz: {
      std::string data;
      while (!text.empty()) {
        const size_t cut = separator.empty() ? std::string_view::npos : text.find(separator);
        data += ansi.FromUtf8(text.substr(0, cut)) + '\0';
        text.remove_prefix(cut == std::string_view::npos ? text.size() : cut + separator.size());
      }
      return data + '\0';
    }
    case RegType::kDword:
    case RegType::kQword: {
      const bool dword = type == RegType::kDword;
      const auto number = Number(text, dword ? UINT32_MAX : UINT64_MAX);
      if (!number) return std::nullopt;
      std::string data;
      for (int i = 0; i < (dword ? 4 : 8); ++i)
        data += static_cast<char>(*number >> (8 * i) & 0xFF);
      return data;
    }
    default: {
      if (text.size() % 2 != 0) return std::nullopt;
      std::string data;
      for (size_t i = 0; i < text.size(); i += 2) {
        const auto byte = Number(std::string("0x") + std::string(text.substr(i, 2)), 0xFF);
        if (!byte) return std::nullopt;
        data += static_cast<char>(*byte);
      }
      return data;
    }
  }
}

}  // namespace vexa
