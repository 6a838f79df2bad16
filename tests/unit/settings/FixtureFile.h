#pragma once
// The bytes of a file under tests/fixtures/settings.
#include <fstream>
#include <iterator>
#include <string>

namespace vexa::testing {

inline std::string SettingsFixture(const std::string& name) {
  std::ifstream in(std::string(VEXA_SETTINGS_FIXTURES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vexa::testing
