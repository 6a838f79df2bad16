#pragma once
// The file operations the settings store is built from. Each returns 0 or
// the errno of the call that failed.
#include <string>
#include <string_view>

namespace vexa {

int ReadWholeFile(const std::string& path, std::string* bytes);
// Writes a temporary file in `dir`, syncs it, renames it to dir/name and
// syncs `dir`: a reader sees the old file or the new one, never a part.
int ReplaceFile(const std::string& dir, const char* name, std::string_view bytes);
int SyncDirectory(const std::string& dir);
bool IsDirectory(const std::string& path);
// Whether `path` still names the file open on `fd`.
bool NamesOpenFile(const std::string& path, int fd);
// Deletes a directory tree; missing entries are no failure.
int RemoveTree(const std::string& path);
// A name that no other process or call picks: prefix, process id,
// counter, time.
std::string UniqueName(std::string_view prefix);

}  // namespace vexa
