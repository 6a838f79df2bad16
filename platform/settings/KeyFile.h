#pragma once
// The file that holds one key of the store: the key's name as it was
// created, and its values in the order they were created, each with its
// type, raw bytes and a checksum.
#include <string>
#include <string_view>
#include <vector>

#include "NamedValue.h"

namespace vexa {

struct KeyFile {
  std::string name;
  std::vector<NamedValue> values;

  // The value of that name (compared without regard to case), or null.
  NamedValue* Find(std::string_view value_name);
  const NamedValue* Find(std::string_view value_name) const;
};

std::string EncodeKeyFile(const KeyFile& key);

// Decodes what is intact into `key`. False when anything is damaged: after
// a bad header `key` stays empty; a value record with a wrong checksum is
// left out, and so is everything after a record whose lengths run past the
// end of the file.
bool DecodeKeyFile(std::string_view bytes, KeyFile* key);

}  // namespace vexa
