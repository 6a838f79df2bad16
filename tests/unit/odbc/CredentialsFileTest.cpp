#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ServerLogin.h"

namespace vexa {
namespace {

class CredentialsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/vexa-cred-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/login";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& text, mode_t mode = 0600) {
    std::ofstream(path_, std::ios::binary) << text;
    ASSERT_EQ(chmod(path_.c_str(), mode), 0);
  }
  bool Read() { return ReadCredentialsFile(path_, &user_, &password_, &error_); }

  std::string dir_, path_;
  std::string user_ = "before", password_ = "before", error_;
};

TEST_F(CredentialsFileTest, ReadsUserAndPassword) {
  Write("# vexaDB login\n\nuser=monitor\r\npassword=s3cret=with;all {chars} \n");
  ASSERT_TRUE(Read()) << error_;
  EXPECT_EQ(user_, "monitor");
  EXPECT_EQ(password_, "s3cret=with;all {chars} ");
  Write("password=\nuser=x");  // an empty password is a password
  ASSERT_TRUE(Read()) << error_;
  EXPECT_EQ(password_, "");
}

TEST_F(CredentialsFileTest, RefusesFilesOthersCanReachAndBadContent) {
  struct Case {
    const char* text;
    mode_t mode;
    const char* error_part;
  } cases[] = {
      {"user=a\npassword=b\n", 0640, "group or others"},
      {"user=a\npassword=b\n", 0604, "group or others"},
      {"user=a\npassword=b\n", 0620, "group or others"},
      {"password=b\n", 0600, "no user"},
      {"user=a\n", 0600, "no password"},
      {"user=a\nsecretpassword\n", 0600, "line 2"},
  };
  for (const Case& c : cases) {
    Write(c.text, c.mode);
    EXPECT_FALSE(Read()) << c.text;
    EXPECT_NE(error_.find(c.error_part), std::string::npos) << error_;
    EXPECT_EQ(error_.find("secretpassword"), std::string::npos) << "the line is not quoted";
    EXPECT_EQ(user_, "before");
    EXPECT_EQ(password_, "before");
  }
  EXPECT_FALSE(ReadCredentialsFile(dir_ + "/missing", &user_, &password_, &error_));
  EXPECT_FALSE(ReadCredentialsFile(dir_, &user_, &password_, &error_));
}

}  // namespace
}  // namespace vexa
