#include "Search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vexa::extract {
namespace {

TEST(ExtractFindNoCase, ComparesLettersWithoutCase) {
  EXPECT_EQ(FindNoCase("Content-Transfer-Encoding: Base64", "CONTENT-TRANSFER-ENCODING: BASE64"), 0u);
  EXPECT_EQ(FindNoCase("x; FILENAME=a", "name="), 7u);
  EXPECT_EQ(FindNoCase("Content-Transfer-Encoding:base64", "CONTENT-TRANSFER-ENCODING: BASE64"), kNotFound);
  EXPECT_EQ(FindNoCase("abc", "abcd"), kNotFound);
  EXPECT_EQ(FindNoCase("ffffffFrom:", "FROM:"), 6u);
}

TEST(ExtractFindBytes, FirstOccurrenceOrMinusOne) {
  const std::string area = std::string("a\0b", 3) + "KRTV" + "KRTV";
  EXPECT_EQ(FindBytes("KRTV", 4, area.data(), area.size()), 3);
  EXPECT_EQ(FindBytes("\0b", 2, area.data(), area.size()), 1);
  EXPECT_EQ(FindBytes("KRTX", 4, area.data(), area.size()), -1);
  EXPECT_EQ(FindBytes("KRTV", 4, area.data(), 2), -1);
  EXPECT_EQ(FindBytes("", 0, area.data(), area.size()), 0);
}

// The finder over a window that grows at the end and shrinks at the front
// answers as a fresh search of the window would.
TEST(ExtractStreamFinder, AgreesWithAFreshSearch) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    const bool nocase = round % 2 == 0;
    StreamFinder finder(nocase ? "aBa" : "\r\n\r\n", nocase);
    WorkingText text;
    for (int step = 0; step < 40; ++step) {
      std::string piece(rng() % 7, '\0');
      for (char& c : piece) c = "abAB\r\nx"[rng() % 7];
      text.Append(piece);
      if (rng() % 3 == 0 && text.Size() > 0) text.DropBefore(text.Start() + rng() % (text.Size() + 1));
      const size_t fresh = nocase ? FindNoCase(text.View(), "aBa") : text.View().find("\r\n\r\n");
      const uint64_t found = finder.Find(text);
      ASSERT_EQ(found, fresh == kNotFound ? kNotFound : text.Start() + fresh) << round << " " << step;
    }
  }
}

}  // namespace
}  // namespace vexa::extract
