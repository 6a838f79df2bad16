#include <gtest/gtest.h>

#include "FakeEventLog.h"
#include "FakeServices.h"
#include "SecureSite.h"

namespace vexa {
namespace {

TEST(BuildReverseLookupNameTest, FourGroupsGiveTheReversedName) {
  const struct {
    const char* host;
    const char* name;
  } cases[] = {
      {"10.1.2.3", "3.2.1.10.IN-ADDR.ARPA"},   {"1..2.3.4", "4.3.2.1.IN-ADDR.ARPA"},
      {".1.2.3.4.", "4.3.2.1.IN-ADDR.ARPA"},   {"...1.2...3.4..", "4.3.2.1.IN-ADDR.ARPA"},
      {"999.1.1.1", "1.1.1.999.IN-ADDR.ARPA"}, {"0.00.000.7", "7.000.00.0.IN-ADDR.ARPA"},
  };
  for (const auto& c : cases) {
    std::string name = "untouched";
    EXPECT_TRUE(BuildReverseLookupName(c.host, &name)) << c.host;
    EXPECT_EQ(name, c.name) << c.host;
  }
}

TEST(BuildReverseLookupNameTest, OtherTextsGiveNoName) {
  for (const char* host : {"", ".", "....", "1.2.3", "1.2.3.4.5", "1234.1.1.1", "1.2.3.0004",
                           "1.2.3.a", "1.2.3.4/", "1.2.3.4:443", "1 .2.3.4"}) {
    std::string name = "untouched";
    EXPECT_FALSE(BuildReverseLookupName(host, &name)) << '"' << host << '"';
    EXPECT_EQ(name, "untouched") << host;
  }
}

class AppendSecureSiteNameTest : public ::testing::Test {
 protected:
  std::string Append(std::string url) {
    AppendSecureSiteName(url, resolver_, log_, code_page_);
    return url;
  }

  fakes::FakeResolver resolver_;
  fakes::FakeEventLog log_;
  CodePage code_page_;
};

TEST_F(AppendSecureSiteNameTest, PtrAnswerIsAppendedAndTheAddressKeepsItsCase) {
  resolver_.answers["3.2.1.10.IN-ADDR.ARPA"] = "host.example.test";
  EXPECT_EQ(Append("https://10.1.2.3"), "https://10.1.2.3 :: host.example.test");
  EXPECT_EQ(Append("hTtPs://10.1.2.3"), "hTtPs://10.1.2.3 :: host.example.test");
  EXPECT_EQ(Append("https://10..1.2.3."), "https://10..1.2.3. :: host.example.test");
  EXPECT_EQ(resolver_.queries.size(), 3u);
  EXPECT_TRUE(log_.debug.empty());
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(AppendSecureSiteNameTest, EveryFailureGivesTheMarkerAndADebugLineSaysWhy) {
  const struct {
    LookupResult result;
    const char* reason;
  } cases[] = {
      {LookupResult::kNoRecord, "no PTR record"},
      {LookupResult::kTimedOut, "timed out"},
      {LookupResult::kFailed, "lookup failed"},
  };
  for (const auto& c : cases) {
    resolver_.missing = c.result;
    log_.debug.clear();
    EXPECT_EQ(Append("HTTPS://10.1.2.3"), "HTTPS://10.1.2.3 :: Secure Site");
    ASSERT_EQ(log_.debug.size(), 1u);
    EXPECT_NE(log_.debug[0].find(c.reason), std::string::npos) << log_.debug[0];
  }
  EXPECT_EQ(Append("https://999.1.1.1"), "https://999.1.1.1 :: Secure Site");
  EXPECT_EQ(resolver_.queries.back(), "1.1.1.999.IN-ADDR.ARPA");
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(AppendSecureSiteNameTest, OtherAddressesStayUnchangedWithoutAQuery) {
  resolver_.missing = LookupResult::kFound;  // would answer anything
  for (const char* url :
       {"https://10.1.2.3/", "https://10.1.2.3:443", "http://10.1.2.3", " https://10.1.2.3",
        "https://[2001:db8::1]", "https://www.example.com", "https://user@10.1.2.3", "https://",
        "https://.", "https://1.2.3", "https://1.2.3.4.5", "https://1234.1.2.3", "https:/10.1.2.3",
        "", "https:"}) {
    EXPECT_EQ(Append(url), url);
  }
  EXPECT_TRUE(resolver_.queries.empty());
  EXPECT_TRUE(log_.debug.empty());
}

}  // namespace
}  // namespace vexa
