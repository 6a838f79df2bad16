#pragma once
// The address list's wildcard matcher: '*' stands for any run of characters
// (the empty run included); no other character is special. It never moves
// back in the text: after a mismatch inside the stretch that follows a star,
// the stretch starts again at the current text character, so "*ABAC" does
// not match "ababac". Lists in use rely on exactly this behaviour.
#include <string_view>

namespace vexa {

// 1 when `text` matches `pattern`, else 0. Both end at their NUL or at
// `terminator`. Unless `case_sensitive`, A-Z compare equal to a-z (no other
// letters).
int WildcardMatch(const char* text, const char* pattern, bool case_sensitive, char terminator);

// The same over views: the end of a view, a NUL or `terminator` ends it.
int WildcardMatch(std::string_view text, std::string_view pattern, bool case_sensitive,
                  char terminator);

// The case mapping of the case-insensitive mode: A-Z onto a-z only.
inline char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

}  // namespace vexa
