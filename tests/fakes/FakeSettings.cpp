#include "FakeSettings.h"

#include <cctype>

namespace vexa::fakes {

std::string FakeSettings::Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (!out.empty() && out.front() == '\\') out.erase(out.begin());
  return out;
}

SettingsStatus FakeSettings::Read(std::string_view key, std::string_view name, RegValue* value) {
  ++reads;
  if (faults.ShouldFail("read")) return SettingsStatus::kValueUnreadable;
  auto k = keys_.find(Fold(key));
  if (k == keys_.end()) return SettingsStatus::kKeyMissing;
  auto v = k->second.find(Fold(name));
  if (v == k->second.end()) return SettingsStatus::kValueUnreadable;
  *value = v->second;
  return SettingsStatus::kOk;
}

void FakeSettings::SetString(std::string_view key, std::string_view name, std::string_view text) {
  std::string data(text);
  data += '\0';
  SetRaw(key, name, RegType::kSz, std::move(data));
}

void FakeSettings::SetRaw(std::string_view key, std::string_view name, RegType type, std::string data) {
  keys_[Fold(key)][Fold(name)] = RegValue{type, std::move(data)};
}

void FakeSettings::AddKey(std::string_view key) { keys_[Fold(key)]; }

void FakeSettings::DeleteValue(std::string_view key, std::string_view name) {
  auto k = keys_.find(Fold(key));
  if (k != keys_.end()) k->second.erase(Fold(name));
}

void FakeSettings::DeleteKey(std::string_view key) { keys_.erase(Fold(key)); }

}  // namespace vexa::fakes
