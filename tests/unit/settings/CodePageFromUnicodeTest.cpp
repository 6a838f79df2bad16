#include <gtest/gtest.h>

#include "CodePage.h"

namespace vexa {
namespace {

TEST(CodePageFromUnicodeTest, Windows1252RoundTripsEveryByte) {
  const CodePage page;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(page.FromUtf16(page.ToUtf16(all)), all);
  EXPECT_EQ(page.FromUtf8(page.ToUtf8(all)), all);
}

TEST(CodePageFromUnicodeTest, CharactersThePageLacksBecomeQuestionMarks) {
  EXPECT_EQ(CodePage().FromUtf16(u"\u20ac\u4e2d\U0001F600\xD800x"), "\x80???x");
  EXPECT_EQ(CodePage().FromUtf8("caf\xC3\xA9 \xFF"), "caf\xE9 ?");
  EXPECT_EQ(CodePage(CodePage::kUtf8).FromUtf16(u"\u00e9"), "\xC3\xA9");
  EXPECT_EQ(CodePage(932).FromUtf16(u"\u65e5a\u00e9"),
            "\x93\xFA"
            "a?");
}

}  // namespace
}  // namespace vexa
