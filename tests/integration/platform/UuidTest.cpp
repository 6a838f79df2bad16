#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "FakeEventLog.h"
#include "LibUuidSource.h"

namespace vexa {
namespace {

TEST(LibUuidSourceTest, CreatesTimeBasedUuidsInLowerCaseText) {
  fakes::FakeEventLog log;
  LibUuidSource source(&log);
  ASSERT_TRUE(source.Available());
  EXPECT_TRUE(log.debug.empty());
  std::set<std::string> texts;
  for (int i = 0; i < 100; ++i) {
    Uuid uuid{};
    ASSERT_EQ(source.Create(&uuid), 0);
    std::string text;
    ASSERT_TRUE(source.ToText(uuid, &text));
    // Version 1 (time-based) in the 8-4-4-4-12 form.
    EXPECT_TRUE(std::regex_match(
        text, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-1[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
        << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), 100u);

  const Uuid known = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                      0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
  std::string text;
  ASSERT_TRUE(source.ToText(known, &text));
  EXPECT_EQ(text, "01234567-89ab-cdef-fedc-ba9876543210");
}

TEST(LibUuidSourceTest, MissingLibraryLeavesTheGeneratorUnset) {
  fakes::FakeEventLog log;
  LibUuidSource source(&log, "libvexa-no-such-uuid.so.1");
  EXPECT_FALSE(source.Available());
  EXPECT_EQ(log.debug, std::vector<std::string>{"Error in LoadLibrary"});
  Uuid uuid;
  uuid.fill(0xAA);
  EXPECT_NE(source.Create(&uuid), 0);
  EXPECT_EQ(uuid[0], 0xAA) << "nothing was called";
  std::string text;
  EXPECT_FALSE(source.ToText(uuid, &text));
}

TEST(LibUuidSourceTest, LibraryWithoutTheFunctionsLeavesTheGeneratorUnset) {
  fakes::FakeEventLog log;
  LibUuidSource source(&log, "libc.so.6");
  EXPECT_FALSE(source.Available());
  EXPECT_TRUE(log.debug.empty()) << "the library itself loaded";
  Uuid uuid{};
  EXPECT_NE(source.Create(&uuid), 0);
}

}  // namespace
}  // namespace vexa
