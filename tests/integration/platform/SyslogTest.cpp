// The event log against a real receiver: a Unix datagram socket bound by
// the test.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <regex>

#include "SyslogEventLog.h"
#include "TempDir.h"

namespace vexa {
namespace {

class SyslogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    receiver_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(receiver_, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket_path_.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(receiver_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  void TearDown() override {
    if (receiver_ >= 0) ::close(receiver_);
  }
  // The next datagram, or "" when none is waiting.
  std::string Receive() {
    char buffer[4096];
    const ssize_t n = ::recv(receiver_, buffer, sizeof buffer, MSG_DONTWAIT);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
  }
  static std::string Expected(int priority, const std::string& message) {
    return "<" + std::to_string(priority) +
           R"(>(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d\d:\d\d:\d\d databas7\[)" +
           std::to_string(::getpid()) + R"(\]: )" + message;
  }

  testing::TempDir dir_;
  const std::string socket_path_ = dir_ / "log";
  int receiver_ = -1;
};

TEST_F(SyslogTest, InformationEventIsOneDatagramAtSeverityInfo) {
  SyslogEventLog log(socket_path_);
  ASSERT_TRUE(log.ReportInformation("CDatabaseAppUpdate(): Registry Read of ENABLE unsuccessful"));
  const std::string datagram = Receive();
  EXPECT_TRUE(std::regex_match(
      datagram,
      std::regex(Expected(30, R"(CDatabaseAppUpdate\(\): Registry Read of ENABLE unsuccessful)"))))
      << datagram;
  EXPECT_EQ(Receive(), "") << "exactly one datagram";

  ASSERT_TRUE(log.ReportInformation("100% %s %n"));
  const std::string literal = Receive();
  EXPECT_EQ(literal.substr(literal.size() - 10), "100% %s %n") << "never a format";
}

TEST_F(SyslogTest, DebugAndErrorSeverities) {
  SyslogEventLog log(socket_path_);
  log.Debug("Error in LoadLibrary");
  EXPECT_TRUE(std::regex_match(Receive(), std::regex(Expected(31, "Error in LoadLibrary"))));

  ::testing::internal::CaptureStderr();
  log.Error("cannot read\nthe install directory");
  const std::string stderr_text = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(stderr_text, "databas7: cannot read the install directory\n");
  EXPECT_TRUE(
      std::regex_match(Receive(), std::regex(Expected(27, "cannot read\nthe install directory"))));
}

TEST_F(SyslogTest, NothingIsHandedOverWithoutAReceiver) {
  SyslogEventLog missing(dir_ / "no-such-socket");
  EXPECT_FALSE(missing.ReportInformation("lost"));
  SyslogEventLog too_long(std::string(200, 'x'));
  EXPECT_FALSE(too_long.ReportInformation("lost"));
}

TEST_F(SyslogTest, AFullReceiverNeverBlocksTheSender) {
  SyslogEventLog log(socket_path_);
  int handed_over = 0;
  while (log.ReportInformation(std::string(1000, 'q'))) {
    ASSERT_LT(++handed_over, 100'000) << "the receiver's queue never filled";
  }
  EXPECT_GT(handed_over, 0);
  EXPECT_NE(Receive(), "");
  EXPECT_TRUE(log.ReportInformation("room again"));
}

TEST(SyslogSocketPathTest, EnvironmentOverridesTheDefault) {
  ::unsetenv("VEXA_SYSLOG_SOCKET");
  EXPECT_EQ(SyslogEventLog::DefaultSocketPath(), "/dev/log");
  ::setenv("VEXA_SYSLOG_SOCKET", "/run/test/log", 1);
  EXPECT_EQ(SyslogEventLog::DefaultSocketPath(), "/run/test/log");
  ::unsetenv("VEXA_SYSLOG_SOCKET");
}

}  // namespace
}  // namespace vexa
