#pragma once
// ODBC connection strings: the text the daemon builds is an ADO connection
// string; the driver manager gets it without ADO's own PROVIDER element.
#include <string>
#include <string_view>

namespace vexa {

// `value` as an ODBC attribute value: unchanged unless it holds a ';', a
// brace or leading/trailing blanks, then enclosed in braces with every '}'
// doubled.
std::string QuoteOdbcValue(std::string_view value);

// The string for SQLDriverConnect: every element of `ado_string` but
// PROVIDER, in order and as written; UID and PWD are added from `user` and
// `password` when the string has none of its own (and the argument is not
// empty).
std::string PrepareOdbcConnectionString(std::string_view ado_string, const std::string& user,
                                        const std::string& password);

}  // namespace vexa
