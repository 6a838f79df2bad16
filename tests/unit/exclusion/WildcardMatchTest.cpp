#include "WildcardMatch.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

struct Case {
  const char* text;
  const char* pattern;
  int expected;
};

TEST(WildcardMatchTest, CaseInsensitiveWithNulTerminator) {
  const Case cases[] = {
      {"x.b.c", "*.B.C", 1},
      {"cca", "*CA", 1},
      {"ababac", "*ABAC", 0},  // never moves back in the text
      {"abac", "*ABAC", 1},
      {"", "**", 1},
      {" ", "", 0},
      {"abc", "a*", 1},
      {"abc", "ABC", 1},
      {"abcd", "abc", 0},
      {"abc", "abcd", 0},
      {"a*c", "a*c", 1},  // a star in the text matches a star literally
      {"a.b.c", "*.b", 0},
      {"\xE9", "\xC9", 0},  // only A-Z fold
      {"http://b.c", "http://*B.C", 1},
      {"abxcd", "a*c*", 1},
      {"aXbXc", "*x*x*", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WildcardMatch(c.text, c.pattern, false, '\0'), c.expected)
        << c.text << " / " << c.pattern;
    EXPECT_EQ(WildcardMatch(std::string_view(c.text), std::string_view(c.pattern), false, '\0'),
              c.expected)
        << c.text << " / " << c.pattern;
  }
}

TEST(WildcardMatchTest, CaseSensitiveFlagAndTerminator) {
  EXPECT_EQ(WildcardMatch("abc", "ABC", true, '\0'), 0);
  EXPECT_EQ(WildcardMatch("abc", "abc", true, '\0'), 1);
  EXPECT_EQ(WildcardMatch("ab;junk", "ab", false, ';'), 1);
  EXPECT_EQ(WildcardMatch("ab", "a*;b", false, ';'), 1);
}

TEST(WildcardMatchTest, ViewsEndAtNul) {
  using namespace std::string_literals;
  EXPECT_EQ(WildcardMatch("ab\0cd"s, "ab"s, false, '\0'), 1);
  EXPECT_EQ(WildcardMatch("ab"s, "a*\0x"s, false, '\0'), 1);
}

}  // namespace
}  // namespace vexa
