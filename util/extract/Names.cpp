#include "Names.h"

#include <string_view>

namespace vexa::extract {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IsSpace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string CleanName(std::string_view name) {
  constexpr std::string_view kRemoved = "\"\\/:*?<>|-";
  std::string kept;
  kept.reserve(name.size());
  for (char c : name) {
    if (kRemoved.find(c) == std::string_view::npos) kept.push_back(c);
  }
  return std::string(Trim(kept));
}

bool IsUsableName(std::string_view cleaned) { return !cleaned.empty() && cleaned != "." && cleaned != ".."; }

std::string GeneratedMessageName(std::string_view sender, int number, int counter) {
  std::string name;
  for (char c : sender) {
    if (c != '/') name.push_back(c);
  }
  return name + "_" + std::to_string(number) + "_" + std::to_string(counter) + ".out";
}

std::string GeneratedContainerName(int number) { return "KRTV_" + std::to_string(number) + ".out"; }

int FirstRandomAfterSeed(uint32_t seed) {
  const uint32_t next = seed * 214013u + 2531011u;
  return static_cast<int>((next >> 16) & 0x7fff);
}

Delimiter PrepareDelimiter(std::string_view after_keyword) {
  const size_t eol = after_keyword.find_first_of("\r\n");
  std::string boundary;
  for (char c : after_keyword.substr(0, eol)) {
    if (c != '"') boundary.push_back(c);
  }
  return MakeDelimiter(Trim(boundary));
}

Delimiter MakeDelimiter(std::string_view boundary) {
  Delimiter d;
  d.line = "--" + std::string(boundary);
  d.closing = d.line + "--";
  return d;
}

std::string OverwriteQuestion(const std::string& path) {
  return "\"" + path + "\" already exists.  Would you like to overwrite the existing file?\n";
}

}  // namespace vexa::extract
