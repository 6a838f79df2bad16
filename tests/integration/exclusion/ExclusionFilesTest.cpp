// The exclusion lists loaded from real files through the Linux file system,
// with another real process holding a list open.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "ChildProcess.h"
#include "Exclusion.h"
#include "FakeEventLog.h"
#include "FakeSettings.h"
#include "PosixFileSystem.h"
#include "SettingsKeys.h"
#include "TempDir.h"

namespace vexa {
namespace {

using testing::Holder;
using testing::TempDir;
using testing::WriteFile;

class ExclusionFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    std::filesystem::create_directory(dir_ / "config");
    settings_.SetString(keys::kSnp, "DIRECTORY", dir_.path());
    env_.settings = &settings_;
    env_.log = &log_;
    env_.files = &files_;
    env_.code_page = &page_;
  }
  void WriteLists(const std::string& addresses, const std::string& categories) {
    WriteFile(address_path_, addresses);
    WriteFile(category_path_, categories);
  }

  TempDir dir_;
  const std::string address_path_ = dir_ / "config/exc_log.ctl";
  const std::string category_path_ = dir_ / "config/exc_logcats.ctl";
  fakes::FakeSettings settings_;
  fakes::FakeEventLog log_;
  PosixFileSystem files_;
  CodePage page_;
  Env env_;
  ExclusionLists lists_;
};

TEST_F(ExclusionFilesTest, LoadsBothFilesAndAnswers) {
  WriteLists("https://*\r\nhttp://*.ads.example\r\n*@spam.example\r\n*.tracker.net", "games,news");
  RefreshExcludeFile(env_, lists_);
  EXPECT_EQ(lists_.address_text(),
            "HTTPS://*\r\nHTTP://*.ADS.EXAMPLE\r\n*@SPAM.EXAMPLE\r\n*.TRACKER.NET\r\n");
  EXPECT_EQ(IsExcluded(lists_, "https://bank.example/", " "), 1);
  EXPECT_EQ(IsExcluded(lists_, "http://x.ads.example/banner.gif", " "), 1);
  EXPECT_EQ(IsExcluded(lists_, "boss@spam.example", " "), 1);
  EXPECT_EQ(IsExcluded(lists_, "a.tracker.net", " "), 1);
  EXPECT_EQ(IsExcluded(lists_, "http://example.org/", "NEWS"), 1);
  EXPECT_EQ(IsExcluded(lists_, "http://example.org/", "News"), 0);
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(ExclusionFilesTest, NulDropsTheRestOfItsChunkInARealFile) {
  std::string file(300, 'a');
  file.replace(253, 2, "\r\n");  // line 1 fills the first chunk
  file[260] = '\0';              // in the second chunk
  file.replace(298, 2, "\r\n");
  WriteLists(file + "b.c\r\n", "");
  RefreshExcludeFile(env_, lists_);
  EXPECT_EQ(lists_.address_text(), std::string(253, 'A') + "\r\n" + std::string(5, 'A') +
                                       "\r\n");  // the second chunk, and the file, end after the NUL
}

TEST_F(ExclusionFilesTest, FileHeldOpenByAnotherProcessKeepsItsList) {
  if (testing::ReadFile("/proc/sys/fs/leases-enable") == "0\n") {
    GTEST_SKIP() << "file leases are switched off on this machine";
  }
  WriteLists("a.b", "games");
  RefreshExcludeFile(env_, lists_);
  WriteLists("c.d", "news");
  {
    Holder holder(address_path_, O_RDONLY);
    ASSERT_TRUE(holder.holding());
    RefreshExcludeFile(env_, lists_);
    EXPECT_EQ(lists_.address_text(), "A.B\r\n");
    EXPECT_EQ(lists_.category_text(), "NEWS");
  }
  RefreshExcludeFile(env_, lists_);
  EXPECT_EQ(lists_.address_text(), "C.D\r\n");
}

TEST_F(ExclusionFilesTest, DeletedFilesLeaveTheOldListsInForce) {
  WriteLists("a.b", "games");
  RefreshExcludeFile(env_, lists_);
  std::filesystem::remove_all(dir_ / "config");
  RefreshExcludeFile(env_, lists_);
  EXPECT_EQ(lists_.address_text(), "A.B\r\n");
  EXPECT_EQ(lists_.category_text(), "GAMES");
}

TEST_F(ExclusionFilesTest, CheckAndLintCommandsOnRealFiles) {
  WriteLists("*.b\r\nx.c \r\n", "games");
  std::string input;
  for (int i = 0; i < 100000; ++i) input += "h" + std::to_string(i) + (i % 3 ? ".b\n" : ".c\tGAMES\n");
  std::istringstream in(input);
  std::ostringstream out, err;
  ASSERT_EQ(RunCheckCommand(env_, {"-"}, in, out, err), 0);
  std::istringstream answers(out.str());
  std::string line;
  int i = 0;
  for (; std::getline(answers, line); ++i) {
    ASSERT_EQ(line, i % 3 ? "1\twildcard" : "1\tcategory") << i;
  }
  EXPECT_EQ(i, 100000);

  std::ostringstream lint_out;
  EXPECT_EQ(RunLintCommand(env_, {}, lint_out, err), 1);
  EXPECT_NE(lint_out.str().find("exc_log.ctl:2: ends in a blank"), std::string::npos);
}

}  // namespace
}  // namespace vexa
