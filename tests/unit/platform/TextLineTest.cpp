#include <gtest/gtest.h>

#include "FakeFileSystem.h"
#include "TextLine.h"

namespace vexa {
namespace {

struct Case {
  const char* name;
  std::string data;
  TextLineResult result;
  std::string line;
};

class TextLineTest : public ::testing::Test {
 protected:
  TextLineResult Read(const std::string& data, std::string* line) {
    files_.AddFile("/spool/a.lok", data);
    auto file = files_.OpenExclusive("/spool/a.lok");
    EXPECT_NE(file, nullptr);
    return ReadFirstTextLine(*file, line);
  }
  fakes::FakeFileSystem files_;
};

TEST_F(TextLineTest, ReadsTheFirstLineAsTextMode) {
  const std::string long_line(5000, 'x');
  const std::string before_boundary(4095, 'y');  // the CR ends the first read
  const Case cases[] = {
      {"plain", "first\nsecond\n", TextLineResult::kLine, "first"},
      {"crlf", "first\r\nsecond", TextLineResult::kLine, "first"},
      {"no line end", "only", TextLineResult::kLine, "only"},
      {"leading lf", "\nsecond", TextLineResult::kLine, ""},
      {"leading crlf", "\r\nsecond", TextLineResult::kLine, ""},
      {"empty file", "", TextLineResult::kNoText, ""},
      {"end of text first",
       "\x1A"
       "abc\n",
       TextLineResult::kNoText, ""},
      {"end of text inside",
       "ab\x1A"
       "cd\n",
       TextLineResult::kLine, "ab"},
      {"lone cr stays", "a\rb\n", TextLineResult::kLine, "a\rb"},
      {"cr at end", "ab\r", TextLineResult::kLine, "ab\r"},
      {"cr before end of text", "ab\r\x1A", TextLineResult::kLine, "ab\r"},
      {"two crs", "ab\r\r\n", TextLineResult::kLine, "ab\r"},
      {"nul bytes kept", std::string("a\0b\n", 4), TextLineResult::kLine, std::string("a\0b", 3)},
      {"longer than one read", long_line + "\nrest", TextLineResult::kLine, long_line},
      {"crlf across reads", before_boundary + "\r\nrest", TextLineResult::kLine, before_boundary},
      {"cr across reads", before_boundary + "\rz\n", TextLineResult::kLine,
       before_boundary + "\rz"},
  };
  for (const Case& c : cases) {
    std::string line = "stale";
    EXPECT_EQ(Read(c.data, &line), c.result) << c.name;
    EXPECT_EQ(line, c.line) << c.name;
  }
}

TEST_F(TextLineTest, ReadErrorIsReportedOnAnyRead) {
  for (int nth : {1, 2}) {
    files_.faults.FailNth("read", nth);
    std::string line;
    EXPECT_EQ(Read(std::string(5000, 'x'), &line), TextLineResult::kReadError) << nth;
  }
}

}  // namespace
}  // namespace vexa
