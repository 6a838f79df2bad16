#include "DomainLocator.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <krb5.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vexa::ldap {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string KerberosRealm() {
  krb5_context context;
  if (krb5_init_context(&context) != 0) return {};
  std::string realm;
  char* name = nullptr;
  if (krb5_get_default_realm(context, &name) == 0 && name != nullptr) {
    realm = name;
    krb5_free_default_realm(context, name);
  }
  krb5_free_context(context);
  return realm;
}

// A resolver state, pointed at VEXA_DNS_SERVER when that is set.
class Resolver {
 public:
  Resolver() {
    std::memset(&state_, 0, sizeof state_);
    ok_ = res_ninit(&state_) == 0;
    if (!ok_) return;
    state_.retrans = 2;
    state_.retry = 2;
    const char* server = std::getenv("VEXA_DNS_SERVER");
    if (server == nullptr || *server == '\0') return;
    std::string address = server;
    uint16_t port = 53;
    if (const size_t colon = address.rfind(':'); colon != std::string::npos) {
      port = static_cast<uint16_t>(std::atoi(address.c_str() + colon + 1));
      address.resize(colon);
    }
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &sin.sin_addr) != 1) {
      ok_ = false;
      return;
    }
    state_.nsaddr_list[0] = sin;
    state_.nscount = 1;
    overridden_ = true;
  }
  ~Resolver() {
    if (ok_) res_nclose(&state_);
  }
  Resolver(const Resolver&) = delete;
  Resolver& operator=(const Resolver&) = delete;

  bool ok() const { return ok_; }
  bool overridden() const { return overridden_; }
  res_state state() { return &state_; }

  // The first search domain of the resolver's configuration.
  std::string SearchDomain() const {
    return ok_ && state_.dnsrch[0] != nullptr ? state_.dnsrch[0] : std::string();
  }

  // Answers of type `type` for `name`, parsed; false on any failure.
  bool Query(const std::string& name, int type, ns_msg* msg) {
    if (!ok_) return false;
    const int len = res_nquery(&state_, name.c_str(), ns_c_in, type, answer_, sizeof answer_);
    return len > 0 && ns_initparse(answer_, len, msg) == 0;
  }

 private:
  struct __res_state state_;
  unsigned char answer_[65536];
  bool ok_ = false;
  bool overridden_ = false;
};

}  // namespace

std::string FindDomainName() {
  if (const char* env = std::getenv("VEXA_AD_DOMAIN"); env != nullptr && *env != '\0') {
    return Lower(env);
  }
  if (std::string realm = KerberosRealm(); !realm.empty()) return Lower(realm);
  {
    Resolver resolver;
    if (std::string search = resolver.SearchDomain(); !search.empty()) return Lower(search);
  }
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    if (const char* dot = std::strchr(host, '.'); dot != nullptr && dot[1] != '\0') {
      return Lower(dot + 1);
    }
  }
  return {};
}

bool FindDomainControllers(const std::string& domain, std::vector<DomainController>* controllers) {
  auto resolver = std::make_unique<Resolver>();
  ns_msg msg;
  if (!resolver->Query("_ldap._tcp.dc._msdcs." + domain, ns_t_srv, &msg)) return false;
  struct Entry {
    int priority, weight;
    DomainController dc;
  };
  std::vector<Entry> entries;
  for (int i = 0; i < ns_msg_count(msg, ns_s_an); ++i) {
    ns_rr rr;
    if (ns_parserr(&msg, ns_s_an, i, &rr) != 0 || ns_rr_type(rr) != ns_t_srv) continue;
    if (ns_rr_rdlen(rr) < 7) continue;
    const unsigned char* rdata = ns_rr_rdata(rr);
    Entry e;
    e.priority = ns_get16(rdata);
    e.weight = ns_get16(rdata + 2);
    e.dc.port = static_cast<uint16_t>(ns_get16(rdata + 4));
    char target[NS_MAXDNAME];
    if (dn_expand(ns_msg_base(msg), ns_msg_end(msg), rdata + 6, target, sizeof target) < 0) {
      continue;
    }
    e.dc.host = target;
    if (e.dc.host.empty() || e.dc.host == ".") continue;  // "service not available"
    entries.push_back(std::move(e));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.priority != b.priority ? a.priority < b.priority : a.weight > b.weight;
  });
  controllers->clear();
  for (Entry& e : entries) controllers->push_back(std::move(e.dc));
  return !controllers->empty();
}

std::vector<sockaddr_storage> ResolveHost(const std::string& host, uint16_t port) {
  std::vector<sockaddr_storage> addresses;
  auto resolver = std::make_unique<Resolver>();
  if (resolver->overridden()) {
    ns_msg msg;
    if (!resolver->Query(host, ns_t_a, &msg)) return addresses;
    for (int i = 0; i < ns_msg_count(msg, ns_s_an); ++i) {
      ns_rr rr;
      if (ns_parserr(&msg, ns_s_an, i, &rr) != 0 || ns_rr_type(rr) != ns_t_a ||
          ns_rr_rdlen(rr) != 4) {
        continue;
      }
      sockaddr_storage ss{};
      auto* sin = reinterpret_cast<sockaddr_in*>(&ss);
      sin->sin_family = AF_INET;
      sin->sin_port = htons(port);
      std::memcpy(&sin->sin_addr, ns_rr_rdata(rr), 4);
      addresses.push_back(ss);
    }
    return addresses;
  }
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) {
    return addresses;
  }
  for (addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
    sockaddr_storage ss{};
    std::memcpy(&ss, ai->ai_addr, ai->ai_addrlen);
    addresses.push_back(ss);
  }
  freeaddrinfo(list);
  return addresses;
}

}  // namespace vexa::ldap
