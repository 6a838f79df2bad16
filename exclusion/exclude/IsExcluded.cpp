// The exclusion test: a fixed order of rules, the first that fires decides.
// Every "the list holds X" question goes to the line-tail index, the wildcard
// rule to the wildcard index, the category rule to the split category list.
#include "AddressList.h"
#include "CategoryList.h"
#include "Exclusion.h"

namespace vexa {
namespace {

constexpr size_t kNotFound = LineTailIndex::kNotFound;

struct Decision {
  ExclusionRule rule = ExclusionRule::kNone;
  std::string entry;
};

class Test {
 public:
  explicit Test(const ExclusionLists& lists)
      : list_(lists.addresses()), categories_(lists.categories()), page_(list_.page()) {}

  Decision Run(std::string_view url, std::string_view category) const;

 private:
  bool Contains(std::string_view text, std::string_view part) const {
    return page_.Find(text, part) != std::string_view::npos;
  }
  struct Schemes {
    bool ftp = false;
    bool http = false;
    bool https = false;
  };
  Schemes SchemesIn(std::string_view text) const {
    return {Contains(text, "FTP://"), Contains(text, "HTTP://"), Contains(text, "HTTPS://")};
  }
  // A found text of `length` bytes at `pos`: the decision with its entry.
  Decision Held(ExclusionRule rule, size_t pos, size_t length) const {
    return {rule, std::string(list_.LineEndingAt(pos + length))};
  }
  // Drops from `rest` all up to its first "." while one is left, asking
  // after each step whether the list holds `prefix` followed by the rest.
  size_t FindSuffix(EntryPrefix prefix, std::string_view rest, size_t* length) const;

  const AddressList& list_;
  const CategoryList& categories_;
  const CodePage& page_;
};

size_t Test::FindSuffix(EntryPrefix prefix, std::string_view rest, size_t* length) const {
  while (!rest.empty()) {
    const size_t dot = page_.Find(rest, '.');
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
    const size_t pos = list_.tails().FindAfter(prefix, rest);
    if (pos != kNotFound) {
      *length = EntryPrefixText(prefix).size() + rest.size();
      return pos;
    }
  }
  return kNotFound;
}

Decision Test::Run(std::string_view url, std::string_view category) const {
  // Working texts are kept between calls: a test allocates nothing unless
  // it decides.
  thread_local std::string upper;
  thread_local std::string host;
  upper.assign(url);
  page_.ToUpperInPlace(upper);
  const Schemes in_upper = SchemesIn(upper);
  if (list_.https_any() != kNotFound && in_upper.https) {
    return Held(ExclusionRule::kHttpsAny, list_.https_any(), 9);
  }

  // The host form: a scheme counts wherever it stands, and the cut always
  // takes the first bytes of the address.
  std::string_view scheme;
  if (in_upper.ftp) {
    scheme = "FTP://";
  } else if (in_upper.http) {
    scheme = "HTTP://";
  } else if (in_upper.https) {
    scheme = "HTTPS://";
  }
  std::string_view rest = upper;
  if (!scheme.empty()) {
    rest.remove_prefix(scheme.size());
    rest = rest.substr(0, page_.Find(rest, '/'));
  }
  host.assign(scheme).append(rest);
  if (host.empty()) return {};

  // The first lookups of the rules below do not depend on each other: their
  // memory is fetched together.
  const LineTailIndex& tails = list_.tails();
  tails.Prefetch({}, upper);
  tails.Prefetch(scheme, rest);
  list_.wildcards().Prefetch(url);

  if (size_t pos = tails.Find({}, upper); pos != kNotFound) {
    return Held(ExclusionRule::kAddress, pos, upper.size());
  }
  if (size_t pos = tails.Find(scheme, rest); pos != kNotFound) {
    return Held(ExclusionRule::kHost, pos, host.size());
  }
  if (size_t at = page_.Find(host, '@'); at != std::string::npos) {
    const std::string_view domain = std::string_view(host).substr(at + 1);
    if (size_t pos = tails.FindAfter(EntryPrefix::kMail, domain); pos != kNotFound) {
      return Held(ExclusionRule::kMailDomain, pos, 2 + domain.size());
    }
  }

  size_t length = 0;
  const Schemes in_host = scheme.empty() ? Schemes{} : SchemesIn(host);
  if (in_host.ftp || in_host.http || in_host.https) {
    const EntryPrefix prefix = in_host.ftp    ? EntryPrefix::kFtpSuffix
                               : in_host.http ? EntryPrefix::kHttpSuffix
                                              : EntryPrefix::kHttpsSuffix;
    if (size_t pos = FindSuffix(prefix, host, &length); pos != kNotFound) {
      return Held(ExclusionRule::kHostSuffix, pos, length);
    }
  }
  if (in_upper.http || in_upper.https) {
    const EntryPrefix prefix = in_upper.http ? EntryPrefix::kHttpSuffix : EntryPrefix::kHttpsSuffix;
    if (size_t pos = FindSuffix(prefix, upper, &length); pos != kNotFound) {
      return Held(ExclusionRule::kAddressSuffix, pos, length);
    }
  }

  if (auto hit = list_.wildcards().Match(url)) {
    static constexpr ExclusionRule kRules[] = {ExclusionRule::kWildcard, ExclusionRule::kWildcardDot,
                                               ExclusionRule::kWildcardHttp,
                                               ExclusionRule::kWildcardHttps};
    return {kRules[hit->form], list_.wildcards().Line(hit->line)};
  }
  if (categories_.Excludes(category)) return {ExclusionRule::kCategory, std::string(category)};
  return {};
}

}  // namespace

const char* RuleName(ExclusionRule rule) {
  switch (rule) {
    case ExclusionRule::kNone: return "none";
    case ExclusionRule::kHttpsAny: return "https-any";
    case ExclusionRule::kAddress: return "address";
    case ExclusionRule::kHost: return "host";
    case ExclusionRule::kMailDomain: return "mail-domain";
    case ExclusionRule::kHostSuffix: return "host-suffix";
    case ExclusionRule::kAddressSuffix: return "address-suffix";
    case ExclusionRule::kWildcard: return "wildcard";
    case ExclusionRule::kWildcardDot: return "wildcard-dot";
    case ExclusionRule::kWildcardHttp: return "wildcard-http";
    case ExclusionRule::kWildcardHttps: return "wildcard-https";
    case ExclusionRule::kCategory: return "category";
  }
  return "none";
}

int IsExcluded(const ExclusionLists& lists, std::string_view url, std::string_view category,
               ExclusionVerdict* why) {
  Decision decision = Test(lists).Run(url, category);
  const int excluded = decision.rule == ExclusionRule::kNone ? 0 : 1;
  if (why) *why = {excluded, decision.rule, std::move(decision.entry)};
  return excluded;
}

}  // namespace vexa
