#pragma once
// The directory seam on OpenLDAP's libldap. A path "LDAP://<domain>[/<dn>]"
// is bound on a domain controller of <domain> found through DNS, by its host
// name (so Kerberos asks for ldap/<host>), or on the URI of VEXA_LDAP_URI or
// of OpenLDAP's ldap.conf when one is set. The bind uses the caller's
// Kerberos credentials (SASL GSSAPI), or a simple bind as VEXA_LDAP_BINDDN
// with the password in the file VEXA_LDAP_PASSWORD_FILE; VEXA_LDAP_STARTTLS
// set to 1 asks for StartTLS. TLS settings come from ldap.conf/LDAPTLS_*.
#include "Directory.h"

namespace vexa::ldap {

struct LdapOptions {
  // Whether the users among a group's members are found by one search on
  // the group's back-links (memberOf) before single lookups.
  bool backlink_lookup = true;
  // Single member lookups in flight at once.
  int lookup_window = 64;
  // When positive, member values are read in ranges of this many values
  // ("member;range=a-b"), as a server with a value limit hands them out.
  int member_range_step = 0;
};

class LdapDirectory : public directory::Directory {
 public:
  explicit LdapDirectory(LdapOptions options = {}) : options_(options) {}

  uint32_t LocateDomain(std::string* domain) override;
  directory::HResult Bind(std::string_view path,
                          std::unique_ptr<directory::Searcher>* searcher) override;

 private:
  LdapOptions options_;
};

}  // namespace vexa::ldap
