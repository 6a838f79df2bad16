#include "UpdateStatement.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

LogRecord Sample() {
  LogRecord r;
  r.text1 = "T1";
  r.url = "http://o'neil.example/";
  r.text3 = "it's";
  r.logTime = "03/07/2012 09:05:01 PM";
  r.filterMark = "a'b";
  r.text6 = "'6";
  r.text7 = "7'";
  r.text8 = "8'";
  r.number9 = "9";
  r.number10 = "10";
  r.contentName = "NONE";
  r.text12 = "0";
  r.spare = " ";
  r.number14 = "12";
  r.category = "Kids' Games";
  return r;
}

TEST(UpdateStatementTest, CleansFiveFieldsOnly) {
  LogRecord r = Sample();
  CleanApostrophes(r, CodePage());
  EXPECT_EQ(r.url, "http://o neil.example/");
  EXPECT_EQ(r.text3, "it s");
  EXPECT_EQ(r.filterMark, "a b");
  EXPECT_EQ(r.text6, " 6");
  EXPECT_EQ(r.text7, "7 ");
  EXPECT_EQ(r.text8, "8'");             // not cleaned
  EXPECT_EQ(r.category, "Kids' Games");  // not cleaned
}

TEST(UpdateStatementTest, CleaningStepsOverDoubleByteCharacters) {
  LogRecord r = Sample();
  r.url = "\x81'x'";  // in 932 a lead byte takes the next byte with it
  CleanApostrophes(r, CodePage(932));
  EXPECT_EQ(r.url, "\x81'x ");
}

TEST(UpdateStatementTest, StatementTextByteForByteAndBoundValues) {
  LogRecord r = Sample();
  CleanApostrophes(r, CodePage());
  const UpdateCall call = BuildUpdateCall("D:\\Monitor\\vexa.log", r);
  EXPECT_EQ(call.statement,
            "exec vexa_updateTable 'D:\\Monitor\\vexa.log', 'T1', 'http://o neil.example/', 'it s', "
            "'03/07/2012 09:05:01 PM', 'a b', ' 6', '7 ', '8'', '9', '10', 'NONE', '0', ' ', '12', "
            "'Kids' Games'");
  EXPECT_EQ(call.values[0], "D:\\Monitor\\vexa.log");
  EXPECT_EQ(call.values[8], "8'");
  EXPECT_EQ(call.values[15], "Kids' Games");
}

TEST(UpdateStatementTest, LongValuesGoInWhole) {
  LogRecord r = Sample();
  r.category = std::string(300, 'c');
  const UpdateCall call = BuildUpdateCall("vexatab00000", r);
  EXPECT_NE(call.statement.find("'" + std::string(300, 'c') + "'"), std::string::npos);
  EXPECT_EQ(call.values[15].size(), 300u);
}

}  // namespace
}  // namespace vexa
