#include "KeyPath.h"

#include <algorithm>
#include <cstdint>

namespace vexa {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool SplitKeyPath(std::string_view path, std::vector<std::string>* parts) {
  parts->clear();
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return true;
  for (;;) {
    const size_t cut = path.find('\\');
    const std::string_view part = path.substr(0, cut);
    if (part.empty()) return false;
    parts->emplace_back(part);
    if (cut == std::string_view::npos) return true;
    path.remove_prefix(cut + 1);
  }
}

std::string FoldCase(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = Lower(c);
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool RegistryLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Upper(x)) < static_cast<unsigned char>(Upper(y));
  });
}

std::string KeyFileName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // File names end at 255 bytes; a longer one keeps its start and gets the
  // FNV-1a hash of the folded name, which never changes between builds.
  static constexpr size_t kMaxFileName = 255;
  static constexpr size_t kKeptOfLongName = 200;
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(Lower(name[i]));
    if (b < 0x20 || b >= 0x7F || b == '/' || b == '%' || (i == 0 && b == '.')) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += static_cast<char>(b);
    }
  }
  if (out.size() > kMaxFileName) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(Lower(c))) * 0x100000001b3ULL;
    out.resize(kKeptOfLongName);
    out += '~';
    for (int shift = 60; shift >= 0; shift -= 4) out += kHex[hash >> shift & 15];
  }
  return out;
}

std::string KeyNameFromFileName(std::string_view file_name) {
  std::string out;
  for (size_t i = 0; i < file_name.size(); ++i) {
    if (file_name[i] == '%' && i + 2 < file_name.size() && HexDigit(file_name[i + 1]) >= 0 &&
        HexDigit(file_name[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(file_name[i + 1]) * 16 + HexDigit(file_name[i + 2]));
      i += 2;
    } else {
      out += file_name[i];
    }
  }
  return out;
}

}  // namespace vexa
