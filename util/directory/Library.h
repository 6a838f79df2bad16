#pragma once
// The state the library keeps while loaded: the directory queries with their
// shared domain name cache, and one pending result per query export.
#include <cstdint>

#include "PendingResult.h"
#include "Queries.h"

namespace vexa::directory {

class Library {
 public:
  explicit Library(Directory& directory) : queries_(directory) {}

  int32_t GetGroups(const char* unit, char* buffer, int32_t* size);
  int32_t GetUsersInGroup(const char* group, char* buffer, int32_t* size);
  int32_t GetMailUsersInGroup(const char* group, char* buffer, int32_t* size);

 private:
  Queries queries_;
  PendingResult groups_;
  PendingResult users_;
  PendingResult mail_users_;
};

}  // namespace vexa::directory
