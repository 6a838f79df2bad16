#include "WildcardMatch.h"

#include <cstring>

namespace vexa {

int WildcardMatch(std::string_view text, std::string_view pattern, bool case_sensitive,
                  char terminator) {
  auto at = [](std::string_view s, size_t i) { return i < s.size() ? s[i] : '\0'; };
  auto ends = [terminator](char c) { return c == '\0' || c == terminator; };
  auto map = [case_sensitive](char c) { return case_sensitive ? c : FoldAscii(c); };
  size_t t = 0;
  size_t p = 0;
  size_t restart = 0;
  bool have_restart = false;
  for (;;) {
    char ct = at(text, t);
    char cp = at(pattern, p);
    if (ends(ct)) {
      if (ends(cp)) return 1;
      if (cp == '*') {
        ++p;
        continue;
      }
      return 0;
    }
    ct = map(ct);
    cp = map(cp);
    if (ct == cp) {
      ++t;
      ++p;
      continue;
    }
    if (cp == '*') {
      restart = ++p;
      have_restart = true;
      continue;
    }
    if (!have_restart) return 0;
    p = restart;
    const char cr = at(pattern, restart);
    if (ends(cr)) return 1;  // a trailing star takes the rest of the text
    if (map(cr) == ct) p = restart + 1;
    ++t;
  }
}

int WildcardMatch(const char* text, const char* pattern, bool case_sensitive, char terminator) {
  return WildcardMatch(std::string_view(text, std::strlen(text)),
                       std::string_view(pattern, std::strlen(pattern)), case_sensitive,
                       terminator);
}

}  // namespace vexa
