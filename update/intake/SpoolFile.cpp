#include "SpoolFile.h"

#include <strings.h>

#include "TextLine.h"

namespace vexa {

std::vector<std::string> ListSpoolFiles(FileSystem& files, const std::string& directory) {
  std::vector<std::string> names;
  files.ListDirectory(directory, [&](std::string_view name, bool is_directory) {
    if (!is_directory && name.size() >= 4 && strncasecmp(name.data() + name.size() - 4, ".lok", 4) == 0) {
      names.emplace_back(name);
    }
    return true;
  });
  return names;
}

uint64_t HashSpoolLine(std::string_view line) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : line) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

SpoolFile ReadSpoolFile(const Env& env, const std::string& directory, const std::string& name) {
  SpoolFile spool;
  spool.identity.name = name;
  const std::string path = directory + "/" + name;
  std::unique_ptr<ExclusiveFile> file;
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    file = env.files->OpenExclusive(path);
    if (file || attempt == kOpenAttempts || env.StopRequested()) break;
    env.clock->SleepMs(kOpenRetryMs);
  }
  if (!file) return spool;  // kLocked

  FileInfo info;
  if (!file->Stat(&info)) return spool;  // an unreadable size counts like a failed open
  spool.identity.size = info.size;
  spool.identity.modified_seconds = info.modified_seconds;
  if (info.size < kMinimumSpoolSize) {
    spool.state = SpoolFile::State::kTooShort;
    return spool;
  }
  switch (ReadFirstTextLine(*file, &spool.line)) {
    case TextLineResult::kLine:
      spool.state = SpoolFile::State::kRead;
      spool.identity.line_hash = HashSpoolLine(spool.line);
      break;
    case TextLineResult::kNoText:
      spool.state = SpoolFile::State::kNoText;
      break;
    case TextLineResult::kReadError:
      spool.state = SpoolFile::State::kReadError;
      break;
  }
  return spool;
}

}  // namespace vexa
