#include "FakeDirectory.h"

#include <strings.h>

namespace vexa::directory::testing {
namespace {

const std::vector<std::string>* FindAttribute(const Row& row, std::string_view name) {
  for (const auto& [key, values] : row) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
      return &values;
    }
  }
  return nullptr;
}

class FakeSearch : public Search {
 public:
  FakeSearch(FakeState& state, const ScriptedSearch& script) : state_(state), script_(script) {}

  HResult GetNextRow() override {
    const int i = next_++;
    current_ = nullptr;
    last_error_ = 0;
    if (i == script_.fail_at_step) return script_.fail_status;
    if (i >= static_cast<int>(script_.steps.size())) return kNoMoreRows;
    if (script_.steps[i].page_break) {
      last_error_ = kErrorMoreData;
      return kNoMoreRows;
    }
    current_ = &script_.steps[i].row;
    return kOk;
  }
  HResult GetColumn(std::string_view attribute, std::vector<std::string>* values) override {
    values->clear();
    const auto* found = current_ != nullptr ? FindAttribute(*current_, attribute) : nullptr;
    if (found == nullptr) return kColumnNotSet;
    *values = *found;
    return kOk;
  }
  std::string RowDn() const override {
    const auto* dn = current_ != nullptr ? FindAttribute(*current_, "distinguishedName") : nullptr;
    return dn != nullptr && !dn->empty() ? dn->front() : "";
  }
  uint32_t LastError() const override { return last_error_; }
  void Abandon() override { state_.abandoned = true; }

 private:
  FakeState& state_;
  const ScriptedSearch& script_;
  const Row* current_ = nullptr;
  int next_ = 0;
  uint32_t last_error_ = 0;
};

class FakeSearcher : public Searcher {
 public:
  explicit FakeSearcher(FakeState& state) : state_(state) {}

  void SetPageSize(int rows) override { state_.page_size = rows; }
  HResult ExecuteSearch(std::string_view filter, const std::vector<std::string>& attributes,
                        std::unique_ptr<Search>* search) override {
    state_.executed.emplace_back(filter);
    state_.executed_attributes.push_back(attributes);
    static const ScriptedSearch kEmpty;
    auto it = state_.searches.find(std::string(filter));
    const ScriptedSearch& script = it != state_.searches.end() ? it->second : kEmpty;
    if (script.execute_status != kOk) return script.execute_status;
    *search = std::make_unique<FakeSearch>(state_, script);
    return kOk;
  }
  void LookupUsers(std::string_view group_dn, const std::vector<std::string>& member_dns,
                   const std::vector<std::string>& attributes,
                   std::vector<MemberRow>* rows) override {
    ++state_.lookup_calls;
    state_.lookup_group = group_dn;
    rows->clear();
    for (const std::string& dn : member_dns) {
      MemberRow row;
      auto it = state_.users.find(dn);
      if (it != state_.users.end()) {
        row.found = true;
        for (const std::string& a : attributes) {
          const auto* values = FindAttribute(it->second, a);
          row.values.push_back(values != nullptr ? *values : std::vector<std::string>{});
        }
      }
      rows->push_back(std::move(row));
    }
  }

 private:
  FakeState& state_;
};

}  // namespace

uint32_t FakeDirectory::LocateDomain(std::string* domain) {
  ++state.locate_calls;
  if (state.locate_status != 0) return state.locate_status;
  *domain = state.domain;
  return 0;
}

HResult FakeDirectory::Bind(std::string_view path, std::unique_ptr<Searcher>* searcher) {
  state.bound_paths.emplace_back(path);
  auto it = state.bind_status.find(std::string(path));
  if (it != state.bind_status.end() && it->second != kOk) return it->second;
  *searcher = std::make_unique<FakeSearcher>(state);
  return kOk;
}

}  // namespace vexa::directory::testing
