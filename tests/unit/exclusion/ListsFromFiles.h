#pragma once
// Exclusion lists built from file bytes the way the loader builds them, and
// the test run both ways (index and reference) for comparison.
#include <ostream>
#include <string>

#include "Exclusion.h"
#include "FakeFileSystem.h"
#include "ListLoader.h"
#include "ReferenceExclusion.h"

namespace vexa::testing {

// The bytes the loader keeps of a file's bytes.
inline std::string AsLoaded(std::string bytes) {
  fakes::FakeFileSystem files;
  files.AddFile("/list", std::move(bytes));
  return *ReadListFile(*files.OpenExclusive("/list"));
}

inline ExclusionLists ListsFromFiles(const std::string& address_file,
                                     const std::string& category_file,
                                     const CodePage& page = CodePage()) {
  ExclusionLists lists;
  lists.SetCodePage(page);
  lists.SetAddressList(AddressListText(AsLoaded(address_file), page));
  lists.SetCategoryList(CategoryListText(AsLoaded(category_file), page));
  return lists;
}

inline ExclusionVerdict Fast(const ExclusionLists& lists, const std::string& url,
                             const std::string& category) {
  ExclusionVerdict verdict;
  verdict.excluded = IsExcluded(lists, url, category, &verdict);
  return verdict;
}

inline ExclusionVerdict Slow(const ExclusionLists& lists, const std::string& url,
                             const std::string& category) {
  ExclusionVerdict verdict;
  verdict.excluded = reference::IsExcluded(lists.address_text(), lists.category_text(),
                                           lists.code_page(), url, category, &verdict);
  return verdict;
}

// Bytes shown with escapes, for failure messages.
inline std::string Shown(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace vexa::testing

namespace vexa {
inline void PrintTo(const ExclusionVerdict& v, std::ostream* os) {
  *os << v.excluded << ' ' << RuleName(v.rule) << " [" << testing::Shown(v.entry) << ']';
}
}  // namespace vexa
