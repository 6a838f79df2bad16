#pragma once
// Status values of the directory queries: Win32 error codes, HRESULTs in the
// form the Windows directory interfaces give them, and the mapping of LDAP
// result codes onto them.
#include <cstdint>

namespace vexa::directory {

using HResult = int32_t;

constexpr HResult kOk = 0;
// Not an error: the end of the rows, or a unit or group that does not exist.
constexpr HResult kNoMoreRows = 0x00005012;
constexpr HResult kColumnNotSet = static_cast<HResult>(0x80005010);
constexpr HResult kInvalidPointer = static_cast<HResult>(0x80004003);
constexpr HResult kUnexpected = static_cast<HResult>(0x8000FFFF);

constexpr uint32_t kErrorMoreData = 234;
constexpr uint32_t kErrorNoSuchDomain = 1355;
constexpr uint32_t kErrorNotEnoughMemory = 8;

constexpr HResult HResultFromWin32(uint32_t error) {
  return error == 0 ? 0 : static_cast<HResult>((error & 0xFFFF) | 0x80070000u);
}

// The Win32 error that an LDAP result code (OpenLDAP's numbering, client
// codes negative) stands for, as the Windows LDAP client maps it.
uint32_t Win32FromLdapResult(int ldap_result);

inline HResult HResultFromLdapResult(int ldap_result) {
  return HResultFromWin32(Win32FromLdapResult(ldap_result));
}

}  // namespace vexa::directory
