#pragma once
// The daemon's state, kept in its runtime directory for `vexaDB status`.
#include <string>

#include "SpoolIntake.h"

namespace vexa {

std::string StatusFilePath(const std::string& runtime_directory);
std::string FormatStatus(const DaemonStatus& status, long pid);
// Replaces the file atomically (temporary file, rename).
bool WriteStatusFile(const std::string& path, const std::string& text);

}  // namespace vexa
