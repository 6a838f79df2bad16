#include "Container.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa::extract {
namespace {

struct Seen {
  std::string name;
  std::string content;
  bool complete;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> Parse(const std::string& data) {
  std::vector<Seen> out;
  ContainerParser parser(data);
  while (auto m = parser.Next()) out.push_back({std::string(m->name), std::string(m->content), m->complete});
  return out;
}

const std::string M(kRecordMarker);
const std::string E(kEndMarker);

TEST(ExtractContainerParser, Members) {
  const struct {
    const char* what;
    std::string data;
    std::vector<Seen> members;
  } cases[] = {
      {"named and unnamed", "junk" + M + "a.txt" + M + "AAA" + M + M + "BB" + M + E + M,
       {{"a.txt", "AAA", true}, {"", "BB", true}}},
      {"name ends at a zero byte", M + std::string("n\0rest", 6) + M + "x" + M + E + M, {{"n", "x", true}}},
      {"no end marker", M + "a" + M + "A" + M, {{"a", "A", true}}},
      {"last member cut off", M + "a" + M + "A" + M + "b" + M + "BB", {{"a", "A", true}, {"b", "BB", false}}},
      {"name field cut off", M + "a" + M + "A" + M + "b", {{"a", "A", true}}},
      {"end marker cut off", M + "a" + M + "A" + M + E, {{"a", "A", true}}},
      {"signature only", M.substr(0, 9) + "xyz", {}},
      {"empty", "", {}},
      {"empty content", M + "e" + M + M + E + M, {{"e", "", true}}},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.data), c.members) << c.what;
}

}  // namespace
}  // namespace vexa::extract
