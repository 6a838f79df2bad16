#include "ResolverSettings.h"

#include <algorithm>
#include <charconv>

#include "CaresResolver.h"
#include "RegAccess.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

constexpr int kMaxTimeoutMs = 60000;

int ParseTimeoutMs(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || ptr != end || value <= 0) {
    return CaresResolver::kDefaultTimeoutMs;
  }
  return std::min(value, kMaxTimeoutMs);
}

}  // namespace

std::unique_ptr<Resolver> MakeResolverFromSettings(Settings& settings) {
  CRegAccess reg(settings);
  reg.SetKey(keys::kSecur);
  std::string server;
  std::string timeout;
  reg.ReadValue("DNSSERVER", server);
  reg.ReadValue("DNSTIMEOUT", timeout);
  return std::make_unique<CaresResolver>(server, ParseTimeoutMs(timeout));
}

}  // namespace vexa
