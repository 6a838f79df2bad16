#pragma once
// Fault injection for the fakes: make the Nth operation of a kind fail,
// once or from then on, so a test can walk a failure through every step.
#include <map>
#include <string>

namespace vexa::fakes {

class FaultPlan {
 public:
  // The `nth` (1-based, counted from now) operation of `kind` fails; with
  // `persistent` every later one fails as well.
  void FailNth(const std::string& kind, int nth, bool persistent = false) {
    rules_[kind] = Rule{counts_[kind] + nth, persistent};
  }
  void Clear() { rules_.clear(); }
  // Counts one operation of `kind`; true when it is to fail.
  bool ShouldFail(const std::string& kind) {
    const int n = ++counts_[kind];
    auto it = rules_.find(kind);
    if (it == rules_.end()) return false;
    if (n == it->second.at) return true;
    return it->second.persistent && n > it->second.at;
  }
  int Count(const std::string& kind) const {
    auto it = counts_.find(kind);
    return it == counts_.end() ? 0 : it->second;
  }

 private:
  struct Rule {
    int at;
    bool persistent;
  };
  std::map<std::string, Rule> rules_;
  std::map<std::string, int> counts_;
};

}  // namespace vexa::fakes
