#pragma once
// The names around a content file: its companion, its extension, the cache
// share, and the unique name taken from a UUID. Paths use '/'; every cut at
// a "." stays within the last path component.
#include <string>
#include <string_view>

#include "ContentFile.h"

namespace vexa {

// The local content file: <install_dir>/Cache/<name>.
std::string ContentPath(const ContentSettings& settings, std::string_view name);

// True when `name` names a file inside the Cache folder itself: no '/', no
// NUL, not "." or "..".
bool IsPlainFileName(std::string_view name);

// The last path component of `path`.
std::string_view FileName(std::string_view path);

// `path` without the last "." of its file name and what follows (the whole
// path when the file name has no ".").
std::string_view WithoutExtension(std::string_view path);

// From the last "." of `name` to its end; the whole name when it has none.
std::string_view Extension(std::string_view name);

// The companion of a content file: WithoutExtension(path) + ".tmp".
std::string CompanionPath(std::string_view path);

// \\<server>\Cache<db without 6 bytes><table without 7 bytes>.
std::string CacheShareUnc(const ContentSettings& settings);

// A UNC path \\server\share\... as mounted: <share_root>/server/share/...
std::string MapUncPath(std::string_view share_root, std::string_view unc);

// The mounted cache share directory.
std::string CacheShareDirectory(const ContentSettings& settings);

// 16 hex digits from the 36-character UUID text: positions 0-7, 9-12, 35,
// 15-17. Empty when the text is not 36 characters long.
std::string UniqueContentName(std::string_view uuid_text);

}  // namespace vexa
