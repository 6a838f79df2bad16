// The indexed test against the reference on many generated lists and
// addresses: answer, rule and entry must be the same in every case.
#include <gtest/gtest.h>

#include "ExclusionGenerator.h"
#include "ListsFromFiles.h"

namespace vexa {
namespace {

using testing::ExclusionGenerator;
using testing::Shown;

TEST(DifferentialTest, IndexAnswersAsTheReference) {
  constexpr int kLists = 3000;
  constexpr int kAddressesPerList = 40;
  ExclusionGenerator generate(20261211);
  const CodePage pages[] = {CodePage(1252), CodePage(932), CodePage(65001)};
  int cases = 0;
  int excluded = 0;
  int failures = 0;
  for (int i = 0; i < kLists && failures < 5; ++i) {
    const CodePage& page = pages[i % 5 == 0 ? 1 : i % 5 == 1 ? 2 : 0];
    const std::string address_file = generate.AddressFile();
    const std::string category_file = generate.CategoryFile();
    const ExclusionLists lists = testing::ListsFromFiles(address_file, category_file, page);
    for (int j = 0; j < kAddressesPerList; ++j) {
      const std::string url = generate.Address();
      const std::string category = generate.Category();
      const ExclusionVerdict fast = testing::Fast(lists, url, category);
      const ExclusionVerdict slow = testing::Slow(lists, url, category);
      ++cases;
      excluded += slow.excluded;
      if (fast == slow) continue;
      ++failures;
      ADD_FAILURE() << "page " << page.id() << "\nlist: " << Shown(lists.address_text())
                    << "\ncategories: " << Shown(lists.category_text()) << "\naddress: "
                    << Shown(url) << "\ncategory: " << Shown(category)
                    << "\nindex: " << ::testing::PrintToString(fast)
                    << "\nreference: " << ::testing::PrintToString(slow);
    }
  }
  EXPECT_GE(cases, 100000);
  // The pools are meant to make both answers common.
  EXPECT_GT(excluded, cases / 10);
  EXPECT_LT(excluded, cases - cases / 10);
}

}  // namespace
}  // namespace vexa
