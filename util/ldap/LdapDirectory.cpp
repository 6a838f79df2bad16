#include "LdapDirectory.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <openldap.h>
#include <poll.h>
#include <sasl/sasl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "DomainLocator.h"
#include "LdapSearcher.h"

namespace vexa::ldap {
namespace {

using directory::HResult;
using directory::HResultFromLdapResult;
using directory::HResultFromWin32;
using directory::kOk;

constexpr HResult kBadPathname = static_cast<HResult>(0x80005000);
constexpr int kConnectTimeoutMs = 10000;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// VEXA_LDAP_URI, else the URI of OpenLDAP's own configuration (ldap.conf,
// LDAPURI); empty when neither names one.
std::string ConfiguredUri() {
  if (std::string uri = Env("VEXA_LDAP_URI"); !uri.empty()) return uri;
  if (!Env("LDAPURI").empty()) return Env("LDAPURI");
  const char* conf = std::getenv("LDAPCONF");
  std::ifstream in(conf != nullptr ? conf : "/etc/ldap/ldap.conf");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key, uris, value;
    if (!(fields >> key) || (key != "URI" && key != "uri")) continue;
    while (fields >> value) uris += (uris.empty() ? "" : " ") + value;  // a list is allowed
    if (!uris.empty()) return uris;
  }
  return {};
}

int ConnectWithTimeout(const sockaddr_storage& address) {
  const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const socklen_t len =
      address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
  int rc = connect(fd, reinterpret_cast<const sockaddr*>(&address), len);
  if (rc != 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int error = ETIMEDOUT;
    socklen_t error_len = sizeof error;
    if (poll(&p, 1, kConnectTimeoutMs) == 1) getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &error_len);
    rc = error == 0 ? 0 : -1;
  }
  if (rc != 0) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// Connects to a controller of `domain`, by its host name.
int ConnectToController(const std::string& domain, LDAP** ld) {
  std::vector<DomainController> controllers;
  if (!FindDomainControllers(domain, &controllers)) return LDAP_SERVER_DOWN;
  for (const DomainController& dc : controllers) {
    for (const sockaddr_storage& address : ResolveHost(dc.host, dc.port)) {
      const int fd = ConnectWithTimeout(address);
      if (fd < 0) continue;
      const std::string url = "ldap://" + dc.host + ":" + std::to_string(dc.port);
      if (ldap_init_fd(fd, LDAP_PROTO_TCP, url.c_str(), ld) == LDAP_SUCCESS) return LDAP_SUCCESS;
      close(fd);
    }
  }
  return LDAP_SERVER_DOWN;
}

int SaslInteract(LDAP*, unsigned, void*, void* prompts) {
  for (auto* p = static_cast<sasl_interact_t*>(prompts); p->id != SASL_CB_LIST_END; ++p) {
    p->result = p->defresult != nullptr ? p->defresult : "";
    p->len = static_cast<unsigned>(std::strlen(static_cast<const char*>(p->result)));
  }
  return LDAP_SUCCESS;
}

HResult ReadPassword(const std::string& path, std::string* password) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return HResultFromWin32(errno == EACCES ? 5 : 2);
  std::getline(in, *password);
  if (!password->empty() && password->back() == '\r') password->pop_back();
  return kOk;
}

HResult Authenticate(LDAP* ld, bool tls) {
  const std::string bind_dn = Env("VEXA_LDAP_BINDDN");
  const std::string password_file = Env("VEXA_LDAP_PASSWORD_FILE");
  int rc;
  if (!bind_dn.empty() && !password_file.empty()) {
    std::string password;
    const HResult hr = ReadPassword(password_file, &password);
    if (hr != kOk) return hr;
    berval credentials{static_cast<ber_len_t>(password.size()), password.data()};
    rc = ldap_sasl_bind_s(ld, bind_dn.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr,
                          nullptr);
  } else {
    // The directory refuses a second security layer inside TLS.
    if (tls) ldap_set_option(ld, LDAP_OPT_X_SASL_SECPROPS, "maxssf=0");
    rc = ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                      SaslInteract, nullptr);
  }
  return HResultFromLdapResult(rc);
}

// The naming context of the domain: the server's defaultNamingContext, else
// one made from the domain's DNS name.
std::string DomainRoot(LDAP* ld, const std::string& domain) {
  char attr[] = "defaultNamingContext";
  char* attrs[] = {attr, nullptr};
  LDAPMessage* res = nullptr;
  timeval timeout{30, 0};
  std::string root;
  if (ldap_search_ext_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0, nullptr, nullptr,
                        &timeout, LDAP_NO_LIMIT, &res) == LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(ld, res)) {
      if (berval** vals = ldap_get_values_len(ld, entry, attr)) {
        if (vals[0] != nullptr) root.assign(vals[0]->bv_val, vals[0]->bv_len);
        ldap_value_free_len(vals);
      }
    }
  }
  ldap_msgfree(res);
  if (!root.empty()) return root;
  std::string::size_type start = 0;
  while (start <= domain.size()) {
    const auto dot = domain.find('.', start);
    if (!root.empty()) root += ',';
    root += "DC=" + domain.substr(start, dot - start);
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return root;
}

}  // namespace

uint32_t LdapDirectory::LocateDomain(std::string* domain) {
  const std::string name = FindDomainName();
  if (name.empty()) return directory::kErrorNoSuchDomain;
  if (ConfiguredUri().empty()) {
    std::vector<DomainController> controllers;
    if (!FindDomainControllers(name, &controllers)) return directory::kErrorNoSuchDomain;
  }
  *domain = name;
  return 0;
}

HResult LdapDirectory::Bind(std::string_view path, std::unique_ptr<directory::Searcher>* searcher) {
  constexpr std::string_view kScheme = "LDAP://";
  if (path.substr(0, kScheme.size()) != kScheme) return kBadPathname;
  path.remove_prefix(kScheme.size());
  const size_t slash = path.find('/');
  const std::string domain(path.substr(0, slash));
  const std::string dn(slash == std::string_view::npos ? "" : path.substr(slash + 1));
  if (domain.empty()) return kBadPathname;

  LDAP* ld = nullptr;
  const std::string uri = ConfiguredUri();
  const int rc = uri.empty() ? ConnectToController(domain, &ld) : ldap_initialize(&ld, uri.c_str());
  if (rc != LDAP_SUCCESS) return HResultFromLdapResult(rc);
  auto connection = std::make_shared<Connection>(ld);

  const int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  ldap_set_option(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
  timeval connect_timeout{kConnectTimeoutMs / 1000, 0};
  ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &connect_timeout);
  // Binds and other synchronous steps give up on a server that stops
  // answering.
  timeval answer_timeout{kAnswerTimeoutSeconds, 0};
  ldap_set_option(ld, LDAP_OPT_TIMEOUT, &answer_timeout);

  bool tls = uri.rfind("ldaps://", 0) == 0;
  if (Env("VEXA_LDAP_STARTTLS") == "1") {
    const int tls_rc = ldap_start_tls_s(ld, nullptr, nullptr);
    if (tls_rc != LDAP_SUCCESS) return HResultFromLdapResult(tls_rc);
    tls = true;
  }
  const HResult hr = Authenticate(ld, tls);
  if (hr != kOk) return hr;
  std::string base = dn.empty() ? DomainRoot(ld, domain) : dn;
  *searcher = std::make_unique<LdapSearcher>(std::move(connection), std::move(base), options_);
  return kOk;
}

}  // namespace vexa::ldap
