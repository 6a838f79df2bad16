#pragma once
// Attachment extractor of the utility library: writes the attachments of a
// mail message, or the members of a container file, to files under an
// output prefix.
#include <cstdint>

namespace vexa::extract {

// Writes the attachments (or container members) of the file at
// `input_path` to files named `output_prefix` + name. Returns the number of
// files completed, or -1 when the input cannot be opened. Never throws.
int32_t Extractor(const char* input_path, const char* output_prefix);

// Registers the callback that answers the overwrite question (non-zero:
// overwrite). Null removes it; without a callback the answer is No unless
// the environment variable VEXA_OVERWRITE is "yes".
void SetOverwritePrompt(int (*prompt)(const char* question, void* context), void* context);

}  // namespace vexa::extract
