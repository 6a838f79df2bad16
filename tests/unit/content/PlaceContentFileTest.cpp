#include <gtest/gtest.h>

#include "ContentFile.h"
#include "FakeClock.h"
#include "FakeFileSystem.h"
#include "FakeServices.h"

namespace vexa {
namespace {

constexpr const char* kCache = "/opt/vexa/Cache";
constexpr const char* kShare = "/mnt/vexa/sql1/Cache0000000000";
constexpr int64_t kContentTime = 1'600'000'000;  // 09/13/2020 12:26:40 PM UTC
const Uuid kUuid = {0x01, 0x23, 0xab, 0xcd, 0x45, 0x67, 0x89, 0xef,
                    0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
constexpr const char* kUnique = "0123abcd4567f9ef";  // from kUuid

Uuid NumberedUuid(uint8_t n) {
  Uuid u{};
  u.fill(n);
  return u;
}

class PlaceContentFileTest : public ::testing::Test {
 protected:
  PlaceContentFileTest() {
    env_.files = &files_;
    env_.clock = &clock_;
    env_.uuid = &uuids_;
    settings_.mode = 1;
    settings_.install_dir = "/opt/vexa";
    settings_.sql_server = "sql1";
    settings_.sql_db = "vexadb00000";
    settings_.sql_table = "vexatab00000";
    files_.AddDirectory(kCache);
    files_.AddDirectory(kShare);
    record_.logTime = "spool time";
  }

  void AddContent(const std::string& name, const std::string& companion) {
    files_.AddFile(std::string(kCache) + "/" + name, "content of " + name, kContentTime);
    files_.AddFile(std::string(kCache) + "/" + companion, "companion of " + name);
  }

  ContentOutcome Place(const std::string& name) {
    record_.contentName = name;
    return PlaceContentFile(record_, settings_, env_, [this] {
      ++exclusion_calls_;
      return excluded_;
    });
  }

  std::vector<std::string> Share() const { return files_.List(kShare); }
  std::vector<std::string> Cache() const { return files_.List(kCache); }

  fakes::FakeFileSystem files_;
  fakes::FakeClock clock_;  // now: 11/14/2023 10:13:20 PM UTC
  fakes::FakeUuidSource uuids_;
  Env env_;
  ContentSettings settings_;
  LogRecord record_;
  bool excluded_ = false;
  int exclusion_calls_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(PlaceContentFileTest, NoContentNamesNone) {
  for (const char* name : {"", "NONE"}) {
    EXPECT_EQ(Place(name), ContentOutcome::kPlaced);
    EXPECT_EQ(record_.contentName, "NONE");
  }
  EXPECT_EQ(exclusion_calls_, 0);
  EXPECT_EQ(files_.faults.Count("move") + files_.faults.Count("stat"), 0);

  AddContent("none", "none.tmp");  // lower case is a file name
  EXPECT_EQ(Place("none"), ContentOutcome::kPlaced);
  EXPECT_EQ(Share(), (Names{"none", "none.tmp"}));
}

TEST_F(PlaceContentFileTest, ExcludedRecordLosesItsContentButNotTheCompanion) {
  AddContent("0a1b.htm", "0a1b.tmp");
  excluded_ = true;
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kExcluded);
  EXPECT_EQ(Cache(), (Names{"0a1b.tmp"}));
  EXPECT_TRUE(Share().empty());

  for (int mode : {0, 1}) {  // a failed delete is ignored, in either mode
    settings_.mode = mode;
    AddContent("0a1b.htm", "0a1b.tmp");
    files_.faults.FailNth("remove", 1);
    EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kExcluded);
    EXPECT_EQ(Cache(), (Names{"0a1b.htm", "0a1b.tmp"}));
    EXPECT_EQ(record_.logTime, "spool time");
    EXPECT_TRUE(Share().empty());
  }
}

TEST_F(PlaceContentFileTest, EmbeddedModeTakesTheContentFileTime) {
  settings_.mode = 0;
  AddContent("0a1b.htm", "0a1b.tmp");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.logTime, "09/13/2020 12:26:40 PM");
  EXPECT_EQ(record_.contentName, "0a1b.htm");
  EXPECT_EQ(Cache(), (Names{"0a1b.htm", "0a1b.tmp"}));  // nothing moves
  EXPECT_EQ(files_.opened, (Names{"/opt/vexa/Cache/0a1b.htm"}));
}

TEST_F(PlaceContentFileTest, EmbeddedModeFallsBackToTheCurrentTime) {
  settings_.mode = 0;
  AddContent("0a1b.htm", "0a1b.tmp");
  struct Case {
    const char* what;
    std::function<void()> arrange;
    const char* name;
  };
  const Case cases[] = {
      {"missing", [] {}, "gone.htm"},
      {"held by its writer", [this] { files_.HoldOpen("/opt/vexa/Cache/0a1b.htm"); }, "0a1b.htm"},
      {"open fails", [this] { files_.faults.FailNth("open", 1); }, "0a1b.htm"},
      {"stat fails", [this] { files_.faults.FailNth("stat", 1); }, "0a1b.htm"},
      {"outside the cache", [] {}, "../0a1b.htm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    record_.logTime = "spool time";
    c.arrange();
    EXPECT_EQ(Place(c.name), ContentOutcome::kPlaced);
    EXPECT_EQ(record_.logTime, "11/14/2023 10:13:20 PM");
    files_.Release("/opt/vexa/Cache/0a1b.htm");
  }
  // No local time at all: the spool time stays.
  clock_.fail_local_time = true;
  record_.logTime = "spool time";
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.logTime, "spool time");
}

TEST_F(PlaceContentFileTest, MovesContentAndCompanionUnderTheirNames) {
  AddContent("0a1b.htm", "0a1b.tmp");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "0a1b.htm");
  EXPECT_EQ(record_.logTime, "spool time");
  EXPECT_EQ(Share(), (Names{"0a1b.htm", "0a1b.tmp"}));
  EXPECT_EQ(files_.Contents(std::string(kShare) + "/0a1b.tmp"), "companion of 0a1b.htm");
  EXPECT_TRUE(Cache().empty());
  EXPECT_EQ(uuids_.created, 0);
}

TEST_F(PlaceContentFileTest, TakenNameGivesTheUniqueNameFromTheUuid) {
  struct Case {
    const char* name;
    const char* companion;
    std::string on_disk;
    std::string companion_on_disk;
    std::string in_record;
  };
  const std::string u = kUnique;
  const Case cases[] = {
      {"0a1b.htm", "0a1b.tmp", u + ".htm", u + ".tmp", u + ".htm"},
      {"0a1b.html", "0a1b.tmp", u + ".html", u + ".tmp", u + ".htm"},  // cut in the record only
      {"abcd", "abcd.tmp", u + "abcd", u + "abcd.tmp", u + "abcd"},    // no "." at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files_ = fakes::FakeFileSystem();
    files_.AddDirectory(kShare);
    files_.AddFile(std::string(kShare) + "/" + c.name, "older");
    AddContent(c.name, c.companion);
    uuids_.queue = {kUuid};

    EXPECT_EQ(Place(c.name), ContentOutcome::kPlaced);
    EXPECT_EQ(record_.contentName, c.in_record);
    EXPECT_EQ(Share(), (Names{c.name, c.on_disk, c.companion_on_disk}));
    EXPECT_EQ(files_.Contents(std::string(kShare) + "/" + c.on_disk),
              std::string("content of ") + c.name);
    EXPECT_EQ(files_.Contents(std::string(kShare) + "/" + c.name), "older");
    EXPECT_TRUE(Cache().empty());
  }
}

TEST_F(PlaceContentFileTest, LocalUniqueStatusCountsAsSuccess) {
  files_.AddFile(std::string(kShare) + "/0a1b.htm", "older");
  AddContent("0a1b.htm", "0a1b.tmp");
  uuids_.queue = {kUuid};
  uuids_.status = 1824;
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, std::string(kUnique) + ".htm");
}

TEST_F(PlaceContentFileTest, FailedGeneratorFallsBackToATemporaryName) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"unset", [this] { uuids_.available = false; }},
      {"create fails", [this] { uuids_.faults.FailNth("create", 1); }},
      {"no text form", [this] { uuids_.faults.FailNth("text", 1); }},
      {"no environment generator", [this] { env_.uuid = nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files_ = fakes::FakeFileSystem();
    uuids_ = fakes::FakeUuidSource();
    env_.uuid = &uuids_;
    files_.AddFile(std::string(kShare) + "/0a1b.htm", "older");
    AddContent("0a1b.htm", "0a1b.tmp");
    c.arrange();

    EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
    // The name service made 0aX<hex>.TMP; the companion replaced it.
    const Names share = Share();
    ASSERT_EQ(share.size(), 3u);
    const std::string stem = share[1].substr(0, share[1].size() - 4);
    EXPECT_EQ(stem.substr(0, 3), "0aX");
    EXPECT_EQ(share[1], stem + ".htm");
    EXPECT_EQ(share[2], stem + ".TMP");
    EXPECT_EQ(files_.Contents(std::string(kShare) + "/" + share[2]), "companion of 0a1b.htm");
    EXPECT_EQ(record_.contentName, stem + ".htm");
    EXPECT_TRUE(Cache().empty());
  }
}

TEST_F(PlaceContentFileTest, MissingContentMovesNothing) {
  files_.AddFile(std::string(kCache) + "/0a1b.tmp", "companion");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "0a1b.htm");
  EXPECT_EQ(Cache(), (Names{"0a1b.tmp"}));
  EXPECT_TRUE(Share().empty());
  EXPECT_EQ(files_.faults.Count("move"), 0);

  // A name that leaves the Cache folder counts as missing, whatever is there.
  files_.AddFile("/opt/vexa/x.htm", "not ours");
  EXPECT_EQ(Place("../x.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "../x.htm");
  excluded_ = true;
  EXPECT_EQ(Place("../x.htm"), ContentOutcome::kExcluded);
  EXPECT_TRUE(files_.Exists("/opt/vexa/x.htm"));
  EXPECT_EQ(files_.faults.Count("move") + files_.faults.Count("remove"), 0);
}

TEST_F(PlaceContentFileTest, MissingCompanionIsNoError) {
  files_.AddFile(std::string(kCache) + "/0a1b.htm", "content");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(Share(), (Names{"0a1b.htm"}));

  // A companion that cannot be moved stays behind; the content is placed.
  AddContent("0c.htm", "0c.tmp");
  files_.faults.FailNth("move", 2);
  EXPECT_EQ(Place("0c.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "0c.htm");
  EXPECT_EQ(Cache(), (Names{"0c.tmp"}));
}

TEST_F(PlaceContentFileTest, ContentGoneDuringTheLoopEndsIt) {
  AddContent("0a1b.htm", "0a1b.tmp");
  files_.faults.FailNth("move", 1);
  files_.faults.FailNth("stat", 2);  // the check after the failed move finds nothing
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "0a1b.htm");
  EXPECT_EQ(files_.faults.Count("move"), 1);
  EXPECT_EQ(uuids_.created, 0);
}

TEST_F(PlaceContentFileTest, TenthMoveStillPlaces) {
  // The own name and the first eight unique names are taken in the share.
  files_.AddFile(std::string(kShare) + "/0a1b.htm", "older");
  for (uint8_t n = 1; n <= 9; ++n) {
    uuids_.queue.push_back(NumberedUuid(n));
    std::string text;
    uuids_.ToText(NumberedUuid(n), &text);
    if (n <= 8)
      files_.AddFile(std::string(kShare) + "/" + text.substr(0, 8) + text.substr(9, 4) + text[35] +
                         text.substr(15, 3) + ".htm",
                     "older");
  }
  AddContent("0a1b.htm", "0a1b.tmp");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(record_.contentName, "0909090909099909.htm");
  EXPECT_EQ(uuids_.created, 9);
  EXPECT_TRUE(Cache().empty());
}

TEST_F(PlaceContentFileTest, UnwritableShareDefersAfterTenMoves) {
  for (bool generator : {true, false}) {
    SCOPED_TRACE(generator ? "unique names" : "temporary names");
    files_ = fakes::FakeFileSystem();
    files_.AddDirectory(kShare);
    uuids_ = fakes::FakeUuidSource();
    uuids_.available = generator;
    AddContent("0a1b.htm", "0a1b.tmp");
    files_.faults.FailNth("move", 1, /*persistent=*/true);

    EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kDeferred);
    EXPECT_EQ(files_.faults.Count("move"), kMaxContentMoves);
    EXPECT_EQ(record_.contentName, "0a1b.htm");
    EXPECT_EQ(Cache(), (Names{"0a1b.htm", "0a1b.tmp"}));
    EXPECT_TRUE(Share().empty());  // no placeholder left behind
  }
}

TEST_F(PlaceContentFileTest, ContentHeldByItsWriterDefers) {
  AddContent("0a1b.htm", "0a1b.tmp");
  files_.HoldOpen("/opt/vexa/Cache/0a1b.htm");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kDeferred);
  EXPECT_EQ(files_.faults.Count("move"), 0);  // no other name would help
  EXPECT_EQ(uuids_.created, 0);
  EXPECT_EQ(Cache(), (Names{"0a1b.htm", "0a1b.tmp"}));
  EXPECT_TRUE(Share().empty());

  // Released by a later cycle: it moves.
  files_.Release("/opt/vexa/Cache/0a1b.htm");
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kPlaced);
  EXPECT_EQ(Share(), (Names{"0a1b.htm", "0a1b.tmp"}));
}

TEST_F(PlaceContentFileTest, FailingNameServiceDefers) {
  files_.AddFile(std::string(kShare) + "/0a1b.htm", "older");
  AddContent("0a1b.htm", "0a1b.tmp");
  uuids_.available = false;
  files_.faults.FailNth("temp", 1, /*persistent=*/true);
  EXPECT_EQ(Place("0a1b.htm"), ContentOutcome::kDeferred);
  EXPECT_EQ(files_.faults.Count("temp"), kMaxContentMoves - 1);
  EXPECT_EQ(Share(), (Names{"0a1b.htm"}));
}

TEST(ContentNotMovedMessageTest, NamesTheFile) {
  const std::string message = ContentNotMovedMessage("/opt/vexa/Cache/0a1b.htm");
  EXPECT_NE(message.find("/opt/vexa/Cache/0a1b.htm"), std::string::npos);
  EXPECT_EQ(message.rfind("PlaceContentFile(): ", 0), 0u);
}

}  // namespace
}  // namespace vexa
