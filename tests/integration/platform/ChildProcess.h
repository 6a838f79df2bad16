#pragma once
// Helpers that run a piece of a test in a forked child process.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace vexa::testing {

// Runs `body` in a child and returns its exit status (-1 when it did not
// exit normally).
inline int RunInChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Another process that keeps `path` open with `flags` (and, with `lock`,
// under an exclusive flock) until it is released.
class Holder {
 public:
  Holder(const std::string& path, int flags, bool lock = false) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(path.c_str(), flags);
      const char held = fd >= 0 && (!lock || ::flock(fd, LOCK_EX) == 0);
      if (::write(ready[1], &held, 1) != 1) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char held = 0;
    holding_ = pid_ > 0 && ::read(ready[0], &held, 1) == 1 && held;
    ::close(ready[0]);
  }
  ~Holder() { Release(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  bool holding() const { return holding_; }
  void Release() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    holding_ = false;
  }

 private:
  pid_t pid_ = -1;
  bool holding_ = false;
};

}  // namespace vexa::testing
