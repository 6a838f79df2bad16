#include "Library.h"

namespace vexa::directory {
namespace {

std::string_view Name(const char* name) { return name != nullptr ? name : ""; }

}  // namespace

int32_t Library::GetGroups(const char* unit, char* buffer, int32_t* size) {
  return groups_.Call(buffer, size, [&](std::string* text) {
    return queries_.Groups(Name(unit), text);
  });
}

int32_t Library::GetUsersInGroup(const char* group, char* buffer, int32_t* size) {
  return users_.Call(buffer, size, [&](std::string* text) {
    return queries_.UsersInGroup(Name(group), text);
  });
}

int32_t Library::GetMailUsersInGroup(const char* group, char* buffer, int32_t* size) {
  return mail_users_.Call(buffer, size, [&](std::string* text) {
    return queries_.MailUsersInGroup(Name(group), text);
  });
}

}  // namespace vexa::directory
