#include "PosixProcessLauncher.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace vexa {
namespace {

// Waits for one child on a thread of its own. Waiting for that pid alone
// leaves every other child of the process to whoever waits for it, and no
// SIGCHLD handler is needed. The thread runs with all signals blocked, so
// the daemon's signals still reach the thread that handles them.
// False when no thread could be created.
bool ReapWhenDone(pid_t pid) {
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  bool started = true;
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    started = false;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return started;
}

// Drops the children that have ended (or were reaped elsewhere).
void ReapEnded(std::vector<pid_t>& pids) {
  std::erase_if(pids, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
  }

  // Returns 0 or an errno value.
  int Prepare() {
    if (int rc =
            posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0))
      return rc;
    // Nothing the daemon holds open (database, sockets, locks) reaches the child.
    if (int rc = posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1)) return rc;
    // A child of its own session: the daemon's terminal and process group
    // signals do not reach it, and every signal starts at its default.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    return posix_spawnattr_setflags(
        &attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

}  // namespace

bool PosixProcessLauncher::SetCurrentDirectory(const std::string& path) {
  return chdir(path.c_str()) == 0;
}

bool PosixProcessLauncher::Start(const std::string& program, int* error) {
  ReapEnded(unreaped_);
  SpawnSetup setup;
  int rc = setup.Prepare();
  pid_t pid = 0;
  if (rc == 0) {
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    rc = posix_spawn(&pid, program.c_str(), setup.actions(), setup.attributes(), argv, environ);
  }
  if (rc != 0) {
    *error = rc;
    errno = rc;
    return false;
  }
  if (!ReapWhenDone(pid)) unreaped_.push_back(pid);
  return true;
}

}  // namespace vexa
