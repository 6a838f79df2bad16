#include <gtest/gtest.h>

#include "ContentNames.h"

namespace vexa {
namespace {

TEST(ContentNamesTest, CompanionAndExtensionCutOnlyWithinTheFileName) {
  struct Case {
    const char* path;
    const char* companion;
    const char* extension;  // of the file name
  };
  const Case cases[] = {
      {"/opt/vexa/Cache/0a1b.htm", "/opt/vexa/Cache/0a1b.tmp", ".htm"},
      {"/opt/vexa/Cache/a.b.html", "/opt/vexa/Cache/a.b.tmp", ".html"},
      {"/opt/vexa.d/Cache/abcd", "/opt/vexa.d/Cache/abcd.tmp", "abcd"},
      {"/mnt/vexa/sql.example.com/Cache0000000000/abcd",
       "/mnt/vexa/sql.example.com/Cache0000000000/abcd.tmp", "abcd"},
      {"/opt/vexa/Cache/.htm", "/opt/vexa/Cache/.tmp", ".htm"},
      {"/opt/vexa/Cache/x.", "/opt/vexa/Cache/x.tmp", "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(CompanionPath(c.path), c.companion);
    EXPECT_EQ(Extension(FileName(c.path)), c.extension);
  }
}

TEST(ContentNamesTest, CacheShareFromTheSettings) {
  ContentSettings s;
  s.sql_server = "sql1";
  s.sql_db = "vexadb00000";
  s.sql_table = "vexatab00000";
  EXPECT_EQ(CacheShareUnc(s), "\\\\sql1\\Cache0000000000");
  EXPECT_EQ(CacheShareDirectory(s), "/mnt/vexa/sql1/Cache0000000000");
  s.share_root.clear();
  EXPECT_EQ(CacheShareDirectory(s), "/mnt/vexa/sql1/Cache0000000000");

  s.sql_db = "vexadb_sales";
  s.sql_table = "vexatabEU";
  s.share_root = "/srv/shares/";
  EXPECT_EQ(CacheShareDirectory(s), "/srv/shares/sql1/Cache_salesEU");

  // Settings shorter than the cut leave nothing; a named instance becomes a
  // folder as it would in the UNC path.
  s.sql_server = "sql1\\SQLEXPRESS";
  s.sql_db = "db";
  s.sql_table = "tab";
  EXPECT_EQ(CacheShareDirectory(s), "/srv/shares/sql1/SQLEXPRESS/Cache");
  EXPECT_EQ(MapUncPath("/", "\\\\h\\s\\f.htm"), "/h/s/f.htm");
}

TEST(ContentNamesTest, UniqueNameTakesSixteenDigitsOfTheUuidText) {
  EXPECT_EQ(UniqueContentName("0123abcd-4567-89ef-0123-456789abcdef"), "0123abcd4567f9ef");
  EXPECT_EQ(UniqueContentName("0123abcd-4567-89ef-0123-456789abcde"), "");
  EXPECT_EQ(UniqueContentName("0123abcd-4567-89/f-0123-456789abcdef"), "");
}

TEST(ContentNamesTest, PlainFileNames) {
  EXPECT_TRUE(IsPlainFileName("0a1b.htm"));
  EXPECT_TRUE(IsPlainFileName("a\\b.htm"));  // a backslash is a name byte here
  EXPECT_TRUE(IsPlainFileName("..htm"));
  EXPECT_FALSE(IsPlainFileName("../x.htm"));
  EXPECT_FALSE(IsPlainFileName("sub/x.htm"));
  EXPECT_FALSE(IsPlainFileName(".."));
  EXPECT_FALSE(IsPlainFileName("."));
  EXPECT_FALSE(IsPlainFileName(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace vexa
