#include <gtest/gtest.h>

#include "KeyFile.h"

namespace vexa {
namespace {

using namespace std::string_literals;

KeyFile Sample() {
  return {"Snp",
          {{"DIRECTORY", {RegType::kSz, "C:\\Vexa\0"s}},
           {"", {RegType::kSz, "default\0"s}},
           {"Flags", {RegType::kDword, "\x01\0\0\0"s}},
           {"Big", {RegType::kBinary, std::string(100000, '\xAB')}}}};
}

TEST(KeyFileTest, RoundTripKeepsNamesTypesBytesAndOrder) {
  const KeyFile key = Sample();
  KeyFile back;
  ASSERT_TRUE(DecodeKeyFile(EncodeKeyFile(key), &back));
  EXPECT_EQ(back.name, "Snp");
  ASSERT_EQ(back.values.size(), key.values.size());
  for (size_t i = 0; i < key.values.size(); ++i) {
    EXPECT_EQ(back.values[i].name, key.values[i].name);
    EXPECT_EQ(back.values[i].value.type, key.values[i].value.type);
    EXPECT_EQ(back.values[i].value.data, key.values[i].value.data);
  }
  EXPECT_EQ(back.Find("directory"), &back.values[0]);
  EXPECT_EQ(back.Find("DIRECTORYX"), nullptr);
}

TEST(KeyFileTest, DamageLosesOnlyTheDamagedValue) {
  std::string bytes = EncodeKeyFile(Sample());
  bytes[bytes.find("default")] = 'D';
  KeyFile back;
  EXPECT_FALSE(DecodeKeyFile(bytes, &back));
  EXPECT_EQ(back.Find(""), nullptr);
  ASSERT_NE(back.Find("Flags"), nullptr);
  EXPECT_NE(back.Find("Big"), nullptr);
}

// Whatever byte is changed or wherever the file is cut, decoding never
// reads out of bounds and never returns a value that was not written.
TEST(KeyFileTest, NoDamageGivesAWrongValue) {
  KeyFile small = Sample();
  small.values[3].value.data = "\x01\x02\x03";
  const std::string good = EncodeKeyFile(small);
  auto check = [&](const std::string& bytes, const std::string& what) {
    KeyFile back;
    const bool intact = DecodeKeyFile(bytes, &back);
    for (const NamedValue& v : back.values) {
      const NamedValue* original = small.Find(v.name);
      ASSERT_NE(original, nullptr) << what;
      EXPECT_EQ(v.value.data, original->value.data) << what;
      EXPECT_EQ(v.value.type, original->value.type) << what;
    }
    if (intact) {
      EXPECT_EQ(back.values.size(), small.values.size()) << what;
    }
  };
  for (size_t i = 0; i < good.size(); ++i) {
    std::string flipped = good;
    flipped[i] ^= 0x5A;
    check(flipped, "flip at " + std::to_string(i));
    check(good.substr(0, i), "cut at " + std::to_string(i));
  }
}

TEST(KeyFileTest, ForeignBytesDecodeAsNothing) {
  KeyFile back;
  EXPECT_FALSE(DecodeKeyFile("", &back));
  EXPECT_FALSE(DecodeKeyFile("VEXAKEY1\xFF\xFF\xFF\xFF", &back));
  EXPECT_FALSE(DecodeKeyFile("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n", &back));
  EXPECT_TRUE(back.name.empty());
  EXPECT_TRUE(back.values.empty());
}

}  // namespace
}  // namespace vexa
