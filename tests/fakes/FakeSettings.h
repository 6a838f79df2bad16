#pragma once
// In-memory registry: keys and names compare without regard to case.
#include <map>
#include <string>

#include "FaultPlan.h"
#include "Settings.h"

namespace vexa::fakes {

class FakeSettings : public Settings {
 public:
  SettingsStatus Read(std::string_view key, std::string_view name, RegValue* value) override;

  // A REG_SZ value (stored with its NUL), creating the key.
  void SetString(std::string_view key, std::string_view name, std::string_view text);
  void SetRaw(std::string_view key, std::string_view name, RegType type, std::string data);
  void AddKey(std::string_view key);
  void DeleteValue(std::string_view key, std::string_view name);
  void DeleteKey(std::string_view key);

  FaultPlan faults;  // kinds: "read"
  int reads = 0;

 private:
  static std::string Fold(std::string_view text);
  std::map<std::string, std::map<std::string, RegValue>> keys_;
};

}  // namespace vexa::fakes
