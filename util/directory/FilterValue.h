#pragma once
// Escaping of a value for an LDAP search filter (RFC 4515).
#include <string>
#include <string_view>

namespace vexa::directory {

// `*`, `(`, `)`, `\` and NUL become \2a, \28, \29, \5c and \00.
std::string EscapeFilterValue(std::string_view value);

}  // namespace vexa::directory
