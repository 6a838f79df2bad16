#include "ServerLogin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ConnectionString.h"

namespace vexa {
namespace {

constexpr size_t kMaxCredentialsFile = 64 * 1024;

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

std::string BuildServerConnectionString(const std::string& driver, const std::string& server,
                                        const std::string& database, const std::string& user,
                                        const std::string& password) {
  return "PROVIDER=MSDASQL;DRIVER=" + driver + ";SERVER=" + server +
         ";UID=" + QuoteOdbcValue(user) + ";PWD=" + QuoteOdbcValue(password) +
         ";DATABASE=" + database;
}

bool ReadCredentialsFile(const std::string& path, std::string* user, std::string* password,
                         std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Fail(error, "cannot open " + path + ": " + strerror(errno));
  struct stat st;
  std::string text;
  bool ok = fstat(fd, &st) == 0;
  std::string problem = ok ? "" : std::string("cannot read ") + path + ": " + strerror(errno);
  if (ok && !S_ISREG(st.st_mode))
    problem = path + " is not a regular file";
  else if (ok && st.st_uid != geteuid())
    problem = path + " is not owned by the daemon's user";
  else if (ok && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    problem = path + " is open to group or others (chmod 600 it)";
  else if (ok && static_cast<size_t>(st.st_size) > kMaxCredentialsFile)
    problem = path + " is too large";
  if (problem.empty()) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0 && text.size() <= kMaxCredentialsFile)
      text.append(buffer, static_cast<size_t>(n));
    if (n < 0) problem = std::string("cannot read ") + path + ": " + strerror(errno);
  }
  close(fd);
  if (!problem.empty()) return Fail(error, problem);

  std::string found_user, found_password;
  bool have_user = false, have_password = false;
  size_t pos = 0;
  int line_number = 0;
  while (pos < text.size()) {
    ++line_number;
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    std::string key = line.substr(0, eq);
    if (eq != std::string::npos && key == "user") {
      found_user = line.substr(eq + 1);
      have_user = true;
    } else if (eq != std::string::npos && key == "password") {
      found_password = line.substr(eq + 1);
      have_password = true;
    } else {
      // The line itself is not quoted: it may be a password.
      return Fail(error, path + ": line " + std::to_string(line_number) +
                             " is neither user= nor password=");
    }
  }
  if (!have_user || found_user.empty()) return Fail(error, path + " names no user");
  if (!have_password) return Fail(error, path + " has no password line");
  *user = found_user;
  *password = found_password;
  return true;
}

}  // namespace vexa
