#pragma once
// Registry keys and values the daemon reads (all below HKEY_LOCAL_MACHINE).

namespace vexa::keys {

inline constexpr const char* kSnp = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";
inline constexpr const char* kSecur = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Secur";
inline constexpr const char* kConfig = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Command\\Config";
inline constexpr const char* kCodePage = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";

}  // namespace vexa::keys
