#pragma once
// Process seam: the current directory and starting a program without
// waiting for it.
#include <string>

namespace vexa {

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  // Starts `program` (no arguments, no shell) in the current directory.
  // False when it could not be started; `error` then holds errno.
  virtual bool Start(const std::string& program, int* error) = 0;
};

}  // namespace vexa
