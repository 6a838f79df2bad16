#include "ParseLogLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeClock.h"

namespace vexa {
namespace {

// 2012-03-07 21:05:01 UTC; the fake clock's local time is UTC.
constexpr int64_t kSpoolTime = 1331154301;

std::string Join(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\x01" : "") + fields[i];
  return line;
}

LogRecord Parse(const std::string& line, unsigned page = 1252) {
  fakes::FakeClock clock;
  return ParseLogLine(line, kSpoolTime, CodePage(page), clock);
}

std::vector<std::string> AllFields(const LogRecord& r) {
  std::vector<std::string> out;
  for (const std::string* f : r.Fields()) out.push_back(*f);
  return out;
}

TEST(ParseLogLineTest, EmptyLineIsShortWithBlanks) {
  const LogRecord r = Parse("");
  EXPECT_EQ(AllFields(r), (std::vector<std::string>{" ", " ", " ", "03/07/2012 09:05:01 PM", " ", " ",
                                                     " ", " ", "0", "0", "", "", " ", " ", " "}));
}

TEST(ParseLogLineTest, LineKinds) {
  struct Case {
    std::string line;
    LineKind kind;
  };
  const std::vector<Case> cases = {
      {Join(std::vector<std::string>(11, "f")), LineKind::kShort},   // 10 separators
      {Join(std::vector<std::string>(12, "f")), LineKind::kLong},    // 11 separators
      {"\x01" + Join(std::vector<std::string>(11, "f")), LineKind::kShort},  // first byte not counted
      {"\x07x\x01y", LineKind::kMarked07},
      {"\x06x\x07y", LineKind::kMarked06},
      {"\x06\x07", LineKind::kMarked06},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyLine(c.line), c.kind) << c.line;
}

TEST(ParseLogLineTest, ShortLayoutAndMissingFieldsRepeatTheLast) {
  const LogRecord r = Parse(Join({"a", "b", "c"}));
  EXPECT_EQ(r.text1, "a");
  EXPECT_EQ(r.url, "b");
  for (const std::string* f : {&r.text3, &r.filterMark, &r.text6, &r.text8, &r.contentName, &r.text12}) {
    EXPECT_EQ(*f, "c");
  }
  EXPECT_EQ(r.text7, " ");
  EXPECT_EQ(r.number9, "0");
  EXPECT_EQ(r.number10, "0");
  EXPECT_EQ(r.category, " ");
  EXPECT_EQ(r.number14, " ");
}

TEST(ParseLogLineTest, LongLayoutTakesEveryField) {
  const LogRecord r = Parse(Join({"T1", "http://x/", "T3", "F4", "T6", "T7", "T8", " \t 9", "  10", "c.htm",
                                  "skip", "500l"}));
  EXPECT_EQ(AllFields(r), (std::vector<std::string>{"T1", "http://x/", "T3", "03/07/2012 09:05:01 PM", "F4",
                                                     "T6", "T7", "T8", "9", "10", "c.htm", "0", " ", "500",
                                                     " "}));
}

TEST(ParseLogLineTest, WidthsCutToTheFirstBytes) {
  const LogRecord r = Parse(Join({std::string(9, '1'), std::string(300, 'u'), std::string(130, '3'),
                                  std::string(20, 'f'), std::string(40, '6'), std::string(15, '8'),
                                  std::string(25, 'n')}));
  EXPECT_EQ(r.text1.size(), 8u);
  EXPECT_EQ(r.url.size(), 240u);
  EXPECT_EQ(r.text3.size(), 128u);
  EXPECT_EQ(r.filterMark, std::string(16, 'f'));
  EXPECT_EQ(r.category, " ");
  EXPECT_EQ(r.text6.size(), 32u);
  EXPECT_EQ(r.text8.size(), 12u);
  EXPECT_EQ(r.contentName.size(), 20u);
}

TEST(ParseLogLineTest, FilterRule) {
  struct Case {
    std::string field4, filter_mark, category;
  };
  const std::vector<Case> cases = {
      {"Vexa Filters: Gambling", "Vexa Filters", "Gambling"},
      {"Vexa NFilt: News", " ", "News"},
      {"XVexa Filters", "Vexa Filters", "Vexa Filters"},  // no colon: all but the first byte
      {"Vexa Filters:", "Vexa Filters", " "},
      {"Vexa Filters: ", "Vexa Filters", " "},
      {"Vexa Filters:x", "Vexa Filters", " "},  // the byte after the colon is dropped
      {"vexa filters: Games", "vexa filters: Ga", " "},  // case as written
      {"", " ", " "},
  };
  for (const Case& c : cases) {
    const LogRecord r = Parse(Join({"a", "b", "c", c.field4, "e"}));
    EXPECT_EQ(r.filterMark, c.filter_mark) << c.field4;
    EXPECT_EQ(r.category, c.category) << c.field4;
  }
}

TEST(ParseLogLineTest, CategoryHasNoWidthLimit) {
  const std::string category(300, 'k');
  EXPECT_EQ(Parse(Join({"a", "b", "c", "Vexa Filters: " + category})).category, category);
}

TEST(ParseLogLineTest, TailRule) {
  struct Case {
    std::string tail, text12, number14;
  };
  const std::vector<Case> cases = {
      {"12", "12", " "},
      {"  abc", "abc", " "},
      {"12l", "0", "12"},
      {"-5l", "1", "2147483643"},
      {"-1l", "1", "2147483647"},
      {"l", "0", "0"},
      {"99999999999l", "0", "2147483647"},
      {"-99999999999l", "1", "0"},
  };
  for (const Case& c : cases) {
    const LogRecord r = Parse(Join({"1", "2", "3", "4", "5", "6", "7", "8", c.tail}));
    EXPECT_EQ(r.text12, c.text12) << c.tail;
    EXPECT_EQ(r.number14, c.number14) << c.tail;
  }
}

TEST(ParseLogLineTest, MarkedLines) {
  // Marked07: both markers and the prefix go; the tail and the number after it.
  LogRecord r = Parse("\x07prefix\x07" + Join({"a", "b", "c", "d", "e", "f", "g", "8", "9", "n", "s", " t", "-7"}));
  EXPECT_EQ(r.text1, "a");
  EXPECT_EQ(r.text7, "f");
  EXPECT_EQ(r.text12, "t");
  EXPECT_EQ(r.number14, "-7");

  // Marked07 without a second marker loses only its first byte.
  r = Parse("\x07" "abc");
  EXPECT_EQ(r.text1, "abc");

  // Marked06 without any 0x07 keeps its 0x06 in text1; the tail is numeric.
  r = Parse("\x06" + Join({"a", "b", "c", "d", "e", "f", "g", "8", "9", "n", "s", "-1"}));
  EXPECT_EQ(r.text1, "\x06" "a");
  EXPECT_EQ(r.text12, "1");
  EXPECT_EQ(r.number14, "2147483647");

  // Marked06 with a 0x07 drops everything through it; 0x06 elsewhere is content.
  r = Parse("\x06pre\x07" + Join({"a\x06", "b"}));
  EXPECT_EQ(r.text1, "a\x06");
  EXPECT_EQ(r.url, "b");
}

TEST(ParseLogLineTest, DoubleByteCharactersHideTheirTrailBytes) {
  // In code page 932, 0x83 0x6C is one character whose trail byte is 'l':
  // it is not the letter that turns the tail numeric.
  const std::string tail = "\x83\x6C" "12";
  EXPECT_EQ(Parse(Join({"1", "2", "3", "4", "5", "6", "7", "8", tail}), 932).text12, tail);
  EXPECT_EQ(Parse(Join({"1", "2", "3", "4", "5", "6", "7", "8", tail}), 1252).text12, "0");
  // The double-byte space is white space in 932.
  const LogRecord r = Parse(Join({"1", "2", "3", "4", "5", "6", "7", "8", "\x81\x40" "42"}), 932);
  EXPECT_EQ(r.text12, "42");
}

}  // namespace
}  // namespace vexa
