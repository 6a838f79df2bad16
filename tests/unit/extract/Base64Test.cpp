#include "Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "TestText.h"

namespace vexa::extract {
namespace {

std::string Decode(const std::string& text) {
  std::string out(Base64Decoder::MaxOutput(text.size()), '\0');
  out.resize(static_cast<size_t>(DecodeBase64(text.data(), out.data(), static_cast<long>(text.size()))));
  return out;
}

TEST(ExtractBase64, DecodesAsRfc2045Says) {
  const struct {
    const char* text;
    const char* decoded;
  } cases[] = {
      {"QUJD", "ABC"},
      {"QUJDREVG", "ABCDEF"},
      {"QQ==", "A"},
      {"QUI=", "AB"},
      {"QUJ\r\nDREVG", "ABCDEF"},      // a line not a multiple of four
      {"QU\r\nJD\r\n", "ABC"},         // groups span line breaks
      {"Q U*J!D", "ABC"},              // bytes outside the alphabet skipped
      {"QQ==QUJD", "A"},               // "=" ends the data
      {"QUJ", "AB"},                   // an open group at the end
      {"QUJDR", "ABC"},                // a lone character gives nothing
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.text), c.decoded) << c.text;
}

TEST(ExtractBase64, MissingArgumentsGiveZero) {
  char out[8];
  EXPECT_EQ(DecodeBase64(nullptr, out, 4), 0);
  EXPECT_EQ(DecodeBase64("QUJD", nullptr, 4), 0);
  EXPECT_EQ(DecodeBase64("QUJD", out, 0), 0);
  EXPECT_EQ(DecodeBase64("QUJD", out, -3), 0);
}

// Random data, encoded in lines of 76, fed in random pieces: the decoder
// carries its open group from call to call.
TEST(ExtractBase64, RoundTripsAcrossAnySplit) {
  std::mt19937 rng(5);
  for (int round = 0; round < 50; ++round) {
    std::string data(rng() % 2000, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const std::string flat = Base64Encode(data);
    std::string text;
    for (size_t i = 0; i < flat.size(); i += 76) text += flat.substr(i, 76) + "\r\n";
    Base64Decoder decoder;
    std::string out(Base64Decoder::MaxOutput(text.size()) + 3, '\0');
    size_t written = 0;
    for (size_t i = 0; i < text.size();) {
      const size_t n = std::min<size_t>(1 + rng() % 97, text.size() - i);
      written += decoder.Decode(text.data() + i, n, out.data() + written);
      i += n;
    }
    written += decoder.Finish(out.data() + written);
    out.resize(written);
    ASSERT_EQ(out, data) << round;
  }
}

}  // namespace
}  // namespace vexa::extract
