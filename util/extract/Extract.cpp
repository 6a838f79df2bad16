#include "Extract.h"

#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "Engine.h"
#include "PosixFiles.h"
#include "SignalHeld.h"

namespace vexa::extract {
namespace {

struct Prompt {
  int (*callback)(const char* question, void* context) = nullptr;
  void* context = nullptr;
};
std::mutex g_prompt_mutex;
Prompt g_prompt;

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
    // A write past the file-size limit raises SIGXFSZ, which would end the
    // host: held back, the write fails instead.
    SignalHeld held(SIGXFSZ);
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
