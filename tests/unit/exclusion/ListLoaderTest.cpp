// RefreshExcludeFile on fakes: which content each list ends up with.
#include <gtest/gtest.h>

#include "Exclusion.h"
#include "ListsOnFakes.h"

namespace vexa {
namespace {

class ListLoaderTest : public testing::ListsOnFakes {
 protected:
  void Refresh() { RefreshExcludeFile(env_, lists_); }
  ExclusionLists lists_;
};

TEST_F(ListLoaderTest, UnreadableDirectoryIsReportedAndKeepsBothLists) {
  WriteLists("a.b", "games");
  Refresh();
  settings_.DeleteValue(keys::kSnp, "DIRECTORY");
  WriteLists("c.d", "news");
  Refresh();
  EXPECT_EQ(log_.events,
            std::vector<std::string>{"RefreshExcludeFile(): Registry read of \\Snp\\DIRECTORY Failed"});
  EXPECT_EQ(lists_.address_text(), "A.B\r\n");
  EXPECT_EQ(lists_.category_text(), "GAMES");
}

TEST_F(ListLoaderTest, NoConfigFolderLeavesBothListsEmpty) {
  Refresh();
  EXPECT_EQ(lists_.address_text(), "");
  EXPECT_EQ(lists_.category_text(), "");
  EXPECT_EQ(IsExcluded(lists_, "http://a.b/", " "), 0);
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(ListLoaderTest, TextIsUpperCasedByTheCodePageAndEndsInCrLf) {
  struct Case {
    const char* file;
    const char* list;
  };
  const Case cases[] = {
      {"a.b\r\nhttp://caf\xE9.fr", "A.B\r\nHTTP://CAF\xC9.FR\r\n"},  // last line without break
      {"a.b\nc.d\n", "A.B\nC.D\n\r\n"},                                // LF-only lines stay
      {"a.b\r\n", "A.B\r\n"},
      {"", "\r\n"},
  };
  for (const Case& c : cases) {
    WriteLists(c.file, "games\r\n");
    Refresh();
    EXPECT_EQ(lists_.address_text(), c.list) << c.file;
    EXPECT_EQ(lists_.category_text(), "GAMES\r\n");  // nothing added
  }
  WriteLists("http://caf\xE9.fr", "");
  Refresh();
  EXPECT_EQ(IsExcluded(lists_, "http://CAF\xE9.fr/menu", " "), 1);
}

TEST_F(ListLoaderTest, NulDropsTheRestOfItsReadChunk) {
  std::string file = "a.b\r\nx";
  file += '\0';
  file += std::string(255 - file.size(), 'y');  // the rest of the first 255-byte chunk
  file += "\r\nc.d\r\n";
  WriteLists(file, "");
  Refresh();
  EXPECT_EQ(lists_.address_text(), "A.B\r\nX\r\nC.D\r\n");
}

TEST_F(ListLoaderTest, FileOpenElsewhereKeepsItsListAndTheOtherIsStillLoaded) {
  WriteLists("a.b", "games");
  Refresh();
  WriteLists("c.d", "news");
  files_.HoldOpen(kAddressPath);
  Refresh();
  EXPECT_EQ(lists_.address_text(), "A.B\r\n");
  EXPECT_EQ(lists_.category_text(), "NEWS");
  files_.Release(kAddressPath);
  Refresh();
  EXPECT_EQ(lists_.address_text(), "C.D\r\n");
}

TEST_F(ListLoaderTest, DeletedFilesLeaveTheOldListsInForce) {
  WriteLists("a.b", "games");
  Refresh();
  files_.Remove(kAddressPath);
  files_.Remove(kCategoryPath);
  Refresh();
  EXPECT_EQ(lists_.address_text(), "A.B\r\n");
  EXPECT_EQ(lists_.category_text(), "GAMES");
}

TEST_F(ListLoaderTest, ReadErrorEndsTheWholeCall) {
  WriteLists("a.b", "games");
  Refresh();
  WriteLists("c.d", "news");
  files_.opened.clear();
  files_.faults.FailNth("read", 1);  // in the address list
  Refresh();
  EXPECT_EQ(lists_.address_text(), "A.B\r\n");
  EXPECT_EQ(lists_.category_text(), "GAMES");
  EXPECT_EQ(files_.opened, std::vector<std::string>{kAddressPath});  // the category file not read

  files_.faults.FailNth("read", 3);  // address list: data, end; then the category list
  Refresh();
  EXPECT_EQ(lists_.address_text(), "C.D\r\n");
  EXPECT_EQ(lists_.category_text(), "GAMES");
}

TEST_F(ListLoaderTest, BadCategoryListIsReportedWhenItComesIn) {
  WriteLists("a.b", "a,b\\q");
  Refresh();
  ASSERT_EQ(log_.events.size(), 1u);
  EXPECT_NE(log_.events[0].find("exc_logcats.ctl"), std::string::npos);
  EXPECT_NE(log_.events[0].find("unknown escape sequence"), std::string::npos);
  Refresh();  // the same list again
  EXPECT_EQ(log_.events.size(), 1u);
  WriteLists("a.b", "a,b\\");
  Refresh();
  ASSERT_EQ(log_.events.size(), 2u);
  EXPECT_NE(log_.events[1].find("cannot end with escape"), std::string::npos);
  EXPECT_EQ(IsExcluded(lists_, "a.b", " "), 1);  // the address rules go on
  EXPECT_EQ(IsExcluded(lists_, "x", "A"), 1);    // names before the error count
  EXPECT_EQ(IsExcluded(lists_, "x", "B"), 0);
}

}  // namespace
}  // namespace vexa
