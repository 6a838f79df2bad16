#include "Extract.h"

#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "Engine.h"
#include "PosixFiles.h"

namespace vexa::extract {
namespace {

struct Prompt {
  int (*callback)(const char* question, void* context) = nullptr;
  void* context = nullptr;
};
std::mutex g_prompt_mutex;
Prompt g_prompt;

// A write past the file-size limit raises SIGXFSZ, which would end the host
// process: it is held back for the call (the write then fails instead) and
// one raised by the call is taken off again.
class FileSizeSignalHeld {
 public:
  FileSizeSignalHeld() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGXFSZ) == 1;
  }
  ~FileSizeSignalHeld() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, SIGXFSZ) == 1) {
      const timespec now{0, 0};
      sigtimedwait(&set_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }

 private:
  sigset_t set_;
  sigset_t previous_;
  bool was_pending_ = false;
};

}  // namespace

bool AskRegisteredPrompt(const std::string& question) {
  Prompt prompt;
  {
    std::lock_guard<std::mutex> lock(g_prompt_mutex);
    prompt = g_prompt;
  }
  if (prompt.callback != nullptr) return prompt.callback(question.c_str(), prompt.context) != 0;
  const char* policy = std::getenv("VEXA_OVERWRITE");
  return policy != nullptr && std::strcmp(policy, "yes") == 0;
}

int32_t Extractor(const char* input_path, const char* output_prefix) {
  if (input_path == nullptr) return -1;
  try {
    FileSizeSignalHeld held;
    PosixOutputFiles files;
    ExtractEnv env;
    env.files = &files;
    env.ask = AskRegisteredPrompt;
    env.name_number = TimeSeededNumber;
    return RunExtractor(input_path, output_prefix == nullptr ? "" : output_prefix, env);
  } catch (...) {
    return -1;
  }
}

void SetOverwritePrompt(int (*prompt)(const char* question, void* context), void* context) {
  std::lock_guard<std::mutex> lock(g_prompt_mutex);
  g_prompt.callback = prompt;
  g_prompt.context = context;
}

}  // namespace vexa::extract
