#pragma once
// Key paths below HKEY_LOCAL_MACHINE, how their names compare, and the file
// names that stand for them in the store.
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// "SOFTWARE\\A\\B" gives {"SOFTWARE", "A", "B"}; leading and trailing
// backslashes are dropped, "" gives no parts. False when a part is empty
// ("A\\\\B"), which the registry does not allow.
bool SplitKeyPath(std::string_view path, std::vector<std::string>* parts);

// Names compare without regard to ASCII case; the folded form is a name's
// identity.
std::string FoldCase(std::string_view name);
bool SameName(std::string_view a, std::string_view b);
// The order in which the registry lists subkeys: by their upper-cased names.
bool RegistryLess(std::string_view a, std::string_view b);

// The file name of a key: its folded name with '/', '%', control bytes,
// bytes from 0x80 up and a leading '.' written as %XX, so it is a plain
// ASCII name that never starts with a dot. Names that would pass 255 bytes
// are cut and end in '~' and a hash of the whole name.
std::string KeyFileName(std::string_view name);
std::string KeyNameFromFileName(std::string_view file_name);

}  // namespace vexa
