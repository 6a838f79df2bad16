#pragma once
// The process seam on posix_spawn. A program is started from its path alone
// (no shell, no arguments, so blanks in the path need no quoting), inherits
// the environment and the current directory, reads stdin from /dev/null and
// gets no other descriptor of the daemon beyond stdout and stderr. The
// daemon does not wait for it, yet every child is reaped when it ends, so
// none is left a zombie.
#include <sys/types.h>

#include <string>
#include <vector>

#include "ProcessLauncher.h"

namespace vexa {

class PosixProcessLauncher : public ProcessLauncher {
 public:
  bool SetCurrentDirectory(const std::string& path) override;
  bool Start(const std::string& program, int* error) override;

 private:
  // Children whose reaper thread could not be created; reaped without
  // waiting at each later start.
  std::vector<pid_t> unreaped_;
};

}  // namespace vexa
