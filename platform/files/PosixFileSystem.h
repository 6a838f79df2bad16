#pragma once
// The file-system seam on Linux.
//
// Exclusive opening takes the kernel's write lease, which is granted only
// while no other process has the file open; where a file system or the
// file's ownership refuses leases, an exclusive flock stands in for it.
// While the lease is held another process's open of the file waits (or
// fails with EWOULDBLOCK when non-blocking) until the file is closed here.
#include "FileSystem.h"

namespace vexa {

class PosixFileSystem : public FileSystem {
 public:
  struct Options {
    // Moves copy the file even within one file system (tests of the
    // cross-file-system path).
    bool copy_moves = false;
  };

  PosixFileSystem() : PosixFileSystem(Options{}) {}
  explicit PosixFileSystem(Options options);

  bool ListDirectory(
      const std::string& directory,
      const std::function<bool(std::string_view name, bool is_directory)>& entry) override;
  std::unique_ptr<ExclusiveFile> OpenExclusive(const std::string& path) override;
  bool Stat(const std::string& path, FileInfo* info) override;
  // rename without replacing; across file systems an exclusive copy, then the
  // source is unlinked.
  MoveResult Move(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  // True when the directory exists afterwards.
  bool MakeDirectory(const std::string& path) override;
  bool WriteNewFile(const std::string& path, std::string_view data) override;
  std::string CreateTempFile(const std::string& directory, std::string_view prefix) override;

 private:
  Options options_;
};

}  // namespace vexa
