// vexaDB check and vexaDB lint-lists as functions, on fakes.
#include <gtest/gtest.h>

#include <sstream>

#include "Exclusion.h"
#include "ListsOnFakes.h"

namespace vexa {
namespace {

class CommandsTest : public testing::ListsOnFakes {
 protected:
  int Check(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    out_.str("");
    err_.str("");
    return RunCheckCommand(env_, args, in, out_, err_);
  }
  int Lint() {
    out_.str("");
    err_.str("");
    return RunLintCommand(env_, {}, out_, err_);
  }
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(CommandsTest, CheckOneAddress) {
  WriteLists("http://a.b\r\na\tb\r\n", "games");
  EXPECT_EQ(Check({"http://a.b/x"}), 0);
  EXPECT_EQ(out_.str(), "1\thost\n");
  EXPECT_EQ(Check({"--explain", "http://a.b/x"}), 0);
  EXPECT_EQ(out_.str(), "1\thost\tHTTP://A.B\n");
  EXPECT_EQ(Check({"--explain", "a\tb"}), 0);
  EXPECT_EQ(out_.str(), "1\taddress\tA\\tB\n");  // entries stay on one line
  EXPECT_EQ(Check({"x", "GAMES"}), 0);
  EXPECT_EQ(out_.str(), "1\tcategory\n");
  EXPECT_EQ(Check({"--explain", "x"}), 0);  // no category: a blank
  EXPECT_EQ(out_.str(), "0\tnone\t\n");
  EXPECT_EQ(err_.str(), "");
}

TEST_F(CommandsTest, CheckLinesFromStandardInput) {
  WriteLists("http://a.b\r\n", "games");
  EXPECT_EQ(Check({"-"}, "http://a.b/x\tGAMES\nzzz\n\nq\tGAMES\r\nq\t\nlast"), 0);
  EXPECT_EQ(out_.str(), "1\thost\n0\tnone\n0\tnone\n1\tcategory\n0\tnone\n0\tnone\n");
}

TEST_F(CommandsTest, CheckStreamOfManyLines) {
  WriteLists("*.b\r\n", "");
  std::string input;
  std::string expected;
  for (int i = 0; i < 50000; ++i) {
    input += i % 2 ? "x" + std::to_string(i) + ".b\n" : "x" + std::to_string(i) + ".c\n";
    expected += i % 2 ? "1\twildcard\n" : "0\tnone\n";
  }
  EXPECT_EQ(Check({"-"}, input), 0);
  EXPECT_EQ(out_.str(), expected);
}

TEST_F(CommandsTest, CheckUsageAndSettingsErrors) {
  EXPECT_EQ(Check({}), 2);
  EXPECT_NE(err_.str().find("usage"), std::string::npos);
  EXPECT_EQ(Check({"--explain"}), 2);
  EXPECT_EQ(Check({"a", "b", "c"}), 2);
  EXPECT_EQ(Check({"a"}), 0);  // no lists: said on stderr, nothing excluded
  EXPECT_EQ(out_.str(), "0\tnone\n");
  EXPECT_NE(err_.str().find("exc_log.ctl was not read"), std::string::npos);
  settings_.DeleteValue(keys::kSnp, "DIRECTORY");
  EXPECT_EQ(Check({"a"}), 2);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(CommandsTest, LintReportsWhatWeakensTheAddressList) {
  std::string file = "a.b\r\nc.d\ne.f \r\n\r\r\ng\rh\r\nx";
  file += '\0';
  file += "y\r\n\r\nlast";
  WriteLists(file, "games");
  EXPECT_EQ(Lint(), 1);
  EXPECT_EQ(out_.str(),
            "exc_log.ctl:2: ends in LF without CR: the whole-line rules never see this entry\n"
            "exc_log.ctl:3: ends in a blank: it matches only addresses that end in the same blank\n"
            "exc_log.ctl:4: holds nothing but carriage returns: it can never match an address\n"
            "exc_log.ctl:5: holds a carriage return: the whole-line rules see only what follows "
            "it, the wildcard rule drops it\n"
            "exc_log.ctl:6: holds a NUL byte: the loader drops the rest of its 255-byte read "
            "chunk\n");
}

TEST_F(CommandsTest, LintReportsWhatWeakensTheCategoryList) {
  WriteLists("a.b\r\n", "a, b,,c\\nd");
  EXPECT_EQ(Lint(), 1);
  EXPECT_EQ(out_.str(),
            "exc_logcats.ctl:1: cannot be split (unknown escape sequence) at byte 8: this name "
            "and all after it exclude nothing (the loader upper-cases \\n to \\N)\n"
            "exc_logcats.ctl:1: category name 2 (\" B\") starts or ends with a blank: it matches "
            "only categories spelled with that blank\n"
            "exc_logcats.ctl:1: category name 3 (\"\") is empty: no record has an empty category\n");
  WriteLists("a.b\r\n", "games\r\n");
  EXPECT_EQ(Lint(), 1);
  EXPECT_EQ(out_.str(),
            "exc_logcats.ctl:1: ends with a line break: it becomes part of the last category "
            "name\n");
}

TEST_F(CommandsTest, LintOfCleanOrAbsentLists) {
  EXPECT_EQ(Lint(), 0);  // nothing to check
  EXPECT_NE(err_.str().find("absent"), std::string::npos);
  WriteLists("a.b\r\n*.c.d\r\nlast", "games,news");
  EXPECT_EQ(Lint(), 0);
  EXPECT_EQ(out_.str(), "");
  files_.HoldOpen(kAddressPath);
  EXPECT_EQ(Lint(), 2);
  settings_.DeleteValue(keys::kSnp, "DIRECTORY");
  EXPECT_EQ(Lint(), 2);
}

}  // namespace
}  // namespace vexa
