#include "StoreFiles.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>

namespace vexa {
namespace {

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
  const int rc = type == FTW_DP ? rmdir(path) : unlink(path);
  return rc == 0 || errno == ENOENT ? 0 : errno;
}

}  // namespace

int ReadWholeFile(const std::string& path, std::string* bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  bytes->clear();
  char buf[8192];
  int err = 0;
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    bytes->append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return err;
}

int ReplaceFile(const std::string& dir, const char* name, std::string_view bytes) {
  std::string temp = dir + "/.tmp-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int err = fchmod(fd, 0644) == 0 ? WriteAll(fd, bytes) : errno;
  if (err == 0 && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && rename(temp.c_str(), (dir + "/" + name).c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp.c_str());
    return err;
  }
  return SyncDirectory(dir);
}

int SyncDirectory(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int err = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return err;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NamesOpenFile(const std::string& path, int fd) {
  struct stat by_path, by_fd;
  return stat(path.c_str(), &by_path) == 0 && fstat(fd, &by_fd) == 0 &&
         by_path.st_dev == by_fd.st_dev && by_path.st_ino == by_fd.st_ino;
}

int RemoveTree(const std::string& path) {
  const int rc = nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  if (rc < 0) return errno == ENOENT ? 0 : errno;
  return rc;
}

std::string UniqueName(std::string_view prefix) {
  static std::atomic<unsigned> counter{0};
  std::string name(prefix);
  name += std::to_string(getpid());
  name += '-';
  name += std::to_string(counter++);
  // The time keeps a name unique beside leftovers of an earlier process
  // that had the same id.
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  name += '-';
  name += std::to_string(now.tv_sec * 1000000000LL + now.tv_nsec);
  return name;
}

}  // namespace vexa
