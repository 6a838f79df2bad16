#pragma once
// A scripted directory for the query tests: searches answer from a table of
// rows per filter, member lookups from a table of objects by DN, and any
// step can be made to fail.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Directory.h"

namespace vexa::directory::testing {

// One row: attribute name (as the directory spells it) to values.
using Row = std::map<std::string, std::vector<std::string>>;

// A row, or a page boundary with "more data" when `page_break` is set.
struct Step {
  Row row;
  bool page_break = false;
};

struct ScriptedSearch {
  std::vector<Step> steps;
  HResult execute_status = kOk;    // returned by ExecuteSearch
  int fail_at_step = -1;           // GetNextRow fails at this step index
  HResult fail_status = static_cast<HResult>(0x8007203A);
};

struct FakeState {
  uint32_t locate_status = 0;
  std::string domain = "example.lan";
  int locate_calls = 0;
  std::map<std::string, HResult> bind_status;  // by path
  std::vector<std::string> bound_paths;
  std::map<std::string, ScriptedSearch> searches;  // by filter
  std::vector<std::string> executed;               // filters, in order
  std::vector<std::vector<std::string>> executed_attributes;
  std::map<std::string, Row> users;  // user objects by DN
  int page_size = 0;
  int lookup_calls = 0;
  std::string lookup_group;
  bool abandoned = false;
};

class FakeDirectory : public Directory {
 public:
  FakeState state;
  uint32_t LocateDomain(std::string* domain) override;
  HResult Bind(std::string_view path, std::unique_ptr<Searcher>* searcher) override;
};

}  // namespace vexa::directory::testing
