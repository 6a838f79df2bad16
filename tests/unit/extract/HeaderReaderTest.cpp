#include "HeaderReader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Names.h"

namespace vexa::extract {
namespace {

// Fed in pieces of every size, the reader finds what a look at the whole
// header finds: the keywords, the cleaned name, the boundary.
TEST(ExtractHeaderReader, AnySplitReadsAsTheWhole) {
  const std::string header =
      "--XX\r\nContent-Type: Multipart/Alternative; Boundary=\" in-ner \"\r\n"
      "Content-Disposition: attachment; filename=\"my-re:port.pdf\"  \r\n"
      "content-transfer-encoding: base64";
  for (size_t piece = 1; piece <= header.size(); ++piece) {
    HeaderReader reader;
    for (size_t i = 0; i < header.size(); i += piece) reader.Add(std::string_view(header).substr(i, piece));
    ASSERT_TRUE(reader.has_name()) << piece;
    EXPECT_EQ(reader.name().text(), "myreport.pdf") << piece;
    EXPECT_TRUE(reader.base64()) << piece;
    EXPECT_TRUE(reader.multipart()) << piece;
    ASSERT_TRUE(reader.has_boundary()) << piece;
    EXPECT_EQ(reader.boundary().text(), "in-ner") << piece;
  }
}

TEST(ExtractHeaderReader, NameCapturedAsCleanNameCleans) {
  std::mt19937 rng(3);
  for (int round = 0; round < 2000; ++round) {
    std::string line(rng() % 12, '\0');
    for (char& c : line) c = " \t-ab:/\"."[rng() % 9];
    LineCapture capture("\"\\/:*?<>|-");
    capture.Add(line + "\r\nrest");
    ASSERT_EQ(capture.text(), CleanName(line)) << "[" << line << "]";
  }
}

TEST(ExtractHeaderReader, OverlongLines) {
  LineCapture capture("\"");
  capture.Add("a" + std::string(LineCapture::kMaxLength + 10, ' ') + "\r\n");
  EXPECT_FALSE(capture.too_long());  // trailing white space is trimmed
  EXPECT_EQ(capture.text(), "a");
  capture.Reset();
  capture.Add(std::string(LineCapture::kMaxLength + 1, 'x'));
  EXPECT_TRUE(capture.too_long());
}

}  // namespace
}  // namespace vexa::extract
