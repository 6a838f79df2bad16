#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vexa {

std::string RuntimeDirectory() {
  for (const char* name : {"VEXA_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "/run/vexa";
}

InstanceLock::InstanceLock(const std::string& directory, const std::string& name) {
  mkdir(directory.c_str(), 0755);
  const std::string path = directory + "/" + name;
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace vexa
