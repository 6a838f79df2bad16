#pragma once
// Settings seam: the registry's place on Linux. Keys are paths below
// HKEY_LOCAL_MACHINE as Windows writes them ("SOFTWARE\\Dovra Software, Inc.\\...");
// keys and value names compare without regard to case.
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa {

enum class RegType : uint32_t {
  kNone = 0,
  kSz = 1,
  kExpandSz = 2,
  kBinary = 3,
  kDword = 4,
  kMultiSz = 7,
  kQword = 11,
};

// A value as stored: its type and its raw bytes (strings keep their NUL).
struct RegValue {
  RegType type = RegType::kNone;
  std::string data;
};

enum class SettingsStatus {
  kOk,
  kKeyMissing,       // the key cannot be opened
  kValueUnreadable,  // the key opened, the value is missing or damaged
};

class Settings {
 public:
  virtual ~Settings() = default;
  virtual SettingsStatus Read(std::string_view key, std::string_view name, RegValue* value) = 0;
};

}  // namespace vexa
