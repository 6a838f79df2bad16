#include "CodePage.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(CodePageTest, UpperCasingFollowsThePage) {
  struct Case {
    unsigned page;
    std::string in, out;
  };
  const Case cases[] = {
      {1252, "abc xyz", "ABC XYZ"},
      {1252, "caf\xE9 \x9A\x9C\x9E\xFF", "CAF\xC9 \x8A\x8C\x8E\x9F"},  // é š œ ž ÿ
      {1252, "\xDF\xF7\xB5", "\xDF\xF7\xB5"},                          // ß ÷ µ have no upper case
      {932, "a\x83\x61z", "A\x83\x61Z"},  // the trail byte 'a' of a double-byte character stays
      {932, "\xE9", "\xE9"},              // a lone lead byte at the end stays
      {65001, "caf\xC3\xA9", "CAF\xC3\xA9"},  // only single-byte letters
  };
  for (const Case& c : cases) EXPECT_EQ(CodePage(c.page).ToUpper(c.in), c.out) << c.page << " " << c.in;
}

TEST(CodePageTest, FindStartsOnlyOnCharacterBoundaries) {
  const CodePage sjis(932);
  const std::string text = "\x83\x6Cl";  // a double-byte character ending in 'l', then 'l'
  EXPECT_EQ(sjis.Find(text, 'l'), 2u);
  EXPECT_EQ(CodePage(1252).Find(text, 'l'), 1u);
  EXPECT_EQ(sjis.Find(text, std::string_view("\x6Cl")), std::string_view::npos);
  EXPECT_EQ(sjis.Find("ab:c", ':'), 2u);
}

TEST(CodePageTest, LeadBytesAndSpaces) {
  EXPECT_FALSE(CodePage(1252).IsLeadByte(0x81));
  EXPECT_TRUE(CodePage(932).IsLeadByte(0x81));
  EXPECT_FALSE(CodePage(932).IsLeadByte(0xA1));  // half-width katakana
  EXPECT_TRUE(CodePage(936).IsLeadByte(0xA1));
  EXPECT_EQ(CodePage(932).TrimLeadingSpace("\x81\x40 \tx"), "x");
  EXPECT_EQ(CodePage(950).TrimLeadingSpace("\xA1\x40x"), "x");
  EXPECT_EQ(CodePage(1252).TrimLeadingSpace("\xA0x"), "\xA0x");
}

TEST(CodePageTest, ConvertsToUnicodeAtTheDatabaseBoundary) {
  EXPECT_EQ(CodePage(1252).ToUtf8("\x80 caf\xE9 \x81"), "\xE2\x82\xAC caf\xC3\xA9 \xC2\x81");
  EXPECT_EQ(CodePage(1252).ToUtf16("\x80\xE9"), u"\u20AC\u00E9");
  EXPECT_EQ(CodePage(932).ToUtf8("\x82\xA0"), "\xE3\x81\x82");  // hiragana a
  EXPECT_EQ(CodePage(932).ToUtf8("x\x82"), "x\xEF\xBF\xBD");    // a cut character becomes U+FFFD
  EXPECT_EQ(CodePage(65001).ToUtf8("ok\xC3\xA9\xFF"), "ok\xC3\xA9\xEF\xBF\xBD");
  EXPECT_EQ(CodePage(65001).ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(CodePageTest, UnknownPagesFallBackToWindows1252) {
  EXPECT_EQ(CodePage(437).id(), 1252u);
  EXPECT_TRUE(CodePage::IsSupported(949));
  EXPECT_FALSE(CodePage::IsSupported(850));
}

}  // namespace
}  // namespace vexa
