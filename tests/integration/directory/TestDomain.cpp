#include "TestDomain.h"

#include <gtest/gtest.h>
#include <ldap.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <map>

namespace vexa::testing {

const TestDomain& TestDomain::Get() {
  static TestDomain* domain = [] {
    const char* state = std::getenv("VEXA_TEST_STATE");
    const std::string path = std::string(state != nullptr ? state : "") + "/ad-dc/env";
    std::ifstream in(path);
    if (!in) {
      std::fprintf(stderr,
                   "no test domain controller: %s is missing; start it with "
                   "tests/services/ad-dc.sh start (scripts/test.sh does)\n",
                   path.c_str());
      std::abort();
    }
    std::map<std::string, std::string> env;
    for (std::string line; std::getline(in, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
    }
    auto* d = new TestDomain{env["VEXA_AD_DC_IP"],        env["VEXA_AD_REALM"],
                             env["VEXA_AD_DOMAIN_NAME"],  env["VEXA_AD_BASE_DN"],
                             env["VEXA_AD_HOST"],         env["VEXA_AD_ADMIN"],
                             env["VEXA_AD_PASSWORD"],     env["VEXA_AD_KRB5_CONFIG"],
                             env["VEXA_AD_CA_CERT"],      ""};
    char dir[] = "/tmp/vexa-directory-XXXXXX";
    d->state_dir = mkdtemp(dir);
    // TLS settings are read once per process by libldap.
    setenv("LDAPTLS_CACERT", d->ca_cert.c_str(), 1);
    setenv("LDAPTLS_REQCERT", "demand", 1);
    setenv("KRB5_CONFIG", d->krb5_config.c_str(), 1);
    setenv("KRB5CCNAME", ("FILE:" + d->state_dir + "/ccache").c_str(), 1);
    const std::string kinit = "kinit " + d->admin + " >/dev/null";
    FILE* p = popen(kinit.c_str(), "w");
    std::fprintf(p, "%s\n", d->password.c_str());
    if (pclose(p) != 0) {
      std::fprintf(stderr, "kinit %s against %s failed\n", d->admin.c_str(), d->ip.c_str());
      std::abort();
    }
    return d;
  }();
  return *domain;
}

void TestDomain::UseKerberos() const {
  setenv("VEXA_AD_DOMAIN", domain.c_str(), 1);
  setenv("VEXA_DNS_SERVER", ip.c_str(), 1);
  for (const char* name : {"VEXA_LDAP_URI", "VEXA_LDAP_BINDDN", "VEXA_LDAP_PASSWORD_FILE",
                           "VEXA_LDAP_STARTTLS"}) {
    unsetenv(name);
  }
}

void TestDomain::UseSimpleBind(const std::string& secret) const {
  UseKerberos();
  const std::string file = state_dir + "/password";
  std::ofstream(file) << secret << "\n";
  setenv("VEXA_LDAP_BINDDN", admin.c_str(), 1);
  setenv("VEXA_LDAP_PASSWORD_FILE", file.c_str(), 1);
}

struct DirectoryView::Impl {
  LDAP* ld = nullptr;
  std::string base;
};

DirectoryView::DirectoryView(const TestDomain& domain) : impl_(new Impl) {
  impl_->base = domain.base_dn;
  const std::string uri = "ldap://" + domain.ip;
  ldap_initialize(&impl_->ld, uri.c_str());
  const int version = LDAP_VERSION3;
  ldap_set_option(impl_->ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(impl_->ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  berval cred{domain.password.size(), const_cast<char*>(domain.password.c_str())};
  const int rc = ldap_sasl_bind_s(impl_->ld, domain.admin.c_str(), LDAP_SASL_SIMPLE, &cred,
                                  nullptr, nullptr, nullptr);
  if (rc != LDAP_SUCCESS) ADD_FAILURE() << "view bind: " << ldap_err2string(rc);
}

DirectoryView::~DirectoryView() {
  ldap_unbind_ext_s(impl_->ld, nullptr, nullptr);
  delete impl_;
}

std::vector<std::vector<std::string>> DirectoryView::Search(const std::string& filter,
                                                            const std::string& attribute) {
  std::vector<std::vector<std::string>> out;
  std::string attr = attribute;
  char* attrs[] = {attr.data(), nullptr};
  LDAPMessage* res = nullptr;
  const int rc = ldap_search_ext_s(impl_->ld, impl_->base.c_str(), LDAP_SCOPE_SUBTREE,
                                   filter.c_str(), attrs, 0, nullptr, nullptr, nullptr,
                                   LDAP_NO_LIMIT, &res);
  EXPECT_EQ(rc, LDAP_SUCCESS) << filter;
  for (LDAPMessage* e = ldap_first_entry(impl_->ld, res); e != nullptr;
       e = ldap_next_entry(impl_->ld, e)) {
    std::vector<std::string> values;
    if (berval** vals = ldap_get_values_len(impl_->ld, e, attr.c_str())) {
      for (berval** v = vals; *v != nullptr; ++v) values.emplace_back((*v)->bv_val, (*v)->bv_len);
      ldap_value_free_len(vals);
    }
    out.push_back(std::move(values));
  }
  ldap_msgfree(res);
  return out;
}

std::string DirectoryView::ExpectedMembers(const std::string& group, bool with_mail) {
  const auto group_rows = Search("(&(objectClass=group)(name=" + group + "))", "member");
  EXPECT_EQ(group_rows.size(), 1u) << group;
  const auto token = Search("(&(objectClass=group)(name=" + group + "))", "primaryGroupToken");
  std::vector<std::string> entries;
  // One user per read, by its DN as the member list names it.
  auto entry_of = [&](LDAPMessage* e) {
    std::string text;
    for (const char* a : with_mail ? std::vector<const char*>{"mail", "sAMAccountName"}
                                   : std::vector<const char*>{"sAMAccountName"}) {
      berval** vals = ldap_get_values_len(impl_->ld, e, a);
      if (vals == nullptr) return;
      if (!text.empty()) text += ':';
      text.append(vals[0]->bv_val, vals[0]->bv_len);
      ldap_value_free_len(vals);
    }
    entries.push_back(text);
  };
  for (const std::string& dn : group_rows.empty() ? std::vector<std::string>{} : group_rows[0]) {
    LDAPMessage* res = nullptr;
    if (ldap_search_ext_s(impl_->ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectCategory=user)", nullptr,
                          0, nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &res) == LDAP_SUCCESS) {
      if (LDAPMessage* e = ldap_first_entry(impl_->ld, res)) entry_of(e);
    }
    ldap_msgfree(res);
  }
  LDAPMessage* res = nullptr;
  const std::string filter = "(&(objectCategory=user)(primaryGroupID=" + token.at(0).at(0) + "))";
  ldap_search_ext_s(impl_->ld, impl_->base.c_str(), LDAP_SCOPE_SUBTREE, filter.c_str(), nullptr, 0,
                    nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &res);
  for (LDAPMessage* e = ldap_first_entry(impl_->ld, res); e != nullptr;
       e = ldap_next_entry(impl_->ld, e)) {
    entry_of(e);
  }
  ldap_msgfree(res);
  return Join(entries);
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += ',';
    out += item;
  }
  return out;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  size_t start = 0;
  for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    out.push_back(text.substr(start, comma - start));
  }
  out.push_back(text.substr(start));
  return out;
}

}  // namespace vexa::testing
