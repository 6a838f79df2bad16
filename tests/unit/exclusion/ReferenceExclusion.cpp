#include "ReferenceExclusion.h"

#include <boost/tokenizer.hpp>

#include "WildcardMatch.h"

namespace vexa::reference {
namespace {

constexpr size_t npos = std::string::npos;

struct Run {
  const std::string& list;
  const CodePage& page;
  ExclusionVerdict* why;

  bool Contains(const std::string& text, const std::string& part) const {
    return page.Find(text, part) != npos;
  }
  // The list holds X: X followed by CR LF occurs in it.
  bool Holds(const std::string& x, ExclusionRule rule) const {
    const size_t pos = page.Find(list, x + "\r\n");
    if (pos == npos) return false;
    const size_t end = pos + x.size();
    const size_t lf = end == 0 ? npos : list.rfind('\n', end - 1);
    const size_t start = lf == npos ? 0 : lf + 1;
    return Decide(rule, list.substr(start, end - start));
  }
  bool Decide(ExclusionRule rule, std::string entry) const {
    if (why) *why = {1, rule, std::move(entry)};
    return true;
  }
};

}  // namespace

int IsExcluded(const std::string& address_list, const std::string& category_list,
               const CodePage& page, std::string url, std::string category,
               ExclusionVerdict* why) {
  if (why) *why = {};
  const Run run{address_list, page, why};
  // 1
  const std::string upper = page.ToUpper(url);
  // 2
  if (run.Contains(upper, "HTTPS://") && run.Holds("HTTPS://*", ExclusionRule::kHttpsAny)) return 1;
  // 3
  std::string host;
  auto cut = [&](size_t skip, const char* scheme) {
    std::string rest = upper.substr(skip);
    const size_t slash = page.Find(rest, '/');
    if (slash != npos) rest = rest.substr(0, slash);
    host = scheme + rest;
  };
  if (run.Contains(upper, "FTP://")) {
    cut(6, "FTP://");
  } else if (run.Contains(upper, "HTTP://")) {
    cut(7, "HTTP://");
  } else if (run.Contains(upper, "HTTPS://")) {
    cut(8, "HTTPS://");
  } else {
    host = upper;
  }
  // 4
  if (host.empty()) return 0;
  // 5, 6
  if (run.Holds(upper, ExclusionRule::kAddress)) return 1;
  if (run.Holds(host, ExclusionRule::kHost)) return 1;
  // 7
  const size_t at = page.Find(host, '@');
  if (at != npos && run.Holds("*@" + host.substr(at + 1), ExclusionRule::kMailDomain)) return 1;
  // 8, 9
  auto suffixes = [&](std::string r, const std::string& prefix, ExclusionRule rule) {
    for (;;) {
      if (r.empty()) return false;
      const size_t dot = page.Find(r, '.');
      if (dot == npos) return false;
      r = r.substr(dot + 1);
      if (run.Holds(prefix + r, rule)) return true;
    }
  };
  std::string prefix;
  if (run.Contains(host, "FTP://")) {
    prefix = "FTP://*.";
  } else if (run.Contains(host, "HTTP://")) {
    prefix = "HTTP://*.";
  } else if (run.Contains(host, "HTTPS://")) {
    prefix = "HTTPS://*.";
  }
  if (!prefix.empty() && suffixes(host, prefix, ExclusionRule::kHostSuffix)) return 1;
  prefix = run.Contains(upper, "HTTP://")    ? "HTTP://*."
           : run.Contains(upper, "HTTPS://") ? "HTTPS://*."
                                             : "";
  if (!prefix.empty() && suffixes(upper, prefix, ExclusionRule::kAddressSuffix)) return 1;
  // 10
  boost::char_separator<char> lf("\n");
  boost::tokenizer<boost::char_separator<char>> lines(address_list, lf);
  for (const std::string& line : lines) {
    std::string t = line;
    std::erase(t, '\r');
    auto match = [&](const std::string& pattern, ExclusionRule rule) {
      return WildcardMatch(url.c_str(), pattern.c_str(), false, '\0') && run.Decide(rule, t);
    };
    if (match(t, ExclusionRule::kWildcard)) return 1;
    if (t.starts_with("*.") && match(t.substr(2), ExclusionRule::kWildcardDot)) return 1;
    if ((t.starts_with("http://*.") || t.starts_with("HTTP://*.")) &&
        match("http://*" + t.substr(9), ExclusionRule::kWildcardHttp)) {
      return 1;
    }
    if ((t.starts_with("https://*.") || t.starts_with("HTTPS://*.")) &&
        match("https://*" + t.substr(10), ExclusionRule::kWildcardHttps)) {
      return 1;
    }
  }
  // 11: a bad escape ends the split; the rule then answers 0.
  if (!category_list.empty() && page.Find(category_list, ',') != npos) {
    using Separator = boost::escaped_list_separator<char>;
    boost::tokenizer<Separator> fields(category_list, Separator('\\', ',', '"'));
    try {
      for (const std::string& field : fields) {
        if (field == category) return run.Decide(ExclusionRule::kCategory, category);
      }
    } catch (const boost::escaped_list_error&) {
    }
  } else if (category_list == category) {
    return run.Decide(ExclusionRule::kCategory, category);
  }
  // 12
  return 0;
}

}  // namespace vexa::reference
