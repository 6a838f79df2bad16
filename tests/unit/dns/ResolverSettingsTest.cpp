#include <gtest/gtest.h>

#include "CaresResolver.h"
#include "FakeSettings.h"
#include "ResolverSettings.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

TEST(ResolverSettingsTest, ServerAndTimeoutComeFromTheSecurKey) {
  const struct {
    const char* server;   // nullptr: value missing
    const char* timeout;  // nullptr: value missing
    const char* want_server;
    int want_timeout;
  } cases[] = {
      {nullptr, nullptr, "", 2000},
      {"192.0.2.53", "500", "192.0.2.53", 500},
      {"192.0.2.53:5353", "1", "192.0.2.53:5353", 1},
      {"", "", "", 2000},
      {nullptr, "0", "", 2000},
      {nullptr, "-5", "", 2000},
      {nullptr, "2s", "", 2000},
      {nullptr, " 300", "", 2000},
      {nullptr, "99999999999", "", 2000},
      {nullptr, "600000", "", 60000},
  };
  for (const auto& c : cases) {
    fakes::FakeSettings settings;
    settings.AddKey(keys::kSecur);
    if (c.server) settings.SetString(keys::kSecur, "DNSSERVER", c.server);
    if (c.timeout) settings.SetString(keys::kSecur, "DNSTIMEOUT", c.timeout);
    const auto resolver = MakeResolverFromSettings(settings);
    const auto* cares = dynamic_cast<const CaresResolver*>(resolver.get());
    ASSERT_NE(cares, nullptr);
    EXPECT_EQ(cares->server(), c.want_server);
    EXPECT_EQ(cares->timeout_ms(), c.want_timeout) << (c.timeout ? c.timeout : "(missing)");
  }
}

}  // namespace
}  // namespace vexa
