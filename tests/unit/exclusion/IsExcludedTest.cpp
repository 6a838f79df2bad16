// The exclusion test's rules, each case run through the index and through
// the reference, which must agree.
#include <gtest/gtest.h>

#include "ListsFromFiles.h"

namespace vexa {
namespace {

using testing::Fast;
using testing::ListsFromFiles;
using testing::Slow;
using R = ExclusionRule;

ExclusionVerdict Both(const ExclusionLists& lists, const std::string& url,
                      const std::string& category = " ") {
  const ExclusionVerdict fast = Fast(lists, url, category);
  EXPECT_EQ(fast, Slow(lists, url, category)) << "index and reference differ for " << url;
  return fast;
}

struct Case {
  const char* entry;
  const char* address;
  int result;
  R rule;
};

TEST(IsExcludedTest, AddressRulesInOrder) {
  const Case cases[] = {
      {"HTTPS://*", "https://A.B/c", 1, R::kHttpsAny},
      {"HTTP://A.B.C", "http://a.b.c/x/y.html", 1, R::kHost},
      {"HTTP://A.B.C", "http://a.b.c:8080/x", 0, R::kNone},  // the host form keeps the port
      {"XHTTP://A.B.C", "http://a.b.c/x", 1, R::kHost},      // tail of a longer entry
      {"HTTP://A.B.C/X", "http://a.b.c/x", 1, R::kAddress},
      {"HTTP://*.B.C", "http://a.b.c/x", 1, R::kHostSuffix},
      {"HTTP://*.B.C", "http://b.c/x", 0, R::kNone},
      {"HTTP://*.B.C", "http://b.c", 1, R::kWildcardHttp},
      {"HTTP://*.B.C", "http://xb.c", 1, R::kWildcardHttp},
      {"HTTPS://*.B.C", "https://xb.c", 1, R::kWildcardHttps},
      {"HTTP://*.B.C/D.E", "http://a.b.c/d.e", 1, R::kAddressSuffix},
      {"FTP://*.B.C", "ftp://a.b.c/f", 1, R::kHostSuffix},
      {"*@B.C", "u@b.c", 1, R::kMailDomain},
      {"*@B.C", "u@a.b.c", 0, R::kNone},
      {"*.B.C", "a.b.c", 1, R::kWildcard},
      {"*.B.C", "b.c", 1, R::kAddress},  // step 5 finds the tail of the entry
      {"*.B.C", "http://a.b.c/", 0, R::kNone},
      {"A.B.C ", "a.b.c", 0, R::kNone},  // blanks belong to the entry
      {"*.B.C*", "xb.c", 0, R::kNone},
      {"*.B.C*", "x.b.cde", 1, R::kWildcard},
      {"HTTP://HTTP:", "a.b/?u=http://c.d", 1, R::kHost},  // cut from the address's own start
  };
  for (const Case& c : cases) {
    const ExclusionLists lists = ListsFromFiles(std::string(c.entry) + "\r\n", "");
    const ExclusionVerdict v = Both(lists, c.address);
    EXPECT_EQ(v.excluded, c.result) << c.entry << " / " << c.address;
    EXPECT_EQ(v.rule, c.rule) << c.entry << " / " << c.address;
  }
}

TEST(IsExcludedTest, ExplainNamesTheWholeEntry) {
  const ExclusionLists lists = ListsFromFiles("a.b\r\nxhttp://a.b.c\r\n*.d.e\n", "");
  EXPECT_EQ(Both(lists, "http://a.b.c/x").entry, "XHTTP://A.B.C");
  EXPECT_EQ(Both(lists, "x.d.e").entry, "*.D.E");
  EXPECT_EQ(Both(lists, "d.e"), (ExclusionVerdict{1, R::kWildcardDot, "*.D.E"}));
  EXPECT_EQ(Both(lists, "q").entry, "");
}

TEST(IsExcludedTest, FirstLineInListOrderDecidesTheWildcardRule) {
  const ExclusionLists lists = ListsFromFiles("*X\nHTTP://*.B.C\r\n*.B.C\r\n", "");
  EXPECT_EQ(Both(lists, "http://b.c"), (ExclusionVerdict{1, R::kWildcardHttp, "HTTP://*.B.C"}));
  EXPECT_EQ(Both(lists, "a.b.c"), (ExclusionVerdict{1, R::kWildcard, "*.B.C"}));
  EXPECT_EQ(Both(lists, "ax"), (ExclusionVerdict{1, R::kWildcard, "*X"}));
}

TEST(IsExcludedTest, EmptyAddressAndEmptyLists) {
  EXPECT_EQ(Both(ExclusionLists(), "a.b", " ").excluded, 0);
  const ExclusionLists lists = ListsFromFiles("a.b\r\n", "games");
  EXPECT_EQ(Both(lists, "", "GAMES"), ExclusionVerdict{});
  // An empty category equals an empty category list: callers pass a blank.
  const ExclusionLists no_categories = ListsFromFiles("", "");
  EXPECT_EQ(Both(no_categories, "x", "").rule, R::kCategory);
  EXPECT_EQ(Both(no_categories, "x", " ").excluded, 0);
}

TEST(IsExcludedTest, LetterCaseByTheCodePage) {
  // 1252: é is 0xE9, É is 0xC9. Steps 2-9 upper-case both sides, the
  // wildcard rule folds A-Z only.
  const ExclusionLists lists = ListsFromFiles("http://caf\xE9.fr\r\n*.caf\xE9.net\r\n", "");
  EXPECT_EQ(Both(lists, "http://CAF\xC9.fr/menu").rule, R::kHost);
  EXPECT_EQ(Both(lists, "x.caf\xE9.net").excluded, 0);
  EXPECT_EQ(Both(lists, "x.caf\xC9.net").rule, R::kWildcard);
}

TEST(IsExcludedTest, DoubleByteListsMatchOnlyOnCharacterBoundaries) {
  // In page 932, 0x81 0x41 is one character: "A.B" inside it is no tail.
  const std::string file = "\x81" "A.B\r\n";
  EXPECT_EQ(Both(ListsFromFiles(file, "", CodePage(932)), "b.x.a.b").excluded, 0);
  EXPECT_EQ(Both(ListsFromFiles(file, "", CodePage(932)), "a.b").excluded, 0);
  EXPECT_EQ(Both(ListsFromFiles(file, "", CodePage(1252)), "a.b").rule, R::kAddress);
}

TEST(IsExcludedTest, LfOnlyLinesOnlyReachTheWildcardRule) {
  const ExclusionLists lists = ListsFromFiles("http://a.b\nhttp://*.c.d\n", "");
  EXPECT_EQ(Both(lists, "http://a.b").rule, R::kWildcard);  // the plain compare
  EXPECT_EQ(Both(lists, "http://a.b/x").excluded, 0);       // no host rule
  EXPECT_EQ(Both(lists, "http://x.c.d").rule, R::kWildcard);
  EXPECT_EQ(Both(lists, "http://x.c.d/p").excluded, 0);
}

struct CategoryCase {
  const char* file;
  const char* category;
  int result;
};

TEST(IsExcludedTest, CategoryRule) {
  const CategoryCase cases[] = {
      {"games", "GAMES", 1},
      {"games", "Games", 0},
      {"games\r\n", "GAMES", 0},  // the line break is part of the name
      {"a, b", " B", 1},
      {"a, b", "B", 0},
      {"a,\"b,c\"", "B,C", 1},
      {"a,\"b,c\"", "B", 0},
      {"a,b\\,c", "B,C", 1},
      {"a\\q", "A\\Q", 1},  // no comma: one name, no escapes
      {"a,", "", 1},        // a comma at the end gives one more, empty, name
  };
  for (const CategoryCase& c : cases) {
    const ExclusionLists lists = ListsFromFiles("", c.file);
    EXPECT_EQ(Both(lists, "x", c.category).excluded, c.result) << c.file << " / " << c.category;
  }
}

TEST(IsExcludedTest, BadEscapeKeepsTheNamesBeforeIt) {
  for (const char* file : {"a,b\\q,c", "a,b,c\\"}) {
    const ExclusionLists lists = ListsFromFiles("x.y\r\n", file);
    EXPECT_FALSE(lists.category_error().empty()) << file;
    EXPECT_EQ(Both(lists, "z", "A").rule, R::kCategory) << file;
    EXPECT_EQ(Both(lists, "z", "C").excluded, 0) << file;
    EXPECT_EQ(Both(lists, "x.y", "C").rule, R::kAddress) << file;  // addresses still work
  }
  EXPECT_EQ(ListsFromFiles("", "a,b\\q").category_error(), "unknown escape sequence");
  EXPECT_EQ(ListsFromFiles("", "a,b\\").category_error(), "cannot end with escape");
  // "\n" in the file is upper-cased to "\N" before the split.
  EXPECT_EQ(ListsFromFiles("", "a,b\\nc").category_error(), "unknown escape sequence");
}

}  // namespace
}  // namespace vexa
