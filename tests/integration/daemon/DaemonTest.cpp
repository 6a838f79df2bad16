// The real vexaDB program: single instance, stop on SIGTERM, dry run and
// status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "DaemonProcess.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

class DaemonTest : public ::testing::Test {
 protected:
  testing::DaemonInstall install_;
};

TEST_F(DaemonTest, StoresSpoolFilesAndStopsCleanlyOnSigterm) {
  install_.AddSpool("a.lok", "http://a.example/");
  install_.AddSpool("b.lok", "http://b.example/it's");
  const pid_t daemon = install_.Start();
  ASSERT_TRUE(install_.WaitUntilRunning(30s));
  ASSERT_TRUE(install_.WaitUntilSpoolEmpty(30s));
  EXPECT_EQ(testing::DaemonInstall::Stop(daemon), 0);
  EXPECT_THAT(install_.StoredUrls(), ::testing::UnorderedElementsAre("http://a.example/", "http://b.example/it s"));

  std::string status;
  EXPECT_EQ(install_.Run({"status"}, &status), 0);
  EXPECT_THAT(status, HasSubstr("records stored\t2\n"));
  EXPECT_THAT(status, HasSubstr("connected\tno\n"));
}

TEST_F(DaemonTest, SecondCopyEndsAtOnceTouchingNothing) {
  const pid_t first = install_.Start();
  ASSERT_TRUE(install_.WaitUntilRunning(30s));
  install_.AddSpool("a.lok", "http://a.example/");
  install_.SetString(keys::kSecur, "ENABLE", "0");  // the first ends after its cycle
  const pid_t second = install_.Start();
  EXPECT_EQ(testing::DaemonInstall::WaitFor(second, 2s), 0);
  EXPECT_EQ(testing::DaemonInstall::WaitFor(first, 30s), 0);
}

TEST_F(DaemonTest, EnableNotOneEndsTheProgram) {
  install_.SetString(keys::kSecur, "ENABLE", "0");
  install_.AddSpool("a.lok", "http://a.example/");
  std::string out;
  EXPECT_EQ(install_.Run({}, &out), 0);
  EXPECT_EQ(install_.SpoolNames().size(), 1u);
}

TEST_F(DaemonTest, DryRunPrintsStatementsAndTouchesNothing) {
  install_.AddSpool("a.lok", "http://a.example/o'k");
  std::ofstream(install_.spool() / "short.lok") << "x";
  std::string out;
  ASSERT_EQ(install_.Run({"dry-run"}, &out), 0);
  EXPECT_THAT(out, HasSubstr("a.lok\texec vexa_updateTable '" + (install_.root() / "vexa.log").string() +
                             "', 'user1', 'http://a.example/o k', 'workstation-17.example.test', '"));
  EXPECT_THAT(out, HasSubstr("short.lok\tdiscard:shorter than 50 bytes\n"));
  EXPECT_EQ(install_.SpoolNames().size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(install_.root() / "storedprocdbc.dbc"));
}

TEST_F(DaemonTest, HelpAndUnknownCommand) {
  std::string out;
  EXPECT_EQ(install_.Run({"--help"}, &out), 0);
  EXPECT_THAT(out, HasSubstr("dry-run"));
  EXPECT_EQ(install_.Run({"frobnicate"}, &out), 2);
  EXPECT_THAT(out, HasSubstr("unknown command 'frobnicate'"));
}

}  // namespace
}  // namespace vexa
