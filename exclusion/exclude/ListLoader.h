#pragma once
// Loading the exclusion lists from the install directory's config folder.
#include <optional>
#include <string>
#include <string_view>

#include "Exclusion.h"
#include "FileSystem.h"

namespace vexa {

// Reads a list file as raw bytes in chunks of 255; the bytes of a chunk from
// its first NUL on are dropped. Nothing on a read error.
std::optional<std::string> ReadListFile(ExclusiveFile& file);

// The texts the lists hold for a file's bytes: upper-cased by the code page;
// the address list always ends in CR LF.
std::string AddressListText(std::string bytes, const CodePage& page);
std::string CategoryListText(std::string bytes, const CodePage& page);

std::string AddressListPath(std::string_view directory);
std::string CategoryListPath(std::string_view directory);

// What a load did, for the commands that report it.
enum class ListLoad { kNotTried, kLoaded, kNotOpened, kReadFailed };
struct ExclusionLoad {
  bool directory_read = false;
  std::string directory;
  ListLoad address = ListLoad::kNotTried;
  ListLoad category = ListLoad::kNotTried;
};

// RefreshExcludeFile with its outcome.
ExclusionLoad LoadExclusionLists(const Env& env, ExclusionLists& lists);

// Reads DIRECTORY of the settings key; false (and `directory` empty) when it
// cannot be read.
bool ReadInstallDirectory(const Env& env, std::string& directory);

}  // namespace vexa
