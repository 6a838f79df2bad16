#pragma once
// Files of the extractor on Linux: inputs and outputs opened without
// sharing, outputs that never follow a link, and mapped inputs.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Output.h"

namespace vexa::extract {

// Takes `fd` for this process alone: a write lease (granted only while no
// other process has the file open; its break is not signalled), else an
// exclusive flock. False when another process has the file.
bool TakeExclusive(int fd);

class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();
  // A regular file, opened for reading without sharing.
  bool Open(const std::string& path);
  void Close();
  // Fills `buffer` as far as the file goes; the count, 0 at the end, -1 on
  // an error.
  long Read(char* buffer, size_t size);
  uint64_t size() const { return size_; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

// A read-only private mapping of a whole file.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();
  bool Map(int fd, uint64_t size);
  std::string_view data() const { return {static_cast<const char*>(base_), size_}; }

 private:
  void* base_ = nullptr;
  size_t size_ = 0;
};

// Runs fn(arg) and returns true; false when a bus error in `area` (the
// mapped file was cut short under it) stopped it. `fn` may hold only
// trivially destructible objects.
bool RunGuarded(std::string_view area, void (*fn)(void*), void* arg);

// Output files in the file system, written through a large buffer.
class PosixOutputFiles : public OutputFiles {
 public:
  bool Exists(const std::string& path) override;
  std::unique_ptr<OutputFile> Create(const std::string& path) override;
};

}  // namespace vexa::extract
