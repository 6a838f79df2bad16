#include <gtest/gtest.h>

#include <chrono>

#include "CaresResolver.h"
#include "LocalDnsServer.h"

namespace vexa {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class CaresResolverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new testing::LocalDnsServer(
        {
            {"3.2.1.10.in-addr.arpa", "host.example.test"},
            {"5.2.1.10.in-addr.arpa", "first.example.test"},
            {"5.2.1.10.in-addr.arpa", "second.example.test"},
            {"7.0-25.2.1.10.in-addr.arpa", "classless.example.test"},
        },
        {{"7.2.1.10.in-addr.arpa", "7.0-25.2.1.10.in-addr.arpa"}});
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  static testing::LocalDnsServer* server_;
};

testing::LocalDnsServer* CaresResolverTest::server_ = nullptr;

TEST_F(CaresResolverTest, FirstAnswerComesBackWithoutTheTrailingDot) {
  CaresResolver resolver(server_->address(), 2000);
  const struct {
    const char* name;
    const char* host;
  } cases[] = {
      {"3.2.1.10.IN-ADDR.ARPA", "host.example.test"},
      {"5.2.1.10.IN-ADDR.ARPA", "first.example.test"},      // the first of two answers
      {"7.2.1.10.IN-ADDR.ARPA", "classless.example.test"},  // through the alias (RFC 2317)
  };
  for (const auto& c : cases) {
    std::string host;
    EXPECT_EQ(resolver.LookupPtr(c.name, &host), LookupResult::kFound) << c.name;
    EXPECT_EQ(host, c.host);
  }
}

TEST_F(CaresResolverTest, UnknownNamesHaveNoRecord) {
  CaresResolver resolver(server_->address(), 2000);
  for (const char* name : {"4.2.1.10.IN-ADDR.ARPA", "1.1.1.999.IN-ADDR.ARPA"}) {
    std::string host = "untouched";
    EXPECT_EQ(resolver.LookupPtr(name, &host), LookupResult::kNoRecord) << name;
    EXPECT_EQ(host, "untouched");
  }
}

TEST(CaresResolverFailureTest, ServerThatNeverAnswersTimesOutWithinTheBound) {
  testing::SilentDnsServer silent;
  CaresResolver resolver(silent.address(), 300);
  std::string host;
  const auto start = steady_clock::now();
  EXPECT_EQ(resolver.LookupPtr("3.2.1.10.IN-ADDR.ARPA", &host), LookupResult::kTimedOut);
  const auto elapsed = steady_clock::now() - start;
  EXPECT_GE(elapsed, milliseconds(290));
  EXPECT_LT(elapsed, milliseconds(1500));
}

TEST(CaresResolverFailureTest, NoServerOrABadServerTextFails) {
  for (const std::string& server : {"127.0.0.1:" + std::to_string(testing::FreeLoopbackPort()),
                                    std::string("not an address")}) {
    CaresResolver resolver(server, 1000);
    std::string host;
    EXPECT_EQ(resolver.LookupPtr("3.2.1.10.IN-ADDR.ARPA", &host), LookupResult::kFailed) << server;
  }
}

}  // namespace
}  // namespace vexa
