#pragma once
// The resolver seam on c-ares: one PTR query per lookup, sent to the
// servers of /etc/resolv.conf or to one configured server, and bounded in
// time as a whole. c-ares keeps no answers, so every lookup asks the server.
#include <sys/stat.h>

#include <string>

#include "Resolver.h"

struct ares_channeldata;

namespace vexa {

class CaresResolver : public Resolver {
 public:
  static constexpr int kDefaultTimeoutMs = 2000;

  // `server`: "" for the servers of /etc/resolv.conf, else one server as
  // "addr", "addr:port" or "[ipv6]:port". `timeout_ms` bounds a whole lookup,
  // retransmissions included.
  explicit CaresResolver(std::string server = "", int timeout_ms = kDefaultTimeoutMs);
  ~CaresResolver() override;
  CaresResolver(const CaresResolver&) = delete;
  CaresResolver& operator=(const CaresResolver&) = delete;

  LookupResult LookupPtr(const std::string& name, std::string* host) override;

  const std::string& server() const { return server_; }
  int timeout_ms() const { return timeout_ms_; }

 private:
  // False when no channel could be made. Without a configured server the
  // channel is made again whenever /etc/resolv.conf has changed.
  bool EnsureChannel();

  std::string server_;
  int timeout_ms_;
  ares_channeldata* channel_ = nullptr;
  struct stat resolv_conf_ = {};  // as it was when the channel was made
};

}  // namespace vexa
