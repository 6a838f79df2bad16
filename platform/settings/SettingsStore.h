#pragma once
// The settings store: the registry's place on Linux, one directory tree
// under a root directory. Each key is a directory, named by KeyFileName of
// its name, holding
//   .values  the KeyFile: the key's name as created and its values
//   .lock    locked with flock by every change of the key
// and one directory per subkey. A change reads .values, writes the new
// content to a temporary file, syncs it and renames it over .values, all
// under the key's lock; readers take no lock and see a whole file.
#include <string>
#include <string_view>
#include <vector>

#include "NamedValue.h"
#include "Settings.h"

namespace vexa {

struct StoreResult {
  enum Code { kOk, kNotFound, kInvalid, kDamaged, kIoError };
  Code code = kOk;
  std::string message;  // what failed, naming the file or key
  bool ok() const { return code == kOk; }
};

struct KeyListing {
  std::string path;                  // as created: "SOFTWARE\\Dovra Software, Inc."
  std::vector<NamedValue> values;    // in the order they were created
  std::vector<std::string> subkeys;  // names as created, in registry order
};

class SettingsStore : public Settings {
 public:
  explicit SettingsStore(std::string root);
  const std::string& root() const { return root_; }

  // kKeyMissing when the key does not exist or may not be read;
  // kValueUnreadable when the value is missing or damaged.
  SettingsStatus Read(std::string_view key, std::string_view name, RegValue* value) override;

  bool KeyExists(std::string_view key) const;
  // Creates the key and its missing parents; an existing key stays as it is.
  StoreResult CreateKey(std::string_view key);
  // Sets the values in one change of the key, creating it when needed. A
  // value that exists keeps the spelling of its name and its place.
  StoreResult SetValues(std::string_view key, const std::vector<NamedValue>& values);
  StoreResult DeleteValue(std::string_view key, std::string_view name);
  // Deletes the key with all its subkeys.
  StoreResult DeleteKey(std::string_view key);
  // The key's values and subkeys. kDamaged still lists what is intact.
  StoreResult List(std::string_view key, KeyListing* listing) const;

 private:
  struct KeyDir;
  StoreResult Resolve(std::string_view key, KeyDir* dir) const;
  StoreResult MakeKey(const KeyDir& dir);
  template <class Edit>
  StoreResult Change(std::string_view key, bool create, Edit edit);

  std::string root_;
};

}  // namespace vexa
