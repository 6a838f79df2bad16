#include "ShareDirs.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vexa::testing {
namespace fs = std::filesystem;

Scratch::Scratch(const std::string& base) {
  std::string pattern =
      (base.empty() ? fs::temp_directory_path() : fs::path(base)) / "vexa-content-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

Scratch::~Scratch() {
  if (path_.empty()) return;
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored)) SetImmutable(it->path().string(), false);
  }
  fs::remove_all(path_, ignored);
}

PrivateTmpfs::PrivateTmpfs(const std::string& directory, long size_bytes) : directory_(directory) {
  // Once per process: a mount namespace of its own, with nothing shared back.
  static const bool isolated = ::unshare(CLONE_NEWNS) == 0 &&
                               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  if (!isolated) return;
  const std::string options = "size=" + std::to_string(size_bytes);
  mounted_ = ::mount("vexa-content", directory.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

PrivateTmpfs::~PrivateTmpfs() {
  if (mounted_) ::umount2(directory_.c_str(), MNT_DETACH);
}

bool SetImmutable(const std::string& directory, bool on) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done && ((flags & FS_IMMUTABLE_FL) != 0) != on) {
    flags ^= FS_IMMUTABLE_FL;
    done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return done;
}

bool SameFileSystem(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace vexa::testing
