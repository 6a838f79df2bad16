// Arbitrary lists, addresses and categories through the indexed exclusion
// test and the reference; any difference in answer, rule or entry aborts.
//
// Input: the first byte picks the code page; the rest splits at 0xFF bytes
// into the address file, the category file, then address and category pairs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ListsFromFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexa;
  if (size == 0) return 0;
  static const CodePage kPages[] = {CodePage(1252), CodePage(932), CodePage(65001), CodePage(936)};
  const CodePage& page = kPages[data[0] % 4];
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  parts.resize(std::max<size_t>(parts.size(), 4));
  const ExclusionLists lists = testing::ListsFromFiles(parts[0], parts[1], page);
  for (size_t i = 2; i + 1 < parts.size(); i += 2) {
    const ExclusionVerdict fast = testing::Fast(lists, parts[i], parts[i + 1]);
    const ExclusionVerdict slow = testing::Slow(lists, parts[i], parts[i + 1]);
    if (!(fast == slow)) {
      std::fprintf(stderr, "index %d %s [%s], reference %d %s [%s]\n", fast.excluded,
                   RuleName(fast.rule), testing::Shown(fast.entry).c_str(), slow.excluded,
                   RuleName(slow.rule), testing::Shown(slow.entry).c_str());
      std::abort();
    }
  }
  return 0;
}
