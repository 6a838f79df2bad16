#pragma once
// The single-instance guard: an exclusive flock on a lock file in the
// runtime directory. The kernel releases it when the process ends, however
// it ends.
#include <string>

namespace vexa {

// $VEXA_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else /run/vexa.
std::string RuntimeDirectory();

class InstanceLock {
 public:
  // Creates the directory when needed and tries the lock without waiting.
  InstanceLock(const std::string& directory, const std::string& name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another process holds the lock, or it could not be taken.
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vexa
