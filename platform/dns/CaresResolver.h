#pragma once
// The resolver seam on c-ares: one PTR query per lookup, sent to the
// servers of /etc/resolv.conf or to one configured server, answered from no
// cache, and bounded in time as a whole.
#include <string>

#include "Resolver.h"

namespace vexa {

class CaresResolver : public Resolver {
 public:
  static constexpr int kDefaultTimeoutMs = 2000;

  // `server`: "" for the servers of /etc/resolv.conf, else one server as
  // "addr", "addr:port" or "[ipv6]:port". `timeout_ms` bounds a whole lookup,
  // retransmissions included.
  explicit CaresResolver(std::string server = "", int timeout_ms = kDefaultTimeoutMs);

  LookupResult LookupPtr(const std::string& name, std::string* host) override;

  const std::string& server() const { return server_; }
  int timeout_ms() const { return timeout_ms_; }

 private:
  std::string server_;
  int timeout_ms_;
};

}  // namespace vexa
