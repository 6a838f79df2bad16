// End to end: vexaDB in server mode against a PostgreSQL server of its own
// (through psqlODBC), with the cache share in a temporary directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <thread>

#include "PgServer.h"
#include "SettingsStore.h"
#include "ShareDirs.h"

namespace vexa {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::WriteFile;
namespace fs = std::filesystem;

constexpr const char* kSnp = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";
constexpr const char* kSecur = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Secur";
constexpr const char* kConfig = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Command\\Config";

NamedValue Sz(const std::string& name, const std::string& text) {
  return {name, {RegType::kSz, text + '\0'}};
}

// The daemon's syslog: datagrams on a socket of the test's own.
class SyslogReceiver {
 public:
  explicit SyslogReceiver(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~SyslogReceiver() { ::close(fd_); }
  bool bound() const { return bound_; }
  // Takes what has arrived.
  void Drain() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n <= 0) return;
      messages_.emplace_back(buffer, static_cast<size_t>(n));
    }
  }
  int Count(const std::string& text) {
    Drain();
    int count = 0;
    for (const auto& message : messages_) count += message.find(text) != std::string::npos;
    return count;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
  std::vector<std::string> messages_;
};

class DaemonContentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    odbc_ini_dir_ = testing::UseTestOdbcInstIni();
    std::string error;
    server_ = testing::PgServer::Start(&error).release();
    if (!server_) start_error_ = error;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
    std::error_code ignored;
    if (!odbc_ini_dir_.empty()) fs::remove_all(odbc_ini_dir_, ignored);
  }

  void SetUp() override {
    if (!server_) GTEST_SKIP() << "no PostgreSQL server: " << start_error_;
    ASSERT_EQ(server_->Psql("DELETE FROM vexa_records"), "");
    const std::string root = scratch_.path();
    install_ = root + "/install";
    cache_ = install_ + "/Cache";
    spool_ = install_ + "/TmpLog";
    fs::create_directories(cache_);
    fs::create_directories(spool_);
    fs::create_directories(root + "/run");
    share_ = root + "/shares/" + server_->ServerSetting() + "/Cache0000000000";

    SettingsStore store(root + "/registry");
    ASSERT_TRUE(store.SetValues(kSnp, {Sz("DIRECTORY", install_)}).ok());
    ASSERT_TRUE(store.SetValues(kSecur, {Sz("ENABLE", "1"), Sz("DNSDISABLE", "1")}).ok());
    ASSERT_TRUE(store
                    .SetValues(kConfig, {Sz("SQL", "1"), Sz("SQLSERVER", server_->ServerSetting()),
                                         Sz("SQLDRIVER", "PostgreSQL Unicode"),
                                         Sz("SHAREROOT", root + "/shares")})
                    .ok());
    syslog_ = std::make_unique<SyslogReceiver>(root + "/run/log");
    ASSERT_TRUE(syslog_->bound());
  }

  void TearDown() override { StopDaemon(); }

  void StartDaemon() {
    const std::string root = scratch_.path();
    daemon_ = ::fork();
    if (daemon_ == 0) {
      ::setenv("VEXA_RUNTIME_DIR", (root + "/run").c_str(), 1);
      ::setenv("VEXA_SYSLOG_SOCKET", (root + "/run/log").c_str(), 1);
      ::execl(VEXA_DAEMON, VEXA_DAEMON, "--registry", (root + "/registry").c_str(), nullptr);
      ::_exit(127);
    }
    ASSERT_GT(daemon_, 0);
  }
  void StopDaemon() {
    if (daemon_ <= 0) return;
    ::kill(daemon_, SIGTERM);
    ::kill(daemon_, SIGCONT);
    int status = 0;
    ::waitpid(daemon_, &status, 0);
    daemon_ = 0;
  }

  // Writes a spool file whose record names `content` (in L7 of a short line).
  void AddSpool(const std::string& name, const std::string& url, const std::string& content) {
    WriteFile(spool_ + "/" + name + ".lok", "user1\x01" + url + "\x01host1\x01\x01t6\x01t8\x01" +
                                                content +
                                                "\x01skip\x01"
                                                "12\n");
  }
  void AddContent(const std::string& name, const std::string& data) {
    WriteFile(cache_ + "/" + name, data);
    WriteFile(cache_ + "/" + name.substr(0, name.rfind('.')) + ".tmp", "companion of " + name);
  }

  // Waits (at most 30 s) until the spool file is gone; the daemon takes the
  // folder about once a second.
  bool Taken(const std::string& name) {
    for (int i = 0; i < 300; ++i) {
      syslog_->Drain();
      if (!Exists(spool_ + "/" + name + ".lok")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  std::string ContentNameOf(const std::string& url) {
    return server_->Psql("SELECT content_name FROM vexa_records WHERE url = '" + url + "'");
  }

  static testing::PgServer* server_;
  static std::string start_error_;
  static std::string odbc_ini_dir_;
  testing::Scratch scratch_;
  std::string install_, cache_, spool_, share_;
  std::unique_ptr<SyslogReceiver> syslog_;
  pid_t daemon_ = 0;
};

testing::PgServer* DaemonContentTest::server_ = nullptr;
std::string DaemonContentTest::start_error_;
std::string DaemonContentTest::odbc_ini_dir_;

TEST_F(DaemonContentTest, RecordsWithContentLandWithTheirNames) {
  fs::create_directories(share_);
  WriteFile(share_ + "/0c0d.htm", "older");
  AddContent("0a1b.htm", std::string(100'000, 'a'));
  AddContent("0c0d.htm", "second");
  AddSpool("a", "http://example.com/page-a", "0a1b.htm");
  AddSpool("b", "http://example.com/page-b", "0c0d.htm");
  AddSpool("c", "http://example.com/page-c", "");
  StartDaemon();
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(Taken(name)) << name;
  StopDaemon();

  EXPECT_EQ(ContentNameOf("http://example.com/page-a"), "0a1b.htm");
  EXPECT_EQ(ReadFile(share_ + "/0a1b.htm"), std::string(100'000, 'a'));
  EXPECT_EQ(ReadFile(share_ + "/0a1b.tmp"), "companion of 0a1b.htm");

  const std::string unique = ContentNameOf("http://example.com/page-b");
  ASSERT_TRUE(std::regex_match(unique, std::regex("[0-9a-f]{16}\\.htm"))) << unique;
  EXPECT_EQ(ReadFile(share_ + "/" + unique), "second");
  EXPECT_EQ(ReadFile(share_ + "/" + unique.substr(0, 16) + ".tmp"), "companion of 0c0d.htm");
  EXPECT_EQ(ReadFile(share_ + "/0c0d.htm"), "older");

  EXPECT_EQ(ContentNameOf("http://example.com/page-c"), "NONE");
  EXPECT_TRUE(fs::is_empty(cache_));
}

TEST_F(DaemonContentTest, RecordWaitsWhileTheShareIsMissingOrReadOnly) {
  const std::string data(300'000, 'x');
  AddContent("0a1b.htm", data);
  AddSpool("a", "http://example.com/page-a", "0a1b.htm");
  AddSpool("b", "http://example.com/page-b", "NONE");
  StartDaemon();

  // Missing share: the records behind it flow, this one waits whole.
  ASSERT_TRUE(Taken("b"));
  AddSpool("c", "http://example.com/page-c", "NONE");
  ASSERT_TRUE(Taken("c"));
  EXPECT_TRUE(Exists(spool_ + "/a.lok"));
  EXPECT_EQ(ReadFile(cache_ + "/0a1b.htm"), data);

  // Read-only share: still waiting, nothing half-copied into it. The daemon
  // is paused while the share appears, so it never sees it writable.
  ::kill(daemon_, SIGSTOP);
  fs::create_directories(share_);
  const bool read_only = testing::SetImmutable(share_, true);
  ::kill(daemon_, SIGCONT);
  if (read_only) {
    AddSpool("d", "http://example.com/page-d", "NONE");
    ASSERT_TRUE(Taken("d"));
    AddSpool("e", "http://example.com/page-e", "NONE");
    ASSERT_TRUE(Taken("e"));
    EXPECT_TRUE(Exists(spool_ + "/a.lok"));
    EXPECT_EQ(ReadFile(cache_ + "/0a1b.htm"), data);
    EXPECT_TRUE(fs::is_empty(share_));
    ASSERT_TRUE(testing::SetImmutable(share_, false));
  }
  EXPECT_EQ(ContentNameOf("http://example.com/page-a"), "");
  EXPECT_EQ(syslog_->Count("PlaceContentFile():"), 1);  // one event for the spool file

  // Once the share can be written, the record follows.
  ASSERT_TRUE(Taken("a"));
  StopDaemon();
  EXPECT_EQ(ContentNameOf("http://example.com/page-a"), "0a1b.htm");
  EXPECT_EQ(ReadFile(share_ + "/0a1b.htm"), data);
  EXPECT_EQ(ReadFile(share_ + "/0a1b.tmp"), "companion of 0a1b.htm");
  EXPECT_EQ(syslog_->Count("PlaceContentFile():"), 1);
  if (!read_only) GTEST_SKIP() << "the read-only share could not be set up here";
}

}  // namespace
}  // namespace vexa
