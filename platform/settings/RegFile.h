#pragma once
// Registry files (.reg) as regedit reads and writes them, in both dialects:
// "REGEDIT4" (ANSI, Windows-1252) and "Windows Registry Editor Version 5.00"
// (UTF-16LE with a byte-order mark). Lines end in CR LF.
//
// The store holds text as the ANSI bytes the A-functions of the registry
// see: a REG_SZ value is its Windows-1252 bytes with a terminating NUL. In
// the version 5 dialect the data of hex(1), hex(2) and hex(7) values is
// UTF-16LE in the file and is converted both ways; in REGEDIT4 it is ANSI.
#include <string>
#include <string_view>
#include <vector>

#include "NamedValue.h"

namespace vexa {

enum class RegDialect { kRegedit4, kRegedit5 };

struct RegFileOp {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind;
  std::string key;   // below HKEY_LOCAL_MACHINE, in ANSI
  NamedValue value;  // the name alone for kDeleteValue
  int line;          // where the statement starts, from 1
};

struct RegFileError {
  int line = 0;
  std::string message;
};

// Parses a whole file; the dialect comes from its first line, the encoding
// from its byte-order mark. Keys may name HKEY_LOCAL_MACHINE or HKLM only.
// On failure `error` says where and what, and `ops` must not be applied.
bool ParseRegFile(std::string_view bytes, std::vector<RegFileOp>* ops, RegFileError* error);

struct RegFileKey {
  std::string path;  // below HKEY_LOCAL_MACHINE, in ANSI
  std::vector<NamedValue> values;
};

// The file regedit writes for these keys, in this order.
std::string WriteRegFile(const std::vector<RegFileKey>& keys, RegDialect dialect);

}  // namespace vexa
