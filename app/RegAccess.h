#pragma once
// Reads one string value at a time from a key below HKEY_LOCAL_MACHINE.
// Each read opens and closes the key; the object keeps nothing open.
#include <string>

#include "Settings.h"

namespace vexa {

class CRegAccess {
 public:
  static constexpr int kOk = 0;
  static constexpr int kValueFailed = 13;
  static constexpr int kKeyFailed = 31;
  // A value whose bytes (with their terminating NUL) need more than this fails.
  static constexpr size_t kBufferSize = 1024;

  explicit CRegAccess(Settings& settings) : settings_(settings) {}

  int SetKey(std::string key) {
    m_strKey = std::move(key);
    return 0;
  }
  // 0: read; 31: the key cannot be opened; 13: the value cannot be read.
  // `value` is empty after a failure. The type is not looked at: the raw
  // bytes up to the first NUL are the text.
  int ReadValue(std::string name, std::string& value);

 private:
  Settings& settings_;
  std::string m_strKey;
};

}  // namespace vexa
