#include "RegAccess.h"

#include <cstring>

namespace vexa {

int CRegAccess::ReadValue(std::string name, std::string& value) {
  value.clear();
  RegValue raw;
  switch (settings_.Read(m_strKey, name, &raw)) {
    case SettingsStatus::kKeyMissing:
      return kKeyFailed;
    case SettingsStatus::kValueUnreadable:
      return kValueFailed;
    case SettingsStatus::kOk:
      break;
  }
  if (raw.data.size() > kBufferSize) return kValueFailed;
  const size_t nul = raw.data.find('\0');
  value = raw.data.substr(0, nul);
  return kOk;
}

}  // namespace vexa
