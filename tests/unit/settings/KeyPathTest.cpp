#include <gtest/gtest.h>

#include <algorithm>

#include "KeyPath.h"

namespace vexa {
namespace {

TEST(KeyPathTest, SplitsOnBackslashesAndRejectsEmptyParts) {
  std::vector<std::string> parts;
  ASSERT_TRUE(SplitKeyPath("\\SOFTWARE\\Dovra Software, Inc.\\Snp\\", &parts));
  EXPECT_EQ(parts, (std::vector<std::string>{"SOFTWARE", "Dovra Software, Inc.", "Snp"}));
  ASSERT_TRUE(SplitKeyPath("", &parts));
  EXPECT_TRUE(parts.empty());
  EXPECT_FALSE(SplitKeyPath("A\\\\B", &parts));
}

TEST(KeyPathTest, FileNamesArePlainAsciiAndDecodeBack) {
  struct Case {
    std::string name, file;
  } cases[] = {
      {"Dovra Software, Inc.", "dovra software, inc."},
      {"..", "%2E."},
      {".hidden", "%2Ehidden"},
      {"a/b%c", "a%2Fb%25c"},
      {"Caf\xC9\x01", "caf%C9%01"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyFileName(c.name), c.file);
    EXPECT_EQ(KeyNameFromFileName(c.file), FoldCase(c.name));
  }
}

TEST(KeyPathTest, LongNamesGetShortFileNamesThatStillIgnoreCase) {
  const std::string wide(255, '\xE9');  // three bytes each when written as %E9
  const std::string file = KeyFileName(wide);
  EXPECT_EQ(file.size(), 217u);
  EXPECT_EQ(file, KeyFileName(std::string(255, '\xE9')));
  EXPECT_NE(file, KeyFileName(std::string(254, '\xE9') + "x"));
  EXPECT_EQ(KeyFileName(std::string(300, 'A')), KeyFileName(std::string(300, 'a')));
  EXPECT_EQ(KeyFileName(std::string(255, 'a')), std::string(255, 'a'));
}

TEST(KeyPathTest, NamesCompareWithoutCaseAndSortAsTheRegistryDoes) {
  EXPECT_TRUE(SameName("DIRECTORY", "directory"));
  EXPECT_FALSE(SameName("DIRECTORY", "DIRECTOR"));
  std::vector<std::string> names = {"Z_Last", "za", "Zb", "Z"};
  std::sort(names.begin(), names.end(), [](auto& a, auto& b) { return RegistryLess(a, b); });
  EXPECT_EQ(names, (std::vector<std::string>{"Z", "za", "Zb", "Z_Last"}));
}

}  // namespace
}  // namespace vexa
