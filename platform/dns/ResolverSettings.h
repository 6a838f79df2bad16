#pragma once
// The daemon's resolver as the settings configure it: `DNSSERVER` (one
// server, "addr" or "addr:port"; empty or missing: /etc/resolv.conf) and
// `DNSTIMEOUT` (milliseconds for a whole lookup; missing or not a positive
// number: 2000, at most 60000) under the Secur key.
#include <memory>

#include "Resolver.h"
#include "Settings.h"

namespace vexa {

std::unique_ptr<Resolver> MakeResolverFromSettings(Settings& settings);

}  // namespace vexa
