// PlaceContentFile on real directories: the Linux file system, libuuid and
// the system clock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <regex>

#include "ContentFile.h"
#include "LibUuidSource.h"
#include "LogTime.h"
#include "PosixFileSystem.h"
#include "ShareDirs.h"
#include "SystemClock.h"

namespace vexa {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::WriteFile;
namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(directory, ignored)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ContentShareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    cache_ = scratch_.path() + "/install/Cache";
    fs::create_directories(cache_);
    settings_.mode = 1;
    settings_.install_dir = scratch_.path() + "/install";
    settings_.sql_server = "sql1";
    settings_.sql_db = "vexadb00000";
    settings_.sql_table = "vexatab00000";
    UseShareRoot(scratch_.path() + "/shares");
    record_.logTime = "spool time";
  }

  void UseShareRoot(const std::string& root) {
    settings_.share_root = root;
    share_ = root + "/sql1/Cache0000000000";
  }
  void MakeShare() { fs::create_directories(share_); }

  void AddContent(const std::string& name, const std::string& data) {
    WriteFile(cache_ + "/" + name, data);
    const size_t dot = name.rfind('.');
    WriteFile(cache_ + "/" + name.substr(0, dot) + ".tmp", "companion of " + name);
  }

  ContentOutcome Place(const std::string& name, bool excluded = false) {
    record_.contentName = name;
    Env env;
    env.files = files_.get();
    env.uuid = &uuids_;
    env.clock = &clock_;
    return PlaceContentFile(record_, settings_, env, [excluded] { return excluded; });
  }

  void ExpectDeferredWithContentIntact(const std::string& data) {
    EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kDeferred);
    EXPECT_EQ(record_.contentName, "0a1b.htm");
    EXPECT_EQ(ReadFile(cache_ + "/0a1b.htm"), data);
    EXPECT_EQ(ReadFile(cache_ + "/0a1b.tmp"), "companion of 0a1b.htm");
  }

  testing::Scratch scratch_;
  std::string cache_;
  std::string share_;
  ContentSettings settings_;
  LogRecord record_;
  std::unique_ptr<PosixFileSystem> files_ = std::make_unique<PosixFileSystem>();
  LibUuidSource uuids_{nullptr};
  SystemClock clock_;
};

// Where the share lies: next to the cache, on another file system, or next
// to it with every move made as a copy.
enum class Layout { kSameFileSystem, kOtherFileSystem, kForcedCopy };

class ContentShareLayoutTest : public ContentShareTest,
                               public ::testing::WithParamInterface<Layout> {
 protected:
  void SetUp() override {
    ContentShareTest::SetUp();
    if (GetParam() == Layout::kForcedCopy) {
      files_ = std::make_unique<PosixFileSystem>(PosixFileSystem::Options{.copy_moves = true});
    }
    if (GetParam() == Layout::kOtherFileSystem) {
      fs::create_directories(settings_.share_root);
      tmpfs_ = std::make_unique<testing::PrivateTmpfs>(settings_.share_root, 16 << 20);
      if (!tmpfs_->mounted()) {
        other_ = std::make_unique<testing::Scratch>("/dev/shm");
        if (other_->path().empty() || testing::SameFileSystem(other_->path(), cache_)) {
          GTEST_SKIP() << "no second file system here; the forced copy covers the path";
        }
        UseShareRoot(other_->path());
      }
      ASSERT_FALSE(testing::SameFileSystem(settings_.share_root, cache_));
    }
    MakeShare();
  }
  void TearDown() override { tmpfs_.reset(); }

  std::unique_ptr<testing::PrivateTmpfs> tmpfs_;
  std::unique_ptr<testing::Scratch> other_;
};

TEST_P(ContentShareLayoutTest, MovesContentAndCompanionUnderTheirNames) {
  const std::string data(200'000, 'c');
  AddContent("0a1b.htm", data);
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "0a1b.htm");
  EXPECT_EQ(Names(share_), (std::vector<std::string>{"0a1b.htm", "0a1b.tmp"}));
  EXPECT_EQ(ReadFile(share_ + "/0a1b.htm"), data);
  EXPECT_EQ(ReadFile(share_ + "/0a1b.tmp"), "companion of 0a1b.htm");
  EXPECT_TRUE(Names(cache_).empty());
}

TEST_P(ContentShareLayoutTest, TakenNameGoesUnderTheUniqueName) {
  ASSERT_TRUE(uuids_.Available());
  struct Case {
    const char* name;
    const char* extension;
    const char* record_extension;
  };
  for (const Case& c : {Case{"0a1b.htm", ".htm", ".htm"}, Case{"0a1b.html", ".html", ".htm"}}) {
    SCOPED_TRACE(c.name);
    fs::remove_all(share_);
    MakeShare();
    WriteFile(share_ + "/" + c.name, "older");
    AddContent(c.name, "new content");

    EXPECT_EQ(Place(c.name), ContentOutcome::kPlaced);
    ASSERT_TRUE(std::regex_match(record_.contentName,
                                 std::regex(std::string("[0-9a-f]{16}\\") + c.record_extension)))
        << record_.contentName;
    const std::string unique = record_.contentName.substr(0, 16);
    EXPECT_EQ(ReadFile(share_ + "/" + unique + c.extension), "new content");
    EXPECT_EQ(ReadFile(share_ + "/" + unique + ".tmp"), std::string("companion of ") + c.name);
    EXPECT_EQ(ReadFile(share_ + "/" + c.name), "older");
    EXPECT_EQ(Names(share_).size(), 3u);
    EXPECT_TRUE(Names(cache_).empty());
  }
}

TEST_P(ContentShareLayoutTest, WithoutAGeneratorTheTemporaryNameIsUsed) {
  LibUuidSource missing(nullptr, "libvexa-no-such-uuid.so");
  ASSERT_FALSE(missing.Available());
  Env env;
  env.files = files_.get();
  env.uuid = &missing;
  env.clock = &clock_;
  WriteFile(share_ + "/0a1b.htm", "older");
  AddContent("0a1b.htm", "new content");
  record_.contentName = "0a1b.htm";

  EXPECT_EQ(PlaceContentFile(record_, settings_, env, [] { return false; }),
            ContentOutcome::kPlaced);
  ASSERT_TRUE(std::regex_match(record_.contentName, std::regex("0aX[0-9A-F]+\\.htm")))
      << record_.contentName;
  const std::string stem = record_.contentName.substr(0, record_.contentName.size() - 4);
  EXPECT_EQ(ReadFile(share_ + "/" + stem + ".htm"), "new content");
  EXPECT_EQ(ReadFile(share_ + "/" + stem + ".TMP"),
            "companion of 0a1b.htm");  // placeholder replaced
  EXPECT_EQ(Names(share_).size(), 3u);
  EXPECT_TRUE(Names(cache_).empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, ContentShareLayoutTest,
                         ::testing::Values(Layout::kSameFileSystem, Layout::kOtherFileSystem,
                                           Layout::kForcedCopy),
                         [](const auto& info) {
                           switch (info.param) {
                             case Layout::kSameFileSystem:
                               return "SameFileSystem";
                             case Layout::kOtherFileSystem:
                               return "OtherFileSystem";
                             default:
                               return "ForcedCopy";
                           }
                         });

TEST_F(ContentShareTest, ExcludedRecordLosesOnlyItsContent) {
  MakeShare();
  AddContent("0a1b.htm", "content");
  EXPECT_EQ(Place("0a1b.htm", /*excluded=*/true), ContentOutcome::kExcluded);
  EXPECT_EQ(Names(cache_), (std::vector<std::string>{"0a1b.tmp"}));
  EXPECT_TRUE(Names(share_).empty());
}

TEST_F(ContentShareTest, EmbeddedModeTakesTheContentFileTime) {
  settings_.mode = 0;
  AddContent("0a1b.htm", "content");
  const int64_t written = 1'331'154'301;  // March 2012
  const struct timespec times[2] = {{written, 0}, {written, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (cache_ + "/0a1b.htm").c_str(), times, 0), 0);

  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.logTime, FormatLogTime(clock_, written));
  EXPECT_NE(record_.logTime.find("/2012 "), std::string::npos) << record_.logTime;
  EXPECT_EQ(record_.contentName, "0a1b.htm");
  EXPECT_EQ(Names(cache_).size(), 2u);
}

TEST_F(ContentShareTest, MissingShareDefers) {
  const std::string data = "content";
  AddContent("0a1b.htm", data);
  ExpectDeferredWithContentIntact(data);
  EXPECT_FALSE(Exists(settings_.share_root));
}

TEST_F(ContentShareTest, ReadOnlyShareDefers) {
  MakeShare();
  if (!testing::SetImmutable(share_, true)) GTEST_SKIP() << "cannot make the share read-only here";
  const std::string data = "content";
  AddContent("0a1b.htm", data);
  ExpectDeferredWithContentIntact(data);
  EXPECT_TRUE(Names(share_).empty());
}

TEST_F(ContentShareTest, FullShareDefersWithoutAPartialFile) {
  MakeShare();
  testing::PrivateTmpfs small(share_, 64 << 10);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  const std::string data(512 << 10, 'x');
  AddContent("0a1b.htm", data);
  ExpectDeferredWithContentIntact(data);
  EXPECT_TRUE(Names(share_).empty());
}

TEST_F(ContentShareTest, ContentHeldByItsWriterWaitsForALaterCycle) {
  MakeShare();
  AddContent("0a1b.htm", "content");
  const int writer = ::open((cache_ + "/0a1b.htm").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ExpectDeferredWithContentIntact("content");
  EXPECT_TRUE(Names(share_).empty());

  ASSERT_EQ(::write(writer, " and more", 9), 9);
  ::close(writer);
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(ReadFile(share_ + "/0a1b.htm"), "content and more");
}

}  // namespace
}  // namespace vexa
