#include "SecureSite.h"

#include <array>

namespace vexa {
namespace {

constexpr std::string_view kHttpsPrefix = "HTTPS://";
constexpr size_t kGroups = 4;
constexpr size_t kMaxGroupLength = 3;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* Describe(LookupResult result) {
  switch (result) {
    case LookupResult::kNoRecord:
      return "no PTR record";
    case LookupResult::kTimedOut:
      return "timed out";
    default:
      return "lookup failed";
  }
}

}  // namespace

bool BuildReverseLookupName(std::string_view host, std::string* name) {
  std::array<std::string_view, kGroups> groups;
  size_t count = 0;
  size_t pos = 0;
  while (pos < host.size()) {
    if (host[pos] == '.') {
      ++pos;
      continue;
    }
    const size_t start = pos;
    while (pos < host.size() && host[pos] != '.') {
      if (!IsDigit(host[pos])) return false;
      ++pos;
    }
    if (count == kGroups || pos - start > kMaxGroupLength) return false;
    groups[count++] = host.substr(start, pos - start);
  }
  if (count != kGroups) return false;
  std::string result;
  for (size_t i = kGroups; i-- > 0;) {
    result.append(groups[i]);
    result.push_back('.');
  }
  result.append("IN-ADDR.ARPA");
  *name = std::move(result);
  return true;
}

void AppendSecureSiteName(std::string& url, Resolver& resolver, EventLog& log,
                          const CodePage& code_page) {
  if (url.size() < kHttpsPrefix.size() ||
      code_page.ToUpper(std::string_view(url).substr(0, kHttpsPrefix.size())) != kHttpsPrefix) {
    return;
  }
  std::string name;
  if (!BuildReverseLookupName(std::string_view(url).substr(kHttpsPrefix.size()), &name)) return;

  std::string host;
  const LookupResult result = resolver.LookupPtr(name, &host);
  if (result == LookupResult::kFound) {
    url.append(" :: ").append(host);
    return;
  }
  log.Debug("secure-site name of " + url + ": " + Describe(result));
  url.append(kSecureSiteMarker);
}

}  // namespace vexa
