#include "Names.h"

#include <gtest/gtest.h>

namespace vexa::extract {
namespace {

TEST(ExtractNames, CleanedNames) {
  const struct {
    const char* name;
    const char* cleaned;
  } cases[] = {
      {"my-report.pdf", "myreport.pdf"},
      {"\"a:b.txt\"", "ab.txt"},
      {"  x.bin \t", "x.bin"},
      {"../../etc/passwd", "....etcpasswd"},
      {"a\\b/c*d?e<f>g|h", "abcdefgh"},
      {"\"\"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanName(c.name), c.cleaned) << c.name;
  EXPECT_FALSE(IsUsableName(""));
  EXPECT_FALSE(IsUsableName("."));
  EXPECT_FALSE(IsUsableName(".."));
  EXPECT_TRUE(IsUsableName("..."));
}

TEST(ExtractNames, GeneratedNames) {
  EXPECT_EQ(GeneratedMessageName("john", 41, 0), "john_41_0.out");
  EXPECT_EQ(GeneratedMessageName("From: a/b", 5, 2), "From: ab_5_2.out");
  EXPECT_EQ(GeneratedContainerName(38), "KRTV_38.out");
  // The classic runtime's first value after seeding.
  EXPECT_EQ(FirstRandomAfterSeed(0), 38);
  EXPECT_EQ(FirstRandomAfterSeed(1), 41);
}

TEST(ExtractNames, Delimiters) {
  Delimiter d = PrepareDelimiter("\"abc\"\r\nnext");
  EXPECT_EQ(d.line, "--abc");
  EXPECT_EQ(d.closing, "--abc--");
  EXPECT_EQ(PrepareDelimiter(" x y ; charset=a\n").line, "--x y ; charset=a");
}

TEST(ExtractNames, OverwriteQuestion) {
  EXPECT_EQ(OverwriteQuestion("/tmp/out/a.txt"),
            "\"/tmp/out/a.txt\" already exists.  Would you like to overwrite the existing file?\n");
}

}  // namespace
}  // namespace vexa::extract
