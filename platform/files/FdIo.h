#pragma once
// Small helpers over raw descriptors shared by the POSIX file system.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <string_view>

#include "FileSystem.h"

namespace vexa::posix {

// Owns one descriptor and closes it on destruction.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

FileInfo ToFileInfo(const struct stat& st);
// Writes all of `data`, retrying short writes and interruptions.
bool WriteAll(int fd, std::string_view data);
// read(2) that retries when interrupted by a signal.
long ReadSome(int fd, char* buffer, size_t size);
// Flushes the directory that holds `path`, so a new name in it survives a crash.
void SyncParentDirectory(std::string_view path);

}  // namespace vexa::posix
