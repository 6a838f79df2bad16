#pragma once
// The exclusion lists and the exclusion test: which log records stay out of
// the database, by their address and their filter category.
//
// The two lists come from the install directory's config folder
// (exc_log.ctl: addresses, exc_logcats.ctl: categories) and are indexed when
// they are loaded, so a test costs a few hash probes whatever the lists'
// length, with exactly the answers of searching the list texts.
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Env.h"

namespace vexa {

class AddressList;
class CategoryList;

// The two process-wide lists and their indexes. Empty until loaded: an empty
// address list excludes nothing.
class ExclusionLists {
 public:
  ExclusionLists();
  ~ExclusionLists();
  ExclusionLists(ExclusionLists&&) noexcept;
  ExclusionLists& operator=(ExclusionLists&&) noexcept;

  // The lists' texts as the loader leaves them (see AddressListText and
  // CategoryListText in ListLoader.h). An unchanged text keeps its index.
  void SetAddressList(std::string text);
  void SetCategoryList(std::string text);
  // The page the lists were upper-cased with, which the test uses for the
  // address; the indexes are rebuilt when it changes.
  void SetCodePage(const CodePage& page);

  const CodePage& code_page() const;
  const std::string& address_text() const;
  const std::string& category_text() const;
  // The splitter's error when the category list has a bad escape, else empty.
  const std::string& category_error() const;

  const AddressList& addresses() const { return *addresses_; }
  const CategoryList& categories() const { return *categories_; }

 private:
  std::unique_ptr<const AddressList> addresses_;
  std::unique_ptr<const CategoryList> categories_;
};

// Reloads both lists from <DIRECTORY>/config/exc_log.ctl and
// exc_logcats.ctl. A list changes only when its file was opened (without
// sharing) and read through to its end; a read error ends the call. The one
// reported failure is an unreadable DIRECTORY setting.
void RefreshExcludeFile(const Env& env, ExclusionLists& lists);

// The rule that decided a test.
enum class ExclusionRule {
  kNone,
  kHttpsAny,
  kAddress,
  kHost,
  kMailDomain,
  kHostSuffix,
  kAddressSuffix,
  kWildcard,
  kWildcardDot,
  kWildcardHttp,
  kWildcardHttps,
  kCategory,
};
// "none", "https-any", "address", "host", "mail-domain", "host-suffix",
// "address-suffix", "wildcard", "wildcard-dot", "wildcard-http",
// "wildcard-https", "category".
const char* RuleName(ExclusionRule rule);

struct ExclusionVerdict {
  int excluded = 0;
  ExclusionRule rule = ExclusionRule::kNone;
  std::string entry;  // the list entry that matched (empty for kNone)

  bool operator==(const ExclusionVerdict&) const = default;
};

// 1 when the record with this address and category is to be dropped, else 0.
// Callers pass a single blank, not an empty string, for a missing address or
// category. `why`, when given, receives the rule and the entry.
int IsExcluded(const ExclusionLists& lists, std::string_view url, std::string_view category,
               ExclusionVerdict* why = nullptr);

// vexaDB check [--explain] ADDRESS [CATEGORY] and vexaDB check [--explain] -
// (lines ADDRESS<TAB>CATEGORY on `in`). Prints RESULT<TAB>RULE[<TAB>ENTRY]
// per test; returns the exit code (0, or 2 for a usage or settings error).
int RunCheckCommand(const Env& env, const std::vector<std::string>& args, std::istream& in,
                    std::ostream& out, std::ostream& err);

// vexaDB lint-lists: reports what silently weakens the lists, with line
// numbers. Exit code 1 when anything is found, 2 when the lists cannot be
// read, else 0.
int RunLintCommand(const Env& env, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err);

}  // namespace vexa
