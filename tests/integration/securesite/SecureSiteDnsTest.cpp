// Secure-site naming with the daemon's resolver, configured through the
// settings, against a real DNS server.
#include <gtest/gtest.h>

#include <chrono>

#include "CodePage.h"
#include "FakeEventLog.h"
#include "FakeSettings.h"
#include "LocalDnsServer.h"
#include "ResolverSettings.h"
#include "SecureSite.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

class SecureSiteDnsTest : public ::testing::Test {
 protected:
  std::string Append(const std::string& server, std::string url) {
    fakes::FakeSettings settings;
    settings.SetString(keys::kSecur, "DNSSERVER", server);
    settings.SetString(keys::kSecur, "DNSTIMEOUT", "400");
    const auto resolver = MakeResolverFromSettings(settings);
    AppendSecureSiteName(url, *resolver, log_, code_page_);
    return url;
  }

  fakes::FakeEventLog log_;
  CodePage code_page_;
};

TEST_F(SecureSiteDnsTest, NamesFromTheServerOrTheMarker) {
  testing::LocalDnsServer dns(
      testing::LocalDnsServer::PtrRecords{{"3.2.1.10.in-addr.arpa", "host.example.test"}});
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"https://10.1.2.3", "https://10.1.2.3 :: host.example.test"},
      {"HTTPS://10.1.2.3", "HTTPS://10.1.2.3 :: host.example.test"},
      {"https://10.1.2.4", "https://10.1.2.4 :: Secure Site"},    // NXDOMAIN
      {"https://999.1.1.1", "https://999.1.1.1 :: Secure Site"},  // no such number
      {"https://10.1.2.3/", "https://10.1.2.3/"},
      {"https://1.2.3", "https://1.2.3"},
  };
  for (const auto& c : cases) EXPECT_EQ(Append(dns.address(), c.before), c.after);
  ASSERT_EQ(log_.debug.size(), 2u);
  for (const auto& line : log_.debug) EXPECT_NE(line.find("no PTR record"), std::string::npos);
}

TEST_F(SecureSiteDnsTest, SilentServerGivesTheMarkerWithinTheBound) {
  testing::SilentDnsServer silent;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Append(silent.address(), "https://10.1.2.3"), "https://10.1.2.3 :: Secure Site");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_EQ(log_.debug.size(), 1u);
  EXPECT_NE(log_.debug[0].find("timed out"), std::string::npos);
}

}  // namespace
}  // namespace vexa
