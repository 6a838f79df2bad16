// CRegAccess over the real settings store, filled by `vexa-reg import` from
// a file exported on Windows (REGEDIT5, UTF-16LE).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "RegAccess.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;

class RegAccessStoreTest : public ::testing::Test {
 protected:
  RegAccessStoreTest() : root_(fs::temp_directory_path() / ("vexa-regaccess-" + std::to_string(getpid()))) {
    fs::remove_all(root_);
    const std::string command = std::string(VEXA_REG_BINARY) + " --registry '" + root_.string() + "' import '" +
                                VEXA_SETTINGS_FIXTURES + "/dovra-vexa.reg' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  ~RegAccessStoreTest() override { fs::remove_all(root_); }

  int Read(const char* key, const std::string& name, std::string& value) {
    CRegAccess reg(store_);
    reg.SetKey(key);
    return reg.ReadValue(name, value);
  }

  fs::path root_;
  SettingsStore store_{root_.string()};
};

TEST_F(RegAccessStoreTest, ReadsWhatWasImportedWithItsCodes) {
  std::string value;
  EXPECT_EQ(Read(keys::kSnp, "DIRECTORY", value), 0);
  EXPECT_EQ(value, "C:\\Program Files\\Dovra Vexa");
  EXPECT_EQ(Read(keys::kSecur, "enable", value), 0);
  EXPECT_EQ(value, "1");
  EXPECT_EQ(Read(keys::kSnp, "Greeting", value), 0);
  EXPECT_EQ(value, "say \"hello\" to Zo\xEB at the Caf\xE9, 5 \x80");  // Windows-1252 bytes
  EXPECT_EQ(Read(keys::kSnp, "Flags", value), 0);
  EXPECT_EQ(value, "\x01");  // a REG_DWORD's raw bytes up to the first NUL
  EXPECT_EQ(Read(keys::kSnp, "Servers", value), 0);
  EXPECT_EQ(value, "DBHOST01");  // the first string of a REG_MULTI_SZ
  EXPECT_EQ(Read(keys::kSnp, "Missing", value), 13);
  EXPECT_EQ(value, "");
  EXPECT_EQ(Read("SOFTWARE\\Dovra Software, Inc.\\Missing", "DIRECTORY", value), 31);
}

TEST_F(RegAccessStoreTest, LongestValueIs1023Characters) {
  const auto set = [&](const std::string& name, size_t length) {
    store_.SetValues(keys::kSnp, {NamedValue{name, RegValue{RegType::kSz, std::string(length, 'd') + '\0'}}});
  };
  set("FIT", 1023);
  set("LONG", 1024);
  std::string value;
  EXPECT_EQ(Read(keys::kSnp, "FIT", value), 0);
  EXPECT_EQ(value.size(), 1023u);
  EXPECT_EQ(Read(keys::kSnp, "LONG", value), 13);
  EXPECT_EQ(value, "");
}

}  // namespace
}  // namespace vexa
