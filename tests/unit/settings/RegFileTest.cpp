#include <gtest/gtest.h>

#include "FixtureFile.h"
#include "RegFile.h"

namespace vexa {
namespace {

using testing::SettingsFixture;
using namespace std::string_literals;

std::vector<RegFileOp> Parse(std::string_view bytes) {
  std::vector<RegFileOp> ops;
  RegFileError error;
  EXPECT_TRUE(ParseRegFile(bytes, &ops, &error)) << "line " << error.line << ": " << error.message;
  return ops;
}

// The keys of a file that only creates keys and sets values, in file order.
std::vector<RegFileKey> KeysOf(const std::vector<RegFileOp>& ops) {
  std::vector<RegFileKey> keys;
  for (const RegFileOp& op : ops) {
    if (op.kind == RegFileOp::kCreateKey) keys.push_back({op.key, {}});
    if (op.kind == RegFileOp::kSetValue) keys.back().values.push_back(op.value);
  }
  return keys;
}

const NamedValue* Find(const std::vector<RegFileKey>& keys, std::string_view key,
                       std::string_view name) {
  for (const RegFileKey& k : keys) {
    if (k.path != key) continue;
    for (const NamedValue& v : k.values) {
      if (v.name == name) return &v;
    }
  }
  return nullptr;
}

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

constexpr char kSnp[] = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";

TEST(RegFileTest, Regedit5FixtureHoldsEveryTypeAsAnsiBytes) {
  const std::vector<RegFileKey> keys = KeysOf(Parse(SettingsFixture("dovra-vexa.reg")));
  ASSERT_EQ(keys.size(), 9u);
  EXPECT_EQ(keys[0].path, "SOFTWARE\\Dovra Software, Inc.");

  struct Case {
    std::string key, name;
    RegType type;
    std::string data;
  } cases[] = {
      {"SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa", "", RegType::kSz, "Dovra Vexa monitoring\0"s},
      {kSnp, "DIRECTORY", RegType::kSz, "C:\\Program Files\\Dovra Vexa\0"s},
      {kSnp, "Greeting", RegType::kSz, "say \"hello\" to Zo\xEB at the Caf\xE9, 5 \x80\0"s},
      {kSnp, "Empty", RegType::kSz, "\0"s},
      {kSnp, "Flags", RegType::kDword, "\x01\0\0\0"s},
      {kSnp, "MaxSize", RegType::kDword, "\xFF\xFF\xFF\xFF"s},
      {kSnp, "CachePath", RegType::kExpandSz, "%ProgramData%\\Dovra Vexa\\Cache\0"s},
      {kSnp, "Servers", RegType::kMultiSz, "DBHOST01\0dbhost02.example.com\0Z\xFCrich-3\0\0"s},
      {kSnp, "LastRun", RegType::kQword, "\x00\x80\x3e\xd5\xde\xb1\x9d\x01"s},
      {kSnp, "Marker", RegType::kNone, ""},
      {kSnp, "Short", RegType::kBinary, "\xDE\xAD\xBE\xEF"},
  };
  for (const Case& c : cases) {
    const NamedValue* v = Find(keys, c.key, c.name);
    ASSERT_NE(v, nullptr) << c.name;
    EXPECT_EQ(v->value.type, c.type) << c.name;
    EXPECT_EQ(v->value.data, c.data) << c.name;
  }
  const NamedValue* blob = Find(keys, kSnp,
                                "Gr\xF6\xDF"
                                "e");
  ASSERT_NE(blob, nullptr);
  ASSERT_EQ(blob->value.data.size(), 64u);
  EXPECT_EQ(blob->value.data[63], '\x3F');
}

TEST(RegFileTest, Regedit5FixtureIsWrittenBackByteForByte) {
  const std::string file = SettingsFixture("dovra-vexa.reg");
  EXPECT_EQ(WriteRegFile(KeysOf(Parse(file)), RegDialect::kRegedit5), file);
}

TEST(RegFileTest, Regedit4IsAnsiAndWrittenBackByteForByte) {
  const std::string file =
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xE9, Bar]\r\n"
      "@=\"d\xE9"
      "faut\"\r\n"
      "\"Path\"=hex(2):25,50,25,5c,e9,00\r\n"
      "\"List\"=hex(7):61,00,62,00,00\r\n"
      "\"Line\"=hex(1):61,0d,0a,62,00\r\n"
      "\"Odd\"=hex(4):01,02\r\n"
      "\r\n";
  const std::vector<RegFileKey> keys = KeysOf(Parse(file));
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].path, "SOFTWARE\\Caf\xE9, Bar");
  EXPECT_EQ(keys[0].values[0].value.data,
            "d\xE9"
            "faut\0"s);
  EXPECT_EQ(keys[0].values[1].value.data, "%P%\\\xE9\0"s);
  EXPECT_EQ(WriteRegFile(keys, RegDialect::kRegedit4), file);
}

TEST(RegFileTest, DialectsConvertIntoEachOtherWithoutLoss) {
  const std::vector<RegFileKey> keys = KeysOf(Parse(SettingsFixture("dovra-vexa.reg")));
  const std::string ansi = WriteRegFile(keys, RegDialect::kRegedit4);
  EXPECT_TRUE(ansi.starts_with("REGEDIT4\r\n"));
  EXPECT_EQ(WriteRegFile(KeysOf(Parse(ansi)), RegDialect::kRegedit5),
            SettingsFixture("dovra-vexa.reg"));
}

TEST(RegFileTest, TextThatQuotesCannotCarryIsWrittenAsHex) {
  const std::vector<RegFileKey> keys = {{"K",
                                         {{"NoNul", {RegType::kSz, "ab"}},
                                          {"Break", {RegType::kSz, "a\nb\0"s}},
                                          {"Inner", {RegType::kSz, "a\0b\0"s}},
                                          {"Wide", {RegType::kDword, "\x01\x02"}},
                                          {"Odd", {static_cast<RegType>(0x12345), "\x01"}}}}};
  const std::string file = WriteRegFile(keys, RegDialect::kRegedit4);
  EXPECT_NE(file.find("\"NoNul\"=hex(1):61,62\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Break\"=hex(1):61,0a,62,00\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Wide\"=hex(4):01,02\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Odd\"=hex(12345):01\r\n"), std::string::npos) << file;
  EXPECT_EQ(KeysOf(Parse(file))[0].values[2].value.data, "a\0b\0"s);
  EXPECT_EQ(KeysOf(Parse(WriteRegFile(keys, RegDialect::kRegedit5)))[0].values[1].value.data,
            "a\nb\0"s);
}

TEST(RegFileTest, DeletionsContinuationsAndCommentsOfCleanupFixture) {
  const std::vector<RegFileOp> ops = Parse(SettingsFixture("dovra-vexa-cleanup.reg"));
  std::vector<std::pair<RegFileOp::Kind, std::string>> seen;
  for (const RegFileOp& op : ops) seen.emplace_back(op.kind, op.key + "|" + op.value.name);
  const std::string vexa = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa";
  const std::vector<std::pair<RegFileOp::Kind, std::string>> expected = {
      {RegFileOp::kDeleteKey, vexa + "\\Obsolete, Old|"},
      {RegFileOp::kCreateKey, vexa + "\\Snp|"},
      {RegFileOp::kDeleteValue, vexa + "\\Snp|Stale"},
      {RegFileOp::kDeleteValue, vexa + "\\Snp|Leftover \"quoted\" value"},
      {RegFileOp::kCreateKey, vexa + "\\Temp|"},
      {RegFileOp::kSetValue, vexa + "\\Temp|Scratch"},
      {RegFileOp::kDeleteKey, vexa + "\\Temp|"},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(ops[5].value.value.type, RegType::kMultiSz);
  EXPECT_EQ(ops[5].value.value.data, "A\0\0"s);
}

TEST(RegFileTest, ValuesUnderADeletedKeyAreIgnored) {
  const std::vector<RegFileOp> ops =
      Parse("REGEDIT4\n[-HKLM\\A]\n\"x\"=\"y\"\n[HKLM\\B]\n\"x\"=\"y\"\n");
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].kind, RegFileOp::kDeleteKey);
  EXPECT_EQ(ops[2].key, "B");
}

TEST(RegFileTest, ErrorsNameTheLine) {
  struct Case {
    std::string file;
    int line;
    std::string message;
  } cases[] = {
      {"", 1, "not a registry file"},
      {"REGEDIT5\r\n", 1, "not a registry file"},
      {"REGEDIT4\r\n\"a\"=\"b\"\r\n", 2, "before the first [key]"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n", 2, "only keys of HKEY_LOCAL_MACHINE"},
      {"REGEDIT4\r\n[HKLM\\A\r\n", 2, "missing ']'"},
      {"REGEDIT4\r\n[HKLM\\A\\\\B]\r\n", 2, "empty key name"},
      {"REGEDIT4\r\n[-HKLM]\r\n", 2, "cannot be deleted"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\r\n\"a\"=\"b\r\n", 4, "missing closing quote"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=\"b\" c\r\n", 3, "after the closing quote"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=dword:123456789\r\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=dword:\r\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=hex:01,\\\r\n  0g\r\n", 3, "not a hex byte"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=hex:01,\\", 3, "ends inside a continued line"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=hex(zz):01\r\n", 3, "hex("},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\"=str:x\r\n", 3, "unknown value data"},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"a\" \"b\"\r\n", 3, "missing '='"},
      {"REGEDIT4\r\n[HKLM\\A]\r\nname=\"b\"\r\n", 3, "expected \"name\""},
      {"Windows Registry Editor Version 5.00\r\n[HKLM\\A]\r\n\"a\"=hex(2):41\r\n", 3, "odd number"},
  };
  for (const Case& c : cases) {
    std::vector<RegFileOp> ops;
    RegFileError error;
    EXPECT_FALSE(ParseRegFile(c.file, &ops, &error)) << c.file;
    EXPECT_EQ(error.line, c.line) << c.file;
    EXPECT_NE(error.message.find(c.message), std::string::npos)
        << c.file << " -> " << error.message;
  }
}

TEST(RegFileTest, ToleratesWhatHandWrittenFilesContain) {
  const std::string file = Utf16File(
      u"Windows Registry Editor Version 5.00\n"
      u"; a comment\n"
      u"[hklm\\Soft]   \n"
      u"  \"a\" = dword:A\n"
      u"\"b\"=HEX:01, 2 ,\\\n"
      u"\t03,\n"
      u"\"c\"=\"\u4e2d\\x\"\n");
  const std::vector<RegFileKey> keys = KeysOf(Parse(file));
  ASSERT_EQ(keys.size(), 1u);
  ASSERT_EQ(keys[0].values.size(), 3u);
  EXPECT_EQ(keys[0].values[0].value.data, "\x0A\0\0\0"s);
  EXPECT_EQ(keys[0].values[1].value.data, "\x01\x02\x03");
  // A character that Windows-1252 lacks reads as '?', as the A-functions
  // see it; an unknown escape keeps its backslash.
  EXPECT_EQ(keys[0].values[2].value.data, "?\\x\0"s);
}

}  // namespace
}  // namespace vexa
