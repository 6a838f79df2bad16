#include "RegAccess.h"

#include <gtest/gtest.h>

#include "FakeSettings.h"

namespace vexa {
namespace {

constexpr const char* kKey = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";

class RegAccessTest : public ::testing::Test {
 protected:
  int Read(const std::string& name, std::string& value) {
    CRegAccess reg(settings_);
    reg.SetKey(kKey);
    return reg.ReadValue(name, value);
  }
  fakes::FakeSettings settings_;
};

TEST_F(RegAccessTest, ReadsStringsWithTheirCodes) {
  settings_.SetString(kKey, "DIRECTORY", "/opt/vexa");
  std::string value = "stale";
  EXPECT_EQ(Read("directory", value), 0);  // names ignore case
  EXPECT_EQ(value, "/opt/vexa");

  value = "stale";
  EXPECT_EQ(Read("MISSING", value), 13);
  EXPECT_EQ(value, "");

  settings_.DeleteKey(kKey);
  value = "stale";
  EXPECT_EQ(Read("DIRECTORY", value), 31);
  EXPECT_EQ(value, "");
}

TEST_F(RegAccessTest, BufferLimitIs1023CharactersPlusNul) {
  settings_.SetString(kKey, "FIT", std::string(1023, 'a'));
  settings_.SetString(kKey, "LONG", std::string(1024, 'a'));
  std::string value;
  EXPECT_EQ(Read("FIT", value), 0);
  EXPECT_EQ(value.size(), 1023u);
  EXPECT_EQ(Read("LONG", value), 13);
  EXPECT_EQ(value, "");
}

TEST_F(RegAccessTest, RawBytesUpToFirstNulWhateverTheType) {
  settings_.SetRaw(kKey, "DWORD", RegType::kDword, std::string("\x01\x00\x00\x00", 4));
  settings_.SetRaw(kKey, "MULTI", RegType::kMultiSz, std::string("one\0two\0\0", 9));
  settings_.SetRaw(kKey, "EXPAND", RegType::kExpandSz, std::string("%HOME%\\x\0", 9));
  settings_.SetRaw(kKey, "NONUL", RegType::kBinary, "abc");
  std::string value;
  EXPECT_EQ(Read("DWORD", value), 0);
  EXPECT_EQ(value, "\x01");
  EXPECT_EQ(Read("MULTI", value), 0);
  EXPECT_EQ(value, "one");
  EXPECT_EQ(Read("EXPAND", value), 0);
  EXPECT_EQ(value, "%HOME%\\x");
  EXPECT_EQ(Read("NONUL", value), 0);
  EXPECT_EQ(value, "abc");
}

TEST_F(RegAccessTest, EachReadGoesToTheStore) {
  settings_.SetString(kKey, "LETGO", "1");
  std::string value;
  Read("LETGO", value);
  settings_.SetString(kKey, "LETGO", "0");
  Read("LETGO", value);
  EXPECT_EQ(value, "0");
  EXPECT_EQ(settings_.reads, 2);
}

}  // namespace
}  // namespace vexa
