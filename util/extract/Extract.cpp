#include "Extract.h"

namespace vexa::extract {

int32_t Extractor(const char* input_path, const char* output_prefix) {
  (void)input_path;
  (void)output_prefix;
  return -1;
}

void SetOverwritePrompt(int (*prompt)(const char* question, void* context), void* context) {
  (void)prompt;
  (void)context;
}

}  // namespace vexa::extract
