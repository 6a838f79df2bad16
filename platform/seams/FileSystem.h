#pragma once
// File-system seam. Paths are plain byte strings with '/' separators.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vexa {

struct FileInfo {
  bool is_directory = false;
  uint64_t size = 0;
  int64_t modified_seconds = 0;  // last-write time, seconds since the epoch
};

// A file opened for reading without sharing: while it is open no other
// process has it open. Closed by destruction.
class ExclusiveFile {
 public:
  virtual ~ExclusiveFile() = default;
  virtual bool Stat(FileInfo* info) = 0;
  // Reads up to `size` bytes; returns the count (0 at the end), -1 on error.
  virtual long Read(char* buffer, size_t size) = 0;
};

enum class MoveResult {
  kMoved,
  kTargetExists,  // never replaced
  kSourceMissing,
  kFailed,
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Calls `entry` for each entry of `directory` in listing order (not "." or
  // ".."); the callback returns false to stop. False when the directory
  // cannot be read.
  virtual bool ListDirectory(const std::string& directory,
                             const std::function<bool(std::string_view name, bool is_directory)>& entry) = 0;
  // Null when the file cannot be opened, or another process has it open.
  virtual std::unique_ptr<ExclusiveFile> OpenExclusive(const std::string& path) = 0;
  virtual bool Stat(const std::string& path, FileInfo* info) = 0;
  virtual MoveResult Move(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& path) = 0;
  virtual bool MakeDirectory(const std::string& path) = 0;
  // Creates `path` exclusively with `data`; false when it exists or fails.
  virtual bool WriteNewFile(const std::string& path, std::string_view data) = 0;
  // Creates an empty file `<directory>/<prefix up to 3 bytes><hex>.TMP`
  // exclusively and returns its path; empty on failure.
  virtual std::string CreateTempFile(const std::string& directory, std::string_view prefix) = 0;
};

}  // namespace vexa
