#include <gtest/gtest.h>

#include <filesystem>

#include "KeyPath.h"
#include "SettingsStore.h"
#include "TempDir.h"

namespace vexa {
namespace {

using testing::TempDir;
using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr char kSnp[] = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::string KeyDir(std::string_view key) {
    std::vector<std::string> parts;
    SplitKeyPath(key, &parts);
    std::string dir = root_.path() + "/registry";
    for (const std::string& part : parts) dir += "/" + KeyFileName(part);
    return dir;
  }
  RegValue ReadOk(std::string_view key, std::string_view name) {
    RegValue value;
    EXPECT_EQ(store_.Read(key, name, &value), SettingsStatus::kOk) << key << " " << name;
    return value;
  }

  TempDir root_;
  SettingsStore store_{root_.path() + "/registry"};
};

TEST_F(SettingsStoreTest, KeepsTypeAndExactBytesOfAnyLength) {
  const std::vector<NamedValue> values = {
      {"DIRECTORY", {RegType::kSz, "C:\\Program Files\\Dovra Vexa\0"s}},
      {"Exactly1023", {RegType::kSz, std::string(1023, 'x') + '\0'}},
      {"Exactly1024", {RegType::kSz, std::string(1024, 'y') + '\0'}},
      {"Megabyte", {RegType::kBinary, std::string(1 << 20, '\xA5')}},
      {"Empty", {RegType::kNone, ""}},
      {"Flags", {RegType::kDword, "\x01\0\0\0"s}},
      {"Stamp", {RegType::kQword, "\1\2\3\4\5\6\7\x08"s}},
      {"Path", {RegType::kExpandSz, "%TEMP%\\x\0"s}},
      {"List", {RegType::kMultiSz, "a\0b\0\0"s}},
      {"", {RegType::kSz, "default\0"s}},
  };
  ASSERT_TRUE(store_.SetValues(kSnp, values).ok());
  SettingsStore other(store_.root());  // another process's view
  for (const NamedValue& v : values) {
    RegValue read;
    ASSERT_EQ(other.Read(kSnp, v.name, &read), SettingsStatus::kOk) << v.name;
    EXPECT_EQ(read.type, v.value.type) << v.name;
    EXPECT_EQ(read.data, v.value.data) << v.name;
  }
}

TEST_F(SettingsStoreTest, NamesIgnoreCaseAndKeepTheSpellingOfTheirCreation) {
  ASSERT_TRUE(store_
                  .SetValues(kSnp, {{"DIRECTORY", {RegType::kSz, "one\0"s}},
                                    {"LETGO", {RegType::kSz, "0\0"s}}})
                  .ok());
  ASSERT_TRUE(store_
                  .SetValues("software\\DOVRA SOFTWARE, INC.\\dovra vexa\\snp",
                             {{"directory", {RegType::kSz, "two\0"s}}})
                  .ok());
  EXPECT_EQ(ReadOk("\\Software\\dovra software, inc.\\DOVRA VEXA\\SNP\\", "Directory").data,
            "two\0"s);

  KeyListing listing;
  ASSERT_TRUE(store_.List("SOFTWARE\\dovra software, inc.\\dovra vexa\\snp", &listing).ok());
  EXPECT_EQ(listing.path, kSnp);
  ASSERT_EQ(listing.values.size(), 2u);
  EXPECT_EQ(listing.values[0].name, "DIRECTORY");
  EXPECT_EQ(listing.values[1].name, "LETGO");
}

TEST_F(SettingsStoreTest, MissingKeysAndValuesHaveTheirOwnCodes) {
  RegValue value;
  EXPECT_EQ(store_.Read(kSnp, "DIRECTORY", &value), SettingsStatus::kKeyMissing);  // no root yet
  ASSERT_TRUE(store_.CreateKey(kSnp).ok());
  EXPECT_EQ(store_.Read(kSnp, "DIRECTORY", &value), SettingsStatus::kValueUnreadable);
  EXPECT_EQ(store_.Read("SOFTWARE\\Dovra Software, Inc.\\Nope", "DIRECTORY", &value),
            SettingsStatus::kKeyMissing);
  EXPECT_EQ(store_.Read("SOFTWARE\\\\Dovra", "DIRECTORY", &value), SettingsStatus::kKeyMissing);
  EXPECT_EQ(store_.SetValues("SOFTWARE\\\\Dovra", {{"x", {}}}).code, StoreResult::kInvalid);
  EXPECT_EQ(store_.SetValues("", {{"x", {}}}).code, StoreResult::kInvalid);
}

TEST_F(SettingsStoreTest, DamagedKeyFileReadsAsUnreadableUntilTheKeyIsWrittenAgain) {
  ASSERT_TRUE(store_
                  .SetValues(kSnp, {{"DIRECTORY", {RegType::kSz, "C:\\Vexa\0"s}},
                                    {"LETGO", {RegType::kSz, "1\0"s}}})
                  .ok());
  const std::string file = KeyDir(kSnp) + "/.values";
  const std::string good = testing::ReadFile(file);
  const std::string damaged[] = {
      "",
      good.substr(0, good.size() - 3),
      std::string(good.size(), '\xFF'),
      "REGEDIT4\r\n",
  };
  RegValue value;
  for (const std::string& bytes : damaged) {
    testing::WriteFile(file, bytes);
    EXPECT_EQ(store_.Read(kSnp, "LETGO", &value), SettingsStatus::kValueUnreadable) << bytes.size();
    const StoreResult write = store_.SetValues(kSnp, {{"LETGO", {RegType::kSz, "0\0"s}}});
    EXPECT_EQ(write.code, StoreResult::kDamaged);
    EXPECT_NE(write.message.find(file), std::string::npos) << write.message;
  }
  // One damaged record costs only that value.
  std::string one_bad = good;
  one_bad[one_bad.rfind("1\0"s)] = '2';
  testing::WriteFile(file, one_bad);
  EXPECT_EQ(store_.Read(kSnp, "LETGO", &value), SettingsStatus::kValueUnreadable);
  EXPECT_EQ(ReadOk(kSnp, "DIRECTORY").data, "C:\\Vexa\0"s);

  fs::remove(file);
  fs::create_directory(file);  // not even a file
  EXPECT_EQ(store_.Read(kSnp, "LETGO", &value), SettingsStatus::kValueUnreadable);

  ASSERT_TRUE(store_.DeleteKey(kSnp).ok());
  ASSERT_TRUE(store_.SetValues(kSnp, {{"LETGO", {RegType::kSz, "0\0"s}}}).ok());
  EXPECT_EQ(ReadOk(kSnp, "LETGO").data, "0\0"s);
}

TEST_F(SettingsStoreTest, DeletesValuesAndWholeTrees) {
  const std::string vexa = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa";
  ASSERT_TRUE(
      store_.SetValues(kSnp, {{"A", {RegType::kSz, "a\0"s}}, {"B", {RegType::kSz, "b\0"s}}}).ok());
  ASSERT_TRUE(store_.SetValues(vexa + "\\Secur\\Deeper", {{"C", {RegType::kSz, "c\0"s}}}).ok());

  ASSERT_TRUE(store_.DeleteValue(kSnp, "a").ok());
  RegValue value;
  EXPECT_EQ(store_.Read(kSnp, "A", &value), SettingsStatus::kValueUnreadable);
  EXPECT_EQ(ReadOk(kSnp, "B").data, "b\0"s);
  EXPECT_EQ(store_.DeleteValue(kSnp, "A").code, StoreResult::kNotFound);
  EXPECT_EQ(store_.DeleteValue(vexa + "\\Nope", "A").code, StoreResult::kNotFound);

  ASSERT_TRUE(store_.DeleteKey(vexa).ok());
  EXPECT_EQ(store_.Read(kSnp, "B", &value), SettingsStatus::kKeyMissing);
  EXPECT_FALSE(store_.KeyExists(vexa + "\\Secur\\Deeper"));
  EXPECT_EQ(store_.DeleteKey(vexa).code, StoreResult::kNotFound);
  EXPECT_EQ(store_.DeleteKey("").code, StoreResult::kInvalid);
  // Nothing is left behind: no temporary or deleted trees.
  for (const auto& entry : fs::recursive_directory_iterator(store_.root())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == ".values" || name == ".lock" || name[0] != '.') << entry.path();
  }
}

TEST_F(SettingsStoreTest, ListsSubkeysInRegistryOrderWithAnyName) {
  const std::string zones = "SOFTWARE\\Zones";
  const std::vector<std::string> names = {"Z_Last", "za", "..", "a/b", "50%", "Caf\xE9", "Zb"};
  for (const std::string& name : names)
    ASSERT_TRUE(store_.CreateKey(zones + "\\" + name).ok()) << name;
  ASSERT_TRUE(store_.CreateKey(zones + "\\ZA").ok());  // exists already as "za"
  KeyListing listing;
  ASSERT_TRUE(store_.List(zones, &listing).ok());
  EXPECT_EQ(listing.subkeys,
            (std::vector<std::string>{"..", "50%", "a/b", "Caf\xE9", "za", "Zb", "Z_Last"}));
  KeyListing root;
  ASSERT_TRUE(store_.List("", &root).ok());
  EXPECT_EQ(root.subkeys, std::vector<std::string>{"SOFTWARE"});
}

}  // namespace
}  // namespace vexa
