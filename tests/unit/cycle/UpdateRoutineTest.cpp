#include "UpdateRoutine.h"

#include "CycleFixture.h"

namespace vexa {
namespace {

using ::testing::ElementsAre;

class UpdateRoutineTest : public CycleFixture {
 protected:
  // One routine for the whole test, as in the process.
  int Update(int mode = 0) { return routine_.CDatabaseAppUpdate(mode); }
  AppSettings app_settings_;
  RoutineHooks hooks_;
  std::unique_ptr<Connection> connection_;
  UpdateRoutine routine_{env_, app_settings_, hooks_, connection_};
};

TEST_F(UpdateRoutineTest, EnableZeroFinishesWithoutTouchingAnything) {
  settings_.SetString(keys::kSecur, "ENABLE", "0");
  AddSpool("a.lok", "http://a/");
  EXPECT_EQ(Update(), 1);
  EXPECT_TRUE(db_.operations.empty());
  EXPECT_TRUE(files_.opened.empty());
  EXPECT_TRUE(clock_.sleeps.empty());
}

TEST_F(UpdateRoutineTest, UnreadableSwitchesReturnZeroWithTheirEvents) {
  settings_.DeleteValue(keys::kSecur, "ENABLE");
  EXPECT_EQ(Update(), 0);
  EXPECT_THAT(log_.events, ElementsAre("CDatabaseAppUpdate(): Registry Read of ENABLE unsuccessful"));

  settings_.DeleteValue(keys::kSnp, "DIRECTORY");
  EXPECT_EQ(Update(), 0);
  EXPECT_EQ(log_.events.back(), "CDatabaseAppFox(): Registry Read of DIRECTORY unsuccessful");
  EXPECT_THAT(log_.errors,
              ElementsAre("Dovra Vexa [vexaDB::CDatabaseAppUpdate()]: Registry Read of DIRECTORY unsuccessful"));
  EXPECT_TRUE(db_.operations.empty());
}

TEST_F(UpdateRoutineTest, StoresSpoolFilesInListingOrderAndDeletesThem) {
  AddSpool("b.lok", "http://first/");
  AddSpool("a.LOK", "http://second/");
  files_.AddFile(std::string(kSpool) + "/c.txt", std::string(80, 'x'));
  files_.AddDirectory(std::string(kSpool) + "/d.lok");
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  EXPECT_THAT(StoredUrls(), ElementsAre("http://first/", "http://second/"));
  EXPECT_THAT(Spools(), ElementsAre("c.txt", "d.lok"));
  EXPECT_EQ(db_.opened_with, "PROVIDER=vfpoledb;Data Source =/vexa/storedprocdbc.dbc");
  EXPECT_EQ(db_.committed[0].values[0], "/vexa/vexa.log");
  EXPECT_EQ(db_.ledger.size(), 2u);
  EXPECT_EQ(Count("Close"), 1);  // at the end of the run
}

TEST_F(UpdateRoutineTest, UnreachableDatabaseWaitsFiveSecondsAndTouchesNoFile) {
  db_.faults.FailNth("open", 1, true);
  AddSpool("a.lok", "http://a/");
  EXPECT_EQ(Update(), 0);
  EXPECT_THAT(clock_.sleeps, ElementsAre(5000));
  EXPECT_TRUE(files_.opened.empty());
  EXPECT_EQ(connection_, nullptr);
}

TEST_F(UpdateRoutineTest, FailureOnSecondOfThreeFilesKeepsTheRestInOrder) {
  AddSpool("1.lok", "http://one/");
  AddSpool("2.lok", "http://two/");
  AddSpool("3.lok", "http://three/");
  db_.faults.FailNth("execute", 2);
  EXPECT_EQ(Update(), 0);
  EXPECT_THAT(Spools(), ElementsAre("2.lok", "3.lok"));
  EXPECT_EQ(clock_.sleeps.back(), 5000);
  EXPECT_EQ(Count("RollbackTrans"), 1);
  EXPECT_EQ(connection_, nullptr);

  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  EXPECT_THAT(StoredUrls(), ElementsAre("http://one/", "http://two/", "http://three/"));
  EXPECT_TRUE(Spools().empty());
}

TEST_F(UpdateRoutineTest, LetGoClosesTheConnectionAndPollsEveryFiveSeconds) {
  EndAfterCycles(2);
  // Connected in the first cycle; the release request comes during it.
  clock_.After(500, [this] { settings_.SetString(keys::kSnp, "LETGO", "1"); });
  clock_.After(12000, [this] { settings_.SetString(keys::kSnp, "LETGO", "0"); });
  EXPECT_EQ(Update(), 1);
  EXPECT_THAT(clock_.sleeps, ElementsAre(1000, 5000, 5000, 5000, 1000));
  EXPECT_EQ(Count("Open"), 2);
  EXPECT_EQ(Count("Close"), 2);  // for LETGO and at the end
}

TEST_F(UpdateRoutineTest, ExclusionListsReloadEvery152ndCycleCountedOverCalls) {
  int refreshes = 0;
  hooks_.refresh_exclusions = [&] { ++refreshes; };
  auto one_cycle = [&] {
    clock_.sleeps.clear();
    settings_.SetString(keys::kSecur, "ENABLE", "1");
    EndAfterCycles(1);
    Update();
  };
  for (int i = 0; i < 151; ++i) one_cycle();
  EXPECT_EQ(refreshes, 0);
  one_cycle();
  EXPECT_EQ(refreshes, 1);
  for (int i = 0; i < 151; ++i) one_cycle();
  EXPECT_EQ(refreshes, 1);
  one_cycle();
  EXPECT_EQ(refreshes, 2);
}

TEST_F(UpdateRoutineTest, SpoolFileRules) {
  files_.AddFile(std::string(kSpool) + "/short.lok", std::string(49, 'x'));
  files_.AddFile(std::string(kSpool) + "/fifty.lok", "T1\x01http://fifty/" + std::string(34, 'x'));
  files_.AddFile(std::string(kSpool) + "/eof.lok", "\x1A" + std::string(59, 'x'));
  files_.AddFile(std::string(kSpool) + "/lf.lok", "\n" + std::string(59, 'x'));
  files_.AddFile(std::string(kSpool) + "/held.lok", std::string(60, 'x'));
  files_.HoldOpen(std::string(kSpool) + "/held.lok");
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  EXPECT_THAT(Spools(), ElementsAre("held.lok"));
  ASSERT_EQ(db_.committed.size(), 2u);
  EXPECT_EQ(db_.committed[0].values[2], "http://fifty/" + std::string(34, 'x'));
  EXPECT_EQ(db_.committed[1].values[1], " ");  // parsed from the empty line
  // 100 attempts to open the held file, 10 ms apart.
  EXPECT_EQ(std::count(clock_.sleeps.begin(), clock_.sleeps.end(), 10), 99);
}

TEST_F(UpdateRoutineTest, CommittedRecordIsNeverStoredTwice) {
  AddSpool("a.lok", "http://a/");
  files_.faults.FailNth("remove", 1);  // the deletion after the commit fails
  EndAfterCycles(2);
  EXPECT_EQ(Update(), 1);
  EXPECT_EQ(db_.committed.size(), 1u);
  EXPECT_TRUE(Spools().empty());  // deleted in the second cycle, through the ledger
}

TEST_F(UpdateRoutineTest, RecordRejectedThreeTimesIsQuarantined) {
  AddSpool("bad.lok", "http://bad/");
  AddSpool("good.lok", "http://good/");
  db_.reject = [](const UpdateCall& call) { return call.values[2] == "http://bad/"; };
  EXPECT_EQ(Update(), 0);
  EXPECT_EQ(Update(), 0);
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  EXPECT_THAT(StoredUrls(), ElementsAre("http://good/"));
  EXPECT_THAT(files_.List(std::string(kSpool) + "/rejected"), ElementsAre("bad.lok", "bad.lok.reason"));
  EXPECT_EQ(files_.Contents(std::string(kSpool) + "/rejected/bad.lok.reason"), "23000: record rejected\n");
  ASSERT_EQ(log_.events.size(), 1u);
  EXPECT_NE(log_.events[0].find("rejected/bad.lok"), std::string::npos);
}

TEST_F(UpdateRoutineTest, ExcludedRecordIsDeletedWithoutDatabaseTraffic) {
  hooks_.record.is_excluded = [](const LogRecord& r, std::string*) { return r.url == "http://no/" ? 1 : 0; };
  AddSpool("a.lok", "http://no/");
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  EXPECT_TRUE(Spools().empty());
  EXPECT_EQ(Count("BeginTrans"), 0);
}

TEST_F(UpdateRoutineTest, DeferredContentLeavesTheSpoolFileWithOneEvent) {
  hooks_.record.place_content = [](LogRecord&, int, const std::string&, std::string* reason) {
    *reason = "content not moved";
    return false;
  };
  AddSpool("a.lok", "http://a/");
  EndAfterCycles(3);
  EXPECT_EQ(Update(), 1);
  EXPECT_THAT(Spools(), ElementsAre("a.lok"));
  EXPECT_THAT(log_.events, ElementsAre("content not moved"));
  EXPECT_TRUE(db_.committed.empty());
}

TEST_F(UpdateRoutineTest, DnsDisableDecidesSecureSiteNaming) {
  hooks_.record.append_secure_site_name = [](std::string& url) { url += " :: named"; };
  for (const char* value : {"1", "0", ""}) {
    settings_.SetString(keys::kSecur, "DNSDISABLE", value);
    settings_.SetString(keys::kSecur, "ENABLE", "1");
    AddSpool(std::string("a") + value + ".lok", "https://10.1.2.3");
    clock_.sleeps.clear();
    EndAfterCycles(1);
    Update();
  }
  settings_.DeleteValue(keys::kSecur, "DNSDISABLE");
  settings_.SetString(keys::kSecur, "ENABLE", "1");
  AddSpool("missing.lok", "https://10.1.2.3");
  clock_.sleeps.clear();
  EndAfterCycles(1);
  Update();
  EXPECT_THAT(StoredUrls(), ElementsAre("https://10.1.2.3", "https://10.1.2.3 :: named",
                                        "https://10.1.2.3 :: named", "https://10.1.2.3 :: named"));
}

TEST_F(UpdateRoutineTest, LongIntakeReportsProgressAndStatusEveryFiveSeconds) {
  int published = 0;
  hooks_.publish_status = [&](const DaemonStatus&) { ++published; };
  // 1,200 files; every 100th is held by its writer and costs about a second
  // of retries, so the cycle takes about 12 virtual seconds.
  for (int i = 0; i < 1200; ++i) {
    const std::string name = std::to_string(1000 + i) + ".lok";
    AddSpool(name, "http://r/");
    if (i % 100 == 0) files_.HoldOpen(std::string(kSpool) + "/" + name);
  }
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  ASSERT_GE(log_.debug.size(), 2u);
  EXPECT_THAT(log_.debug[0], ::testing::MatchesRegex("intake: [0-9]+ done, [0-9]+ left, [0-9]+ files/s"));
  EXPECT_GE(published, 2 + 2);  // during the intake, and after the cycle and the run
}

}  // namespace
}  // namespace vexa

namespace vexa {
namespace {

class BatchTest : public CycleFixture {
 protected:
  BatchTest() { app_settings_.batch_size = 3; }
  int Update() { return routine_.CDatabaseAppUpdate(1); }
  AppSettings app_settings_;
  RoutineHooks hooks_;
  std::unique_ptr<Connection> connection_;
  UpdateRoutine routine_{env_, app_settings_, hooks_, connection_};
};

TEST_F(BatchTest, RecordsShareTransactionsAndLeaveAfterTheCommit) {
  for (int i = 1; i <= 5; ++i) AddSpool(std::to_string(i) + ".lok", "http://" + std::to_string(i) + "/");
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);
  EXPECT_EQ(Count("BeginTrans"), 2);
  EXPECT_EQ(db_.committed.size(), 5u);
  EXPECT_EQ(db_.ledger.size(), 5u);
  EXPECT_TRUE(Spools().empty());
}

TEST_F(BatchTest, LostConnectionInABatchKeepsEveryFile) {
  for (int i = 1; i <= 3; ++i) AddSpool(std::to_string(i) + ".lok", "http://" + std::to_string(i) + "/");
  db_.faults.FailNth("commit", 1);
  EXPECT_EQ(Update(), 0);
  EXPECT_TRUE(db_.committed.empty());
  EXPECT_EQ(Spools().size(), 3u);
}

TEST_F(BatchTest, RefusedBatchIsRetriedRecordByRecord) {
  AddSpool("1.lok", "http://one/");
  AddSpool("2.lok", "http://bad/");
  AddSpool("3.lok", "http://three/");
  db_.reject = [](const UpdateCall& call) { return call.values[2] == "http://bad/"; };
  EXPECT_EQ(Update(), 0);  // the batch, then one by one: one stored, bad refused
  EXPECT_EQ(Update(), 0);
  EndAfterCycles(1);
  EXPECT_EQ(Update(), 1);  // third refusal: quarantined, the rest flow
  EXPECT_THAT(StoredUrls(), ::testing::UnorderedElementsAre("http://one/", "http://three/"));
  EXPECT_TRUE(Spools().empty() || Spools() == std::vector<std::string>{"rejected"});
  EXPECT_TRUE(files_.Exists(std::string(kSpool) + "/rejected/2.lok"));
}

}  // namespace
}  // namespace vexa
