#pragma once
// The login of the server database mode: the connection string the daemon
// opens, and the optional root-only credentials file that replaces the
// built-in login.
#include <string>

namespace vexa {

inline constexpr char kDefaultServerDriver[] = "SQL Server";
inline constexpr char kDefaultServerUser[] = "vexauser";
inline constexpr char kDefaultServerPassword[] = "lumirakasteb";

// "PROVIDER=MSDASQL;DRIVER=<driver>;SERVER=<server>;UID=<user>;PWD=<password>;
// DATABASE=<database>", joined as they stand. Only a user or password that
// would break the string (a ';', a brace, blanks at an end) is enclosed in
// braces.
std::string BuildServerConnectionString(const std::string& driver, const std::string& server,
                                        const std::string& database, const std::string& user,
                                        const std::string& password);

// Reads "user=..." and "password=..." lines (blank lines and lines starting
// with '#' are skipped; the value is everything after the first '=', a
// trailing CR removed). The file must be a regular file owned by the
// effective user, with no access for group or others. False with a
// sentence in `error` otherwise, and `user`/`password` untouched.
bool ReadCredentialsFile(const std::string& path, std::string* user, std::string* password,
                         std::string* error);

}  // namespace vexa
