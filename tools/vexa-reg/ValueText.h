#pragma once
// How vexa-reg shows values and reads them from the command line, in the
// manner of Windows reg. The terminal speaks UTF-8; the store holds ANSI.
#include <optional>
#include <string>
#include <string_view>

#include "Settings.h"

namespace vexa {

// "REG_SZ", "REG_DWORD", ...; a number the registry does not name shows as
// "REG_0x<hex>".
std::string TypeName(RegType type);
std::optional<RegType> TypeFromName(std::string_view name);

// The data as reg query shows it: text up to the first NUL, the strings of
// a multi-string joined by "\0", numbers as 0x<hex>, other data as hex
// bytes.
std::string ShowData(const RegValue& value);

// The value of /d for that type; nullopt when the text does not fit it.
// REG_MULTI_SZ strings are separated by `separator`.
std::optional<std::string> DataFromText(RegType type, std::string_view text,
                                        std::string_view separator);

}  // namespace vexa
