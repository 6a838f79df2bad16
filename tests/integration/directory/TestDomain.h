#pragma once
// The test domain of tests/services/ad-dc.sh: its facts from the state
// directory, a Kerberos ticket for the administrator, and an independent
// view of what the directory holds (plain libldap, simple bind).
#include <string>
#include <vector>

namespace vexa::testing {

struct TestDomain {
  std::string ip, realm, domain, base_dn, host, admin, password, krb5_config, ca_cert;
  std::string state_dir;  // a private temp directory (ccache, password file)

  // Reads $VEXA_TEST_STATE/ad-dc/env; fails the test run when it is missing.
  static const TestDomain& Get();
  // Points the library at the DC by DNS and Kerberos, with a fresh ticket.
  void UseKerberos() const;
  // Simple bind as the administrator instead.
  void UseSimpleBind(const std::string& password) const;
};

// What the directory holds, read without the code under test.
class DirectoryView {
 public:
  explicit DirectoryView(const TestDomain& domain);
  ~DirectoryView();
  // Values of `attribute` of the entries `filter` finds below the domain
  // root, one list per entry, in the server's order.
  std::vector<std::vector<std::string>> Search(const std::string& filter,
                                               const std::string& attribute);
  // The text GetUsersInGroup (or, with mail, GetMailUsersInGroup) must give.
  std::string ExpectedMembers(const std::string& group, bool with_mail);

 private:
  struct Impl;
  Impl* impl_;
};

std::string Join(const std::vector<std::string>& items);
std::vector<std::string> Split(const std::string& text);

}  // namespace vexa::testing
