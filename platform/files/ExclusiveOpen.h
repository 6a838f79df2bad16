#pragma once
// Opening a file for reading without sharing (see PosixFileSystem.h).
#include <memory>
#include <string>

#include "FileSystem.h"

namespace vexa::posix {

// Null when the file cannot be opened, is not a regular file, or another
// process has it open.
std::unique_ptr<ExclusiveFile> OpenExclusiveFile(const std::string& path);

}  // namespace vexa::posix
