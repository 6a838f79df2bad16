#pragma once
// Finding the computer's own domain and its domain controllers, as a
// domain-joined Linux host finds them: the domain name from the first that
// is set of VEXA_AD_DOMAIN, the Kerberos default realm (KRB5_CONFIG
// honoured), the resolver's domain or first search entry, and the domain
// part of the host name; the controllers from the DNS SRV record
// _ldap._tcp.dc._msdcs.<domain>. VEXA_DNS_SERVER ("address[:port]") sends
// the DNS queries to that server instead of the resolver's.
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vexa::ldap {

struct DomainController {
  std::string host;  // without the trailing dot
  uint16_t port = 389;
};

// The candidate domain name, lower-case; empty when no source has one.
std::string FindDomainName();

// The controllers of `domain` in order of SRV priority, then weight (higher
// first); false when the record does not exist or cannot be read.
bool FindDomainControllers(const std::string& domain, std::vector<DomainController>* controllers);

// The addresses of `host`, from the same DNS server as the SRV lookup when
// VEXA_DNS_SERVER is set, else from the system's resolver.
std::vector<sockaddr_storage> ResolveHost(const std::string& host, uint16_t port);

}  // namespace vexa::ldap
