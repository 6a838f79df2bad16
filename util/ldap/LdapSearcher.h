#pragma once
// Searches on a bound libldap connection: subtree searches with the paged
// results control, ranged reads of long multi-valued attributes, and member
// lookups in one search on the group's back-links, with pipelined single
// lookups for what that does not find.
#include <ldap.h>

#include <memory>
#include <string>

#include "Directory.h"
#include "LdapDirectory.h"

namespace vexa::ldap {

// An open connection, unbound when the last user lets go of it.
class Connection {
 public:
  explicit Connection(LDAP* ld) : ld_(ld) {}
  ~Connection() { ldap_unbind_ext_s(ld_, nullptr, nullptr); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  LDAP* get() const { return ld_; }

 private:
  LDAP* ld_;
};

class LdapSearcher : public directory::Searcher {
 public:
  LdapSearcher(std::shared_ptr<Connection> connection, std::string base, LdapOptions options)
      : connection_(std::move(connection)), base_(std::move(base)), options_(options) {}

  void SetPageSize(int rows) override { page_size_ = rows; }
  directory::HResult ExecuteSearch(std::string_view filter,
                                   const std::vector<std::string>& attributes,
                                   std::unique_ptr<directory::Search>* search) override;
  void LookupUsers(std::string_view group_dn, const std::vector<std::string>& member_dns,
                   const std::vector<std::string>& attributes,
                   std::vector<directory::MemberRow>* rows) override;

 private:
  // One search per member named by `wanted` (indices into `member_dns`),
  // pipelined.
  void LookupOneByOne(const std::vector<std::string>& member_dns,
                      const std::vector<size_t>& wanted,
                      const std::vector<std::string>& attributes,
                      std::vector<directory::MemberRow>* rows);

  std::shared_ptr<Connection> connection_;
  std::string base_;
  LdapOptions options_;
  int page_size_ = 0;
};

}  // namespace vexa::ldap
