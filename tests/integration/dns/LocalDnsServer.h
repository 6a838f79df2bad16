#pragma once
// DNS servers on 127.0.0.1 for tests and benchmarks: a real dnsmasq that
// answers given PTR records and NXDOMAIN for every other reverse name, and
// a UDP socket that takes queries and never answers.
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace vexa::testing {

class LocalDnsServer {
 public:
  // (reverse-lookup name, host name) pairs, answered in this order.
  using PtrRecords = std::vector<std::pair<std::string, std::string>>;

  // (alias, target) pairs answered as CNAME records.
  using Aliases = std::vector<std::pair<std::string, std::string>>;

  // Starts dnsmasq on a free port and waits until it answers; throws
  // std::runtime_error when it cannot be started.
  explicit LocalDnsServer(const PtrRecords& records, const Aliases& aliases = {});
  ~LocalDnsServer();
  LocalDnsServer(const LocalDnsServer&) = delete;
  LocalDnsServer& operator=(const LocalDnsServer&) = delete;

  // "127.0.0.1:<port>", as the resolver takes it.
  std::string address() const;

 private:
  bool TryStart(int port, const std::vector<std::string>& options);
  void Stop();
  pid_t pid_ = -1;
  int port_ = 0;
};

class SilentDnsServer {
 public:
  SilentDnsServer();
  ~SilentDnsServer();
  SilentDnsServer(const SilentDnsServer&) = delete;
  SilentDnsServer& operator=(const SilentDnsServer&) = delete;

  std::string address() const;

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A loopback port that nothing listens on at the moment of the call.
int FreeLoopbackPort();

}  // namespace vexa::testing
