#pragma once
// The directory queries behind the exports GetGroups, GetUsersInGroup and
// GetMailUsersInGroup, over the directory seam. Each appends its entries
// (joined by ",") to the text it is given and returns 0 or the status of
// the step that failed.
#include <cstdint>
#include <string>
#include <string_view>

#include "Directory.h"

namespace vexa::directory {

class Queries {
 public:
  explicit Queries(Directory& directory) : directory_(directory) {}

  // Names of the groups in the subtree of the unit `unit` (the whole domain
  // when empty).
  int32_t Groups(std::string_view unit, std::string* text);
  // Account names of the users of `group` (every user when empty).
  int32_t UsersInGroup(std::string_view group, std::string* text);
  // "mail:account" of the users of `group` that have a mail address.
  int32_t MailUsersInGroup(std::string_view group, std::string* text);

  // The domain name found by the first successful lookup; kept while loaded.
  const std::string& domain() const { return domain_; }

 private:
  uint32_t LocateDomain();
  std::string RootPath() const;
  int32_t Members(std::string_view group, bool with_mail, std::string* text);
  int32_t FindUnit(std::string_view unit, std::string* dn);

  Directory& directory_;
  std::string domain_;
};

}  // namespace vexa::directory
